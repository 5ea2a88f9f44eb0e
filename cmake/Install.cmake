include(CMakePackageConfigHelpers)

# Headers keep their folder layout under include/ostrel so that their relative
# includes resolve the same way installed as in the source tree.
foreach(dir frame codec pbo rap rapify inspect sqs)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ostrel/${dir}
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/ostrel.h ${PROJECT_SOURCE_DIR}/RazDLL.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ostrel)

install(TARGETS Ostrel EXPORT OstrelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT OstrelTargets NAMESPACE Ostrel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ostrel)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OstrelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/OstrelConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ostrel)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/OstrelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/OstrelConfig.cmake ${PROJECT_BINARY_DIR}/OstrelConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Ostrel)

configure_file(${PROJECT_SOURCE_DIR}/cmake/ostrel.pc.in ${PROJECT_BINARY_DIR}/ostrel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ostrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
