# Installs the public headers, libmaplink.so, libquillet.so, a CMake package
# (find_package(maplink) gives maplink::maplink) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS maplink quillet
  EXPORT maplinkTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/maplink DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY quillet/include/quillet DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT maplinkTargets
  NAMESPACE maplink::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/maplink)
configure_package_config_file(cmake/maplinkConfig.cmake.in
  ${PROJECT_BINARY_DIR}/maplinkConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/maplink)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/maplinkConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/maplinkConfig.cmake
  ${PROJECT_BINARY_DIR}/maplinkConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/maplink)

configure_file(cmake/maplink.pc.in ${PROJECT_BINARY_DIR}/maplink.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/maplink.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
