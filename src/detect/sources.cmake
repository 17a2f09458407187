set(BCX_detect_SOURCES scan.cpp segment.cpp measure_bar.cpp)
