# cmake -P script: install BUILD_DIR into WORK_DIR/prefix, then configure and
# build the examples from SOURCE_DIR/examples against that prefix alone.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(expected
    include/RobotSDK/interface/serviceinterface.h
    include/sdkcommon/MetaType/TevoRobotMetaType.h
    include/tevo/robot.hpp)
  if(NOT EXISTS ${prefix}/${expected})
    message(FATAL_ERROR "not installed: ${expected}")
  endif()
endforeach()
# The API reference, when the build makes it (TEVO_BUILD_DOCS).
load_cache(${BUILD_DIR} READ_WITH_PREFIX cache_ TEVO_BUILD_DOCS)
if(cache_TEVO_BUILD_DOCS AND NOT EXISTS ${prefix}/share/doc/tevo-robot-sdk/html/index.html)
  message(FATAL_ERROR "not installed: share/doc/tevo-robot-sdk/html/index.html")
endif()
# The library directory depends on the platform (lib, lib64, lib/<triplet>).
foreach(pattern libtevorobotsdk.so* TevoRobotSDKConfig.cmake)
  file(GLOB_RECURSE found ${prefix}/${pattern})
  if(NOT found)
    message(FATAL_ERROR "not installed: ${pattern}")
  endif()
endforeach()

# The examples see only the installed prefix: no path into the source or
# build tree of the library.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${WORK_DIR}/examples -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
# One facade example and the modern C++ layer's example.
run(${CMAKE_COMMAND} --build ${WORK_DIR}/examples --target read_state quickstart)
foreach(example read_state quickstart)
  if(NOT EXISTS ${WORK_DIR}/examples/${example})
    message(FATAL_ERROR "example not built: ${example}")
  endif()
endforeach()
message(STATUS "example built against ${prefix}")
