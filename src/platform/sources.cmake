set(BCX_platform_SOURCES screen.cpp)
if(WIN32)
  set(BCX_platform_EXPORT_SOURCES provider_dll.cpp)
endif()
