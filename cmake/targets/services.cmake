# Application services: conveyor tracking, the force/torque sensor, and the
# recognition and seam-tracking parameters, on top of the control core.
tevo_subsystem(tevo_services
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotconveyortrack.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/forcecontrol.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/robototherservice.cpp
  DEPS tevo_core tevo_metatype)
