# Message codec: public values to and from the wire messages. Needs the log
# sink (transport) and forward kinematics for the teach-move body.
tevo_subsystem(tevo_codec
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_encode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_decode.cpp
  DEPS tevo_proto tevo_metatype tevo_transport tevo_kinematics)
