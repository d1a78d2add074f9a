# Install rules: headers, the library, the tool, a CMake package
# (find_package(Brenvik) gives Brenvik::brenvik) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/brenvik
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS brenvik EXPORT BrenvikTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  install(FILES ${BRENVIK_MSVC_IMPLIB} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
if(TARGET brenvik-cli)
  install(TARGETS brenvik-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(BRENVIK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Brenvik)
install(EXPORT BrenvikTargets NAMESPACE Brenvik:: DESTINATION ${BRENVIK_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/BrenvikConfig.cmake.in
  ${PROJECT_BINARY_DIR}/BrenvikConfig.cmake
  INSTALL_DESTINATION ${BRENVIK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/BrenvikConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/BrenvikConfig.cmake
              ${PROJECT_BINARY_DIR}/BrenvikConfigVersion.cmake
        DESTINATION ${BRENVIK_CMAKE_DIR})

configure_file(${PROJECT_SOURCE_DIR}/cmake/brenvik.pc.in ${PROJECT_BINARY_DIR}/brenvik.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/brenvik.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
