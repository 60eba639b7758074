# The shared product library: every subsystem archive linked in whole.
get_property(_tevo_parts GLOBAL PROPERTY TEVO_SUBSYSTEM_TARGETS)
add_library(tevorobotsdk SHARED ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
add_library(TevoRobotSDK::tevorobotsdk ALIAS tevorobotsdk)
target_include_directories(tevorobotsdk PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/sdkcommon/MetaType>)
if(_tevo_parts)
  # Subsystems also link each other normally; the override makes every
  # occurrence whole-archive so no object is left out of the product.
  target_link_libraries(tevorobotsdk PRIVATE ${_tevo_parts})
  list(JOIN _tevo_parts "," _tevo_parts_csv)
  set_property(TARGET tevorobotsdk PROPERTY LINK_LIBRARY_OVERRIDE "WHOLE_ARCHIVE,${_tevo_parts_csv}")
endif()
foreach(part IN LISTS _tevo_parts)
  target_include_directories(tevorobotsdk PUBLIC
    $<BUILD_INTERFACE:$<TARGET_PROPERTY:${part},INTERFACE_INCLUDE_DIRECTORIES>>)
endforeach()
target_link_libraries(tevorobotsdk PUBLIC protobuf::libprotobuf Threads::Threads)
set_target_properties(tevorobotsdk PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
