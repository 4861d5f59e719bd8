# The one install of the libraries: both targets in one export set, every
# public header by directory, and the package files for
# find_package(brackwater-dat).
install(TARGETS brackwater_dat brackwater_survey EXPORT brackwater-dat-targets)
install(DIRECTORY
  ${PROJECT_SOURCE_DIR}/lib/brackwater-dat/include/
  ${PROJECT_SOURCE_DIR}/lib/brackwater-survey/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/brackwater-dat)
install(EXPORT brackwater-dat-targets NAMESPACE brackwater:: DESTINATION ${package_dir})
include(CMakePackageConfigHelpers)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/brackwater-dat-config.cmake.in
  ${PROJECT_BINARY_DIR}/brackwater-dat-config.cmake INSTALL_DESTINATION ${package_dir})
# Before 1.0 a minor release may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/brackwater-dat-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/brackwater-dat-config.cmake
  ${PROJECT_BINARY_DIR}/brackwater-dat-config-version.cmake
  DESTINATION ${package_dir})
