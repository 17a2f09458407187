set(BCX_api_SOURCES settings.cpp results.cpp trace.cpp)
set(BCX_api_EXPORT_SOURCES lifecycle.cpp accessors.cpp)
set(BCX_api_READER_SOURCES reader.cpp)
