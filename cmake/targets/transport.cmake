# Transport: the log sink, small utilities, the command type catalogue and the
# connection client that frames traffic to the controller. The codec
# encodes the event frame the client synthesises for a lost connection.
tevo_subsystem(tevo_transport
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/trace/robotlogprint.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/globalutil.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/sdkMateType/communicationmatetype.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/robotClient/robotcommunicationclient.cpp
  DEPS tevo_metatype tevo_codec Threads::Threads)
