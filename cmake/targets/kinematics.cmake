# Kinematics: the closed-form core and calibration (plain functions), the
# solver service Ikfunc, the coordinate utilities RobotUtilService and the
# checks of targets and track-file numbers (targetcheck).
tevo_subsystem(tevo_kinematics
  SOURCES
    ${PROJECT_SOURCE_DIR}/kinematics/kinematicscore.cpp
    ${PROJECT_SOURCE_DIR}/kinematics/calibrationcore.cpp
    ${PROJECT_SOURCE_DIR}/kinematics/waypointconvert.cpp
    ${PROJECT_SOURCE_DIR}/kinematics/armurdf.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/ikfunc.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotutilservice.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/targetcheck.cpp
  DEPS tevo_metatype tevo_util)
