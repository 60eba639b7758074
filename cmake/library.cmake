# The shared product library, made of the object files of every subsystem.
get_property(_tevo_parts GLOBAL PROPERTY TEVO_SUBSYSTEM_TARGETS)
add_library(tevorobotsdk SHARED ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
add_library(TevoRobotSDK::tevorobotsdk ALIAS tevorobotsdk)
target_include_directories(tevorobotsdk PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/sdkcommon/MetaType>)
foreach(part IN LISTS _tevo_parts)
  target_sources(tevorobotsdk PRIVATE $<TARGET_OBJECTS:${part}>)
  target_include_directories(tevorobotsdk PUBLIC
    $<BUILD_INTERFACE:$<TARGET_PROPERTY:${part},INTERFACE_INCLUDE_DIRECTORIES>>)
  add_dependencies(tevorobotsdk ${part})
endforeach()
target_link_libraries(tevorobotsdk PUBLIC protobuf::libprotobuf Threads::Threads)
set_target_properties(tevorobotsdk PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
