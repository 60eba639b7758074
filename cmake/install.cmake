# Installs the product: the shared library, the public headers and a CMake
# package so that applications can write
#   find_package(TevoRobotSDK REQUIRED)
#   target_link_libraries(app PRIVATE TevoRobotSDK::tevorobotsdk)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TEVO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/TevoRobotSDK)

# Public headers keep their source layout under include/, so applications
# include them as in the library's own sources.
set(_tevo_public_headers
  RobotSDK/interface/serviceinterface.h
  RobotSDK/util/callbackslot.h
  sdkcommon/MetaType/TevoRobotMetaType.h
  sdkcommon/MetaType/TevoRobotControllerCodes.h
  sdkcommon/MetaType/TevoRobotServo.h
  sdkcommon/MetaType/TevoRobotConnection.h
  tevo/robot.hpp
  handle/rsrobotcontrol.h)
foreach(header IN LISTS _tevo_public_headers)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${header})
    get_filename_component(_dir ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header}
      DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${_dir} COMPONENT devel)
  endif()
endforeach()

install(TARGETS tevorobotsdk EXPORT TevoRobotSDKTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
                       ${CMAKE_INSTALL_INCLUDEDIR}/sdkcommon/MetaType)

install(EXPORT TevoRobotSDKTargets
  NAMESPACE TevoRobotSDK::
  DESTINATION ${TEVO_INSTALL_CMAKEDIR} COMPONENT devel)

configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/TevoRobotSDKConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TevoRobotSDKConfig.cmake
  INSTALL_DESTINATION ${TEVO_INSTALL_CMAKEDIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/TevoRobotSDKConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/TevoRobotSDKConfig.cmake
  ${PROJECT_BINARY_DIR}/TevoRobotSDKConfigVersion.cmake
  DESTINATION ${TEVO_INSTALL_CMAKEDIR} COMPONENT devel)

# The simulator is installed too, so an installed SDK can run its examples
# without a controller.
if(TARGET tevo-controller-sim)
  install(TARGETS tevo-controller-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
# tevo-urdf and the URDF descriptions of the arm models that the build writes
# with it (tools/urdf).
if(TARGET tevo-urdf)
  install(TARGETS tevo-urdf RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  install(FILES ${TEVO_URDF_FILES}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/tevo-robot-sdk/urdf COMPONENT tools)
endif()

# The guides and the examples' sources (to copy, or to build against the
# installed SDK as they are). The HTML reference goes to html/ beside them
# (cmake/docs.cmake, with TEVO_BUILD_DOCS).
set(TEVO_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tevo-robot-sdk)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${TEVO_INSTALL_DOCDIR} COMPONENT doc)
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${TEVO_INSTALL_DOCDIR}/sim COMPONENT doc)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${TEVO_INSTALL_DOCDIR}/examples COMPONENT doc USE_SOURCE_PERMISSIONS)
# The Python package's guide and examples (the package itself: python/CMakeLists.txt).
if(EXISTS ${PROJECT_SOURCE_DIR}/python/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/python/README.md
    DESTINATION ${TEVO_INSTALL_DOCDIR}/python COMPONENT doc)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/examples/
    DESTINATION ${TEVO_INSTALL_DOCDIR}/python/examples COMPONENT doc USE_SOURCE_PERMISSIONS
    PATTERN "__pycache__" EXCLUDE)
endif()
