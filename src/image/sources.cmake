set(BCX_image_SOURCES image_state.cpp provider.cpp loading.cpp)
