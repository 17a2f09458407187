set(BCX_locate_SOURCES geometry.cpp grouping.cpp ordering.cpp element_run.cpp grouping_thorough.cpp)
