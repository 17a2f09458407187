set(BCX_image_SOURCES image_state.cpp)
set(BCX_image_EXPORT_SOURCES provider.cpp loading.cpp)
