set(BCX_platform_SOURCES screen.cpp)
