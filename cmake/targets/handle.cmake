# The handle interface: the library as plain C functions on small integer
# handles, each owning one facade.
tevo_subsystem(tevo_handle
  SOURCES
    ${PROJECT_SOURCE_DIR}/handle/rsrobotcontrol.cpp
    ${PROJECT_SOURCE_DIR}/handle/rsrobotcontrol_forward.cpp
    ${PROJECT_SOURCE_DIR}/handle/rsrobotcontrol_kinematics.cpp
    ${PROJECT_SOURCE_DIR}/handle/rsrobotcontrol_special.cpp
    ${PROJECT_SOURCE_DIR}/handle/rsrobotcontrol_track.cpp
  DEPS tevo_facade tevo_errors tevo_metatype)
