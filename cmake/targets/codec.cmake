# Message codec: public values to and from the wire messages.
set(_tevo_codec_deps tevo_proto tevo_metatype)
# Log sink (transport) and forward kinematics for the teach-move body.
foreach(dep tevo_transport tevo_kinematics)
  if(TARGET ${dep})
    list(APPEND _tevo_codec_deps ${dep})
  endif()
endforeach()
tevo_subsystem(tevo_codec
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_encode.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/protoencodedecode_decode.cpp
  DEPS ${_tevo_codec_deps})
