# Release packages, made with cpack in a build tree: on Windows a zip of the
# install tree (brenvik-<version>-win32.zip or -win64.zip), elsewhere a
# Debian package of the library, header, CMake package and tool.
set(CPACK_PACKAGE_NAME brenvik)
set(CPACK_PACKAGE_VENDOR "Brenvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME brenvik-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME brenvik-${PROJECT_VERSION}-win32)
  endif()
  # Unpacked, the archive is the install tree itself.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brenvik developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  # The dependencies on the C and C++ runtimes, as dpkg finds them when it
  # can, else those of the compiler we build with on Debian 12.
  find_program(BRENVIK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(BRENVIK_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()
include(CPack)
