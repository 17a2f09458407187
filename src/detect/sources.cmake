set(BCX_detect_SOURCES scan.cpp segment.cpp measure_bar.cpp)
set(BCX_detect_EXPORT_SOURCES scan_entry.cpp)
