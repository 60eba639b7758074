# Shared utilities below every other subsystem: the log sink, small global
# utilities and the command type catalogue.
tevo_subsystem(tevo_util
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/trace/robotlogprint.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/util/globalutil.cpp
    ${PROJECT_SOURCE_DIR}/RobotSDK/sdkMateType/communicationmatetype.cpp
  DEPS tevo_metatype Threads::Threads)
