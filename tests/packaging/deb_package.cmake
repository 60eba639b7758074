# cmake -P script: make the Debian package of BUILD_DIR with cpack, check its
# control data, unpack it into a throwaway root and build the examples it
# carries against that root alone.
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

run(${CPACK} -G DEB -B ${WORK_DIR}/package --config ${BUILD_DIR}/CPackConfig.cmake)
file(GLOB debs ${WORK_DIR}/package/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb, found: ${debs}")
endif()

run(dpkg-deb -I ${debs})
foreach(field "Package: tevo-robot-sdk" "Version: ${VERSION}" "Maintainer: " "Description: "
              "Depends: [^\n]*libprotobuf")
  if(NOT run_output MATCHES "\n ${field}")
    message(FATAL_ERROR "control data lacks \"${field}\":\n${run_output}")
  endif()
endforeach()

set(root ${WORK_DIR}/root)
run(dpkg-deb -x ${debs} ${root})
set(docs ${root}/usr/share/doc/tevo-robot-sdk)
foreach(expected
    ${root}/usr/include/RobotSDK/interface/serviceinterface.h
    ${root}/usr/include/handle/rsrobotcontrol.h
    ${root}/usr/bin/tevo-controller-sim
    ${docs}/README.md ${docs}/sim/README.md ${docs}/examples/CMakeLists.txt)
  if(NOT EXISTS ${expected})
    message(FATAL_ERROR "not in the package: ${expected}")
  endif()
endforeach()
# The API reference, when the build makes it (TEVO_BUILD_DOCS).
load_cache(${BUILD_DIR} READ_WITH_PREFIX cache_ TEVO_BUILD_DOCS)
if(cache_TEVO_BUILD_DOCS AND NOT EXISTS ${docs}/html/index.html)
  message(FATAL_ERROR "not in the package: ${docs}/html/index.html")
endif()
# No Protocol Buffers header travels with the library.
file(GLOB_RECURSE generated ${root}/*.pb.h)
if(generated)
  message(FATAL_ERROR "message headers in the package: ${generated}")
endif()

run(${root}/usr/bin/tevo-controller-sim --version)
if(NOT run_output STREQUAL "tevo-controller-sim ${VERSION}\n")
  message(FATAL_ERROR "packaged simulator reports: ${run_output}")
endif()

# The examples as installed, against the unpacked root and nothing else.
run(${CMAKE_COMMAND} -S ${docs}/examples -B ${WORK_DIR}/examples -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${root}/usr)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/examples --target read_state quickstart)
foreach(example read_state quickstart)
  if(NOT EXISTS ${WORK_DIR}/examples/${example})
    message(FATAL_ERROR "example not built: ${example}")
  endif()
endforeach()
message(STATUS "built the examples against ${debs}")
