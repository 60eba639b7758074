# Debian's orocos KDL, kdl_parser and urdfdom, used by the URDF test and the
# peer benchmark. kdl_parser's CMake package pulls in ROS build tooling (urdf,
# pluginlib, ament) that fails outside a ROS workspace, so its header and
# library are found directly. Defines the interface target kdl_urdf when all
# three are present (not named tevo_*, which tevo_link_sdk maps to the
# library); their headers are system includes (not warning-clean under
# -Wpedantic).
if(TARGET kdl_urdf)
  return()
endif()
find_package(orocos_kdl QUIET)
find_package(urdfdom QUIET)
find_path(TEVO_KDL_PARSER_INCLUDE kdl_parser/kdl_parser.hpp)
find_library(TEVO_KDL_PARSER_LIBRARY kdl_parser)
if(orocos_kdl_FOUND AND urdfdom_FOUND AND TEVO_KDL_PARSER_INCLUDE AND TEVO_KDL_PARSER_LIBRARY)
  add_library(kdl_urdf INTERFACE)
  target_include_directories(kdl_urdf SYSTEM INTERFACE
    ${TEVO_KDL_PARSER_INCLUDE} ${urdfdom_INCLUDE_DIRS} ${orocos_kdl_INCLUDE_DIRS})
  target_link_libraries(kdl_urdf INTERFACE
    ${TEVO_KDL_PARSER_LIBRARY} ${urdfdom_LIBRARIES} ${orocos_kdl_LIBRARIES})
endif()
