# The package config find_package users read, and the Debian packages CPack
# makes of the install components:
#   sdk, sdk_dev      BizOrsaClientLib, free of Qt, shared by every Qt build
#   runtime, dev      the data layer for this build's Qt
#   orsactl, orsad    the programs
include(CMakePackageConfigHelpers)
set(ORSA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/${ORSA_PACKAGE_NAME})
set(ORSA_CMAKE_COMPONENT dev)
if(NOT ORSA_BUILD_DATALAYER)
  set(ORSA_CMAKE_COMPONENT sdk_dev)
endif()

install(EXPORT OrsaDataCenterTargets
  FILE ${ORSA_PACKAGE_NAME}Targets.cmake
  NAMESPACE ${ORSA_PACKAGE_NAME}::
  DESTINATION ${ORSA_CMAKE_DIR}
  COMPONENT ${ORSA_CMAKE_COMPONENT})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrsaDataCenterConfig.cmake.in
  ${PROJECT_BINARY_DIR}/${ORSA_PACKAGE_NAME}Config.cmake
  INSTALL_DESTINATION ${ORSA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/${ORSA_PACKAGE_NAME}ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/${ORSA_PACKAGE_NAME}Config.cmake
  ${PROJECT_BINARY_DIR}/${ORSA_PACKAGE_NAME}ConfigVersion.cmake
  DESTINATION ${ORSA_CMAKE_DIR}
  COMPONENT ${ORSA_CMAKE_COMPONENT})

# ---- Debian packages: cpack -G DEB in the build directory -------------------
# Configure with -DCMAKE_INSTALL_PREFIX=/usr: the unit names orsad's path.
set(CPACK_PACKAGE_NAME orsadatacenter)
set(CPACK_PACKAGE_VENDOR "Orsa")
set(CPACK_PACKAGE_CONTACT "Orsa maintainers <orsa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Dependencies on other Debian packages come from the binaries themselves; the
# build's own libraries are found in the build tree and left to the component
# dependencies below, which pin the exact version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# Qt 5 keeps the first release's names; another Qt major adds its own suffix,
# so that both sets install side by side.
string(TOLOWER "${ORSA_LIBRARY_NAME}" orsa_deb_lib)
set(CPACK_DEBIAN_SDK_PACKAGE_NAME libbizorsaclientlib${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_SDK_DEV_PACKAGE_NAME libbizorsaclientlib-dev)
set(CPACK_DEBIAN_SDK_DEV_PACKAGE_SECTION libdevel)
if(orsa_deb_lib MATCHES "[0-9]$")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME lib${orsa_deb_lib}-${PROJECT_VERSION_MAJOR})
else()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME lib${orsa_deb_lib}${PROJECT_VERSION_MAJOR})
endif()
set(CPACK_DEBIAN_DEV_PACKAGE_NAME lib${orsa_deb_lib}-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
if(QT_VERSION_MAJOR EQUAL 5)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS qtbase5-dev)
else()
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS qt${QT_VERSION_MAJOR}-base-dev)
endif()
set(CPACK_DEBIAN_ORSACTL_PACKAGE_NAME orsactl)
set(CPACK_DEBIAN_ORSAD_PACKAGE_NAME orsad)
set(CPACK_DEBIAN_ORSAD_PACKAGE_SECTION net)
set(CPACK_DEBIAN_ORSAD_PACKAGE_DEPENDS "passwd")
set(CPACK_DEBIAN_ORSAD_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/packaging/debian/orsad/postinst
  ${PROJECT_SOURCE_DIR}/packaging/debian/orsad/prerm
  ${PROJECT_SOURCE_DIR}/packaging/debian/orsad/postrm)
set(CPACK_DEBIAN_ORSAD_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_COMPONENT_SDK_DESCRIPTION "BizOrsaClientLib, the client SDK of the Orsa management service")
set(CPACK_COMPONENT_SDK_DEV_DESCRIPTION "BizOrsaClientLib, development files")
set(CPACK_COMPONENT_SDK_DEV_DEPENDS sdk)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Data layer of the Orsa surveillance client (Qt ${QT_VERSION_MAJOR})")
set(CPACK_COMPONENT_RUNTIME_DEPENDS sdk)
set(CPACK_COMPONENT_DEV_DESCRIPTION "Data layer of the Orsa surveillance client (Qt ${QT_VERSION_MAJOR}), development files")
set(CPACK_COMPONENT_DEV_DEPENDS runtime sdk_dev)
set(CPACK_COMPONENT_ORSACTL_DESCRIPTION "Command-line administration of the Orsa management service")
set(CPACK_COMPONENT_ORSACTL_DEPENDS runtime)
set(CPACK_COMPONENT_ORSAD_DESCRIPTION "The Orsa management service on the network, over TLS")
include(CPack)
