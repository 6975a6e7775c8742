include(CMakePackageConfigHelpers)

install(TARGETS vnimg EXPORT vnimgTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(VNIMG_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/vnimg)
install(EXPORT vnimgTargets NAMESPACE vnimg:: DESTINATION ${VNIMG_CMAKE_DIR})
configure_package_config_file(cmake/vnimgConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/vnimgConfig.cmake
  INSTALL_DESTINATION ${VNIMG_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vnimgConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vnimgConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/vnimgConfigVersion.cmake
  DESTINATION ${VNIMG_CMAKE_DIR})

# The prefix is found from the .pc file's own place, so `cmake --install --prefix` anywhere works.
file(RELATIVE_PATH VNIMG_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/vnimg.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vnimg.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vnimg.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
