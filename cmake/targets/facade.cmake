# The service facade: the object applications hold, on top of the control core
# and the kinematics.
tevo_subsystem(tevo_facade
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_forward.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_io.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_motion.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_tracks.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_servo.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_targets.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_params.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_services.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/serviceinterface_pelvan.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/interface/connectionsupervisor.cpp
  DEPS tevo_custom tevo_core tevo_motion tevo_io tevo_services tevo_kinematics tevo_errors tevo_metatype)
