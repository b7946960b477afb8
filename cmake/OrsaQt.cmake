# The Qt the project builds with, and the names that depend on its major
# version, so that a Qt 5 and a Qt 6 build install side by side.
set(ORSA_QT_MAJOR "" CACHE STRING "Qt major version to build with: 5 or 6 (empty: Qt 6 when found, else Qt 5)")
set_property(CACHE ORSA_QT_MAJOR PROPERTY STRINGS "" 5 6)

if(ORSA_QT_MAJOR)
  find_package(QT NAMES Qt${ORSA_QT_MAJOR} REQUIRED COMPONENTS Core)
else()
  find_package(QT NAMES Qt6 Qt5 REQUIRED COMPONENTS Core)
endif()
set(ORSA_QT Qt${QT_VERSION_MAJOR})
if(QT_VERSION_MAJOR EQUAL 5)
  set(ORSA_QT_MIN_VERSION 5.15)
else()
  set(ORSA_QT_MIN_VERSION 6.2)
endif()
find_package(${ORSA_QT} ${ORSA_QT_MIN_VERSION} REQUIRED COMPONENTS Core)

# GB18030 and the locale's own encoding: QTextCodec, which Qt 6 keeps in
# Core5Compat. Qt 6's own converter decodes local 8-bit text as UTF-8 whatever
# the locale, so only QTextCodec behaves the same under both.
set(ORSA_QT_TEXTCODEC "")
if(QT_VERSION_MAJOR GREATER_EQUAL 6)
  find_package(${ORSA_QT} ${ORSA_QT_MIN_VERSION} REQUIRED COMPONENTS Core5Compat)
  set(ORSA_QT_TEXTCODEC ${ORSA_QT}::Core5Compat)
endif()

# Qt 5 keeps the names of the first release; later majors carry theirs.
if(QT_VERSION_MAJOR EQUAL 5)
  set(ORSA_PACKAGE_NAME OrsaDataCenter)
  set(ORSA_LIBRARY_NAME orsadatacenter)
else()
  set(ORSA_PACKAGE_NAME OrsaDataCenterQt${QT_VERSION_MAJOR})
  set(ORSA_LIBRARY_NAME orsadatacenter-qt${QT_VERSION_MAJOR})
endif()
message(STATUS "Building with Qt ${QT_VERSION} as ${ORSA_PACKAGE_NAME}")
