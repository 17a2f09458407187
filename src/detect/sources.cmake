set(BCX_detect_SOURCES scan.cpp segment.cpp measure_bar.cpp profile_edges_thorough.cpp
    bar_field_thorough.cpp scanlines_thorough.cpp)
set(BCX_detect_EXPORT_SOURCES scan_entry.cpp)
