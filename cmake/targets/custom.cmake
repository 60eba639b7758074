# Customer track service: tool-pose tracks checked against joint and step
# limits, smoothed, split where the path turns back, and cached.
tevo_subsystem(tevo_custom
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/custom-made/pelvanservices.cpp
  DEPS tevo_motion tevo_core tevo_codec tevo_kinematics tevo_metatype)
# The version getVersion reports is the project's.
target_compile_definitions(tevo_custom PRIVATE TEVO_SDK_VERSION="${PROJECT_VERSION}")
