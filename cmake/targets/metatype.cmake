# Public value types and enumerations shared by every subsystem and by
# applications.
tevo_subsystem(tevo_metatype
  SOURCES ${PROJECT_SOURCE_DIR}/sdkcommon/MetaType/TevoRobotMetaType.cpp)
