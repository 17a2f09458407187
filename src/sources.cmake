# The engine (records, symbologies, stages, pipelines), the units behind the
# exported calls of bcxdec.h, and those behind the readers of bcxread.h.
set(BCX_ENGINE_SOURCES
  records/geometry.cpp
  records/results.cpp
  records/settings.cpp
  records/trace.cpp
  symbologies/exact/classify.cpp
  symbologies/tolerant/module_match.cpp
  symbologies/tolerant/narrow_wide.cpp
  symbologies/code39/code39.cpp
  symbologies/code39/code39_thorough.cpp
  symbologies/code128/code128.cpp
  symbologies/code128/code128_thorough.cpp
  symbologies/itf/interleaved2of5.cpp
  symbologies/itf/interleaved2of5_thorough.cpp
  symbologies/ean_upc/ean_upc.cpp
  symbologies/ean_upc/ean_upc_thorough.cpp
  symbologies/ean_upc/ean13.cpp
  symbologies/ean_upc/ean13_thorough.cpp
  symbologies/ean_upc/ean8.cpp
  symbologies/ean_upc/upca.cpp
  symbologies/ean_upc/upce.cpp
  symbologies/ean_upc/upce_thorough.cpp
  symbologies/table.cpp
  stages/components/scan_state.cpp
  stages/components/components.cpp
  stages/components/measure_bar.cpp
  stages/grouping/grouping.cpp
  stages/grouping/grouping_thorough.cpp
  stages/ordering/ordering.cpp
  stages/ordering/element_run.cpp
  stages/spans/span_search.cpp
  stages/spans/spans.cpp
  stages/spans/spans_thorough.cpp
  stages/scanlines/bar_field.cpp
  stages/scanlines/profile_edges.cpp
  stages/scanlines/sampling.cpp
  stages/scanlines/line_decoding.cpp
  stages/scanlines/sweep.cpp
  stages/scanlines/clusters.cpp
  stages/scanlines/corners.cpp
  stages/scanlines/scanlines.cpp
  pipeline/exact.cpp
  pipeline/thorough.cpp
  pipeline/pipeline.cpp
  image/image_state.cpp
  platform/screen.cpp)
set(BCX_EXPORT_SOURCES api/exports.cpp)
# On Windows the provider is Rastra.dll, reached by ordinal from platform/.
if(WIN32)
  list(APPEND BCX_EXPORT_SOURCES platform/provider_dll.cpp)
else()
  list(APPEND BCX_EXPORT_SOURCES image/provider.cpp)
endif()
set(BCX_READER_SOURCES api/reader.cpp api/reader_read.cpp api/reader_results.cpp)
list(TRANSFORM BCX_ENGINE_SOURCES PREPEND src/)
list(TRANSFORM BCX_EXPORT_SOURCES PREPEND src/)
list(TRANSFORM BCX_READER_SOURCES PREPEND src/)
