# Message codec: public values to and from the wire messages. The only code
# that touches the generated message classes.
tevo_subsystem(tevo_codec
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_encode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_decode.cpp
  DEPS tevo_proto tevo_metatype tevo_util)
