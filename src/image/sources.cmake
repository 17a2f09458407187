set(BCX_image_SOURCES image_state.cpp)
set(BCX_image_EXPORT_SOURCES loading.cpp)
# On Windows the provider is Rastra.dll, reached from src/platform.
if(NOT WIN32)
  list(APPEND BCX_image_EXPORT_SOURCES provider.cpp)
endif()
