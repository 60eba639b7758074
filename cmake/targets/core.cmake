# Control core: request/response engine, events and pushes, login and arm
# lifecycle, controller state and configuration commands.
tevo_subsystem(tevo_core
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotcontrolservices.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotcontrolservices_events.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotcontrolservices_lifecycle.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotcontrolservices_state.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/moveendwait.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/servoanswers.cpp
  DEPS tevo_transport tevo_codec tevo_kinematics tevo_errors tevo_util tevo_metatype)
