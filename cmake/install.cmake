# Install rules: the libraries and their image provider, the public headers,
# the command-line tool, pkg-config files (bcxdec, bcxread) and a CMake
# package (bcxdec::bcxdec, bcxdec::bcxread, bcxdec::bcxread_static).
include(CMakePackageConfigHelpers)

set(BCX_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/bcxdec)

# Installed binaries find the libraries wherever the tree is unpacked.
set_target_properties(bcxdec bcxread rastra PROPERTIES INSTALL_RPATH "$ORIGIN")

install(TARGETS bcxdec bcxread bcxread_static rastra EXPORT bcxdecTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET bcxscan)
  install(TARGETS bcxscan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT bcxdecTargets
  NAMESPACE bcxdec::
  FILE bcxdecTargets.cmake
  DESTINATION ${BCX_PACKAGE_DIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/bcxdecConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/bcxdecConfig.cmake
  INSTALL_DESTINATION ${BCX_PACKAGE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/bcxdecConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/bcxdecConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/bcxdecConfigVersion.cmake
  DESTINATION ${BCX_PACKAGE_DIR})

# The .pc file names its prefix relative to itself, so that
# `cmake --install --prefix` anywhere gives a working file.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(BCX_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(BCX_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH BCX_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" BCX_PC_UP "${BCX_PC_UP}")
  set(BCX_PC_PREFIX "\${pcfiledir}/${BCX_PC_UP}")
  set(BCX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(BCX_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(BCX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
foreach(pc bcxdec bcxread)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${pc}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${pc}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
