# Motion: the process-wide global move profile and move execution on top of
# the control core.
tevo_subsystem(tevo_motion
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotmoveservice.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotmoveservice_profile.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotmoveservice_tracks.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotmoveservice_target.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotmoveservice_params.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/servostream.cpp
  DEPS tevo_core tevo_codec tevo_kinematics tevo_metatype)
