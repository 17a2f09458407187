set(BCX_api_SOURCES settings.cpp results.cpp lifecycle.cpp accessors.cpp)
