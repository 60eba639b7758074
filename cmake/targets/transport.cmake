# Transport: the connection client that frames traffic to the controller. It
# reports a lost connection through a hook the control core implements, so it
# needs neither the codec nor the message classes.
tevo_subsystem(tevo_transport
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/robotClient/robotcommunicationclient.cpp
  DEPS tevo_util tevo_metatype Threads::Threads)
