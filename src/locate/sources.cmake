set(BCX_locate_SOURCES element_run.cpp)
