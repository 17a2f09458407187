set(BCX_decode_SOURCES dispatch.cpp)
