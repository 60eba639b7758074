# Two shared libraries linked from the same object files of every subsystem:
#   tevorobotsdk           the product. Exports only the public API (the
#                          symbols named in tevorobotsdk.map); Protocol
#                          Buffers is a private dependency.
#   tevorobotsdk_internal  every symbol, for the unit tests and the in-process
#                          simulator, which reach internal classes. Not installed.
get_property(_tevo_parts GLOBAL PROPERTY TEVO_SUBSYSTEM_TARGETS)
foreach(lib IN ITEMS tevorobotsdk tevorobotsdk_internal)
  add_library(${lib} SHARED ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${lib} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/sdkcommon/MetaType>)
  foreach(part IN LISTS _tevo_parts)
    target_sources(${lib} PRIVATE $<TARGET_OBJECTS:${part}>)
    add_dependencies(${lib} ${part})
  endforeach()
endforeach()
add_library(TevoRobotSDK::tevorobotsdk ALIAS tevorobotsdk)

set(_tevo_exports ${PROJECT_SOURCE_DIR}/cmake/tevorobotsdk.map)
target_link_libraries(tevorobotsdk PUBLIC Threads::Threads PRIVATE protobuf::libprotobuf)
target_link_options(tevorobotsdk PRIVATE LINKER:--version-script=${_tevo_exports})
set_target_properties(tevorobotsdk PROPERTIES
  LINK_DEPENDS ${_tevo_exports}
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

# The internal library offers what the subsystem archives offer: their include
# directories (generated message headers included) and Protocol Buffers.
foreach(part IN LISTS _tevo_parts)
  target_include_directories(tevorobotsdk_internal PUBLIC
    $<BUILD_INTERFACE:$<TARGET_PROPERTY:${part},INTERFACE_INCLUDE_DIRECTORIES>>)
endforeach()
target_link_libraries(tevorobotsdk_internal PUBLIC protobuf::libprotobuf Threads::Threads)
