# Every external dependency is found here, once, and used by its target
# name everywhere else. All of them are Debian packages (scripts/install-deps).
find_package(PkgConfig REQUIRED)

# The image provider's formats.
pkg_check_modules(LEPTONICA REQUIRED IMPORTED_TARGET lept)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
find_package(GIF REQUIRED)

# Tests and benchmarks: the test framework and zint, the independent encoder
# that draws their symbols.
if(BCX_BUILD_TESTS OR BCX_BUILD_BENCH)
  find_package(ZLIB REQUIRED)
  find_library(ZINT_LIB zint)
  find_path(ZINT_INCLUDE zint.h)
  if(NOT ZINT_LIB OR NOT ZINT_INCLUDE)
    message(FATAL_ERROR "libzint missing: run scripts/install-deps")
  endif()
  add_library(bcx_zint INTERFACE IMPORTED)
  target_link_libraries(bcx_zint INTERFACE ${ZINT_LIB})
  target_include_directories(bcx_zint SYSTEM INTERFACE ${ZINT_INCLUDE})
endif()
if(BCX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
endif()
if(BCX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
