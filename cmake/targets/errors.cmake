# Texts of the library's result codes.
tevo_subsystem(tevo_errors
  SOURCES ${PROJECT_SOURCE_DIR}/RobotSDK/service/errorinfoservice.cpp
  DEPS tevo_metatype)
