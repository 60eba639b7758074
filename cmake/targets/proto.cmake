# Wire messages: protoc generates C++ classes from the four schemas into the
# build tree; users include them flat, e.g. #include "robotcommunication.pb.h".
# TEVO_PROTO_OUT_DIR and TEVO_PROTO_HEADERS name the generated headers for install rules.
set(TEVO_PROTO_SRC_DIR ${PROJECT_SOURCE_DIR}/sdkcommon/protobuf)
set(TEVO_PROTO_OUT_DIR ${PROJECT_BINARY_DIR}/sdkcommon/protobuf)
set(TEVO_PROTO_NAMES robotmovecondition robotcommunication robotcommon sensor)

file(MAKE_DIRECTORY ${TEVO_PROTO_OUT_DIR})
set(_tevo_proto_files "")
set(_tevo_proto_srcs "")
set(TEVO_PROTO_HEADERS "")
foreach(name IN LISTS TEVO_PROTO_NAMES)
  list(APPEND _tevo_proto_files ${TEVO_PROTO_SRC_DIR}/${name}.proto)
  list(APPEND _tevo_proto_srcs ${TEVO_PROTO_OUT_DIR}/${name}.pb.cc)
  list(APPEND TEVO_PROTO_HEADERS ${TEVO_PROTO_OUT_DIR}/${name}.pb.h)
endforeach()

# One protoc run for all files: they import each other.
add_custom_command(
  OUTPUT ${_tevo_proto_srcs} ${TEVO_PROTO_HEADERS}
  COMMAND ${Protobuf_PROTOC_EXECUTABLE}
          --proto_path=${TEVO_PROTO_SRC_DIR}
          --cpp_out=${TEVO_PROTO_OUT_DIR}
          ${_tevo_proto_files}
  DEPENDS ${_tevo_proto_files} ${Protobuf_PROTOC_EXECUTABLE}
  COMMENT "Generating C++ message classes"
  VERBATIM)

tevo_subsystem(tevo_proto SOURCES ${_tevo_proto_srcs} ${TEVO_PROTO_HEADERS} DEPS protobuf::libprotobuf)
# Generated code is not ours: no warnings for it, here or where it is included.
set_source_files_properties(${_tevo_proto_srcs} PROPERTIES COMPILE_OPTIONS -w)
target_include_directories(tevo_proto SYSTEM PUBLIC $<BUILD_INTERFACE:${TEVO_PROTO_OUT_DIR}>)
