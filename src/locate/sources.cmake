set(BCX_locate_SOURCES geometry.cpp grouping.cpp ordering.cpp element_run.cpp)
