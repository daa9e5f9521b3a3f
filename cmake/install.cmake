# Install rules: the shared library (with its soname), the header, a CMake
# package giving the imported target noxara::noxara, and a pkg-config file.
# Every installed file locates the others relative to itself, so the tree may
# be installed under any prefix (cmake --install build --prefix DIR).
include(CMakePackageConfigHelpers)

set(NOXARA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/noxara)

install(TARGETS noxara EXPORT noxaraTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT noxaraTargets
  NAMESPACE noxara::
  FILE noxaraTargets.cmake
  DESTINATION ${NOXARA_CMAKE_DIR})

configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/noxaraConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/noxaraConfig.cmake
  INSTALL_DESTINATION ${NOXARA_CMAKE_DIR})
# Before 1.0 a minor release may change the interface.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(NOXARA_COMPATIBILITY SameMinorVersion)
else()
  set(NOXARA_COMPATIBILITY SameMajorVersion)
endif()
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/noxaraConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY ${NOXARA_COMPATIBILITY})
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/noxaraConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/noxaraConfigVersion.cmake
  DESTINATION ${NOXARA_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own place.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(NOXARA_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(NOXARA_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
else()
  file(RELATIVE_PATH NOXARA_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" NOXARA_PC_UP "${NOXARA_PC_UP}")
  set(NOXARA_PC_PREFIX "\${pcfiledir}/${NOXARA_PC_UP}")
  set(NOXARA_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(NOXARA_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(NOXARA_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/noxara.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/noxara.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/noxara.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
