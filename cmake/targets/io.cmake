# Input/output: the catalogue of interface-board and tool I/O names and
# addresses and their reads and writes, on top of the control core.
tevo_subsystem(tevo_io
  SOURCES
    ${PROJECT_SOURCE_DIR}/RobotSDK/service/robotioservice.cpp
  DEPS tevo_core tevo_metatype)
