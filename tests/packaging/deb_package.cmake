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
    ${root}/usr/bin/tevo-urdf
    ${root}/usr/share/tevo-robot-sdk/urdf/tevo_model_0.urdf
    ${root}/usr/share/tevo-robot-sdk/urdf/tevo_model_9.urdf
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

# The Python package where Debian's python3 finds it, its guide and examples
# under share/doc, and the package loading the packaged library by itself
# (through the note of where the library lies, no TEVO_ROBOT_LIB).
set(dist_packages ${root}/usr/lib/python3/dist-packages)
foreach(expected
    ${dist_packages}/tevo_robot/__init__.py ${dist_packages}/tevo_robot/py.typed
    ${dist_packages}/tevo_robot/_installed.py
    ${docs}/python/README.md ${docs}/python/examples/read_state.py)
  if(NOT EXISTS ${expected})
    message(FATAL_ERROR "not in the package: ${expected}")
  endif()
endforeach()
file(GLOB versioned_site ${root}/usr/lib/python3.*)
if(versioned_site)
  message(FATAL_ERROR "Python files outside dist-packages: ${versioned_site}")
endif()
file(REAL_PATH ${root} real_root)
file(GLOB_RECURSE packaged_library ${real_root}/usr/lib/libtevorobotsdk.so.${VERSION})
run(${CMAKE_COMMAND} -E env --unset=TEVO_ROBOT_LIB --unset=LD_LIBRARY_PATH
    PYTHONPATH=${dist_packages} /usr/bin/python3 -c
    "import tevo_robot, tevo_robot.__main__ as m\nprint(tevo_robot.__file__)
raise SystemExit(m.main(['--version']))")
set(expected_output "${dist_packages}/tevo_robot/__init__.py\ntevo_robot ${VERSION}
libtevorobotsdk ${VERSION} (${packaged_library})\n")
if(NOT run_output STREQUAL expected_output)
  message(FATAL_ERROR "Debian's python3 with the packaged tevo_robot printed:\n${run_output}\n"
                      "expected:\n${expected_output}")
endif()

run(${root}/usr/bin/tevo-controller-sim --version)
if(NOT run_output STREQUAL "tevo-controller-sim ${VERSION}\n")
  message(FATAL_ERROR "packaged simulator reports: ${run_output}")
endif()
# The packaged URDF files are what the packaged command prints.
run(${root}/usr/bin/tevo-urdf 3)
file(READ ${root}/usr/share/tevo-robot-sdk/urdf/tevo_model_3.urdf packaged_urdf)
if(NOT run_output STREQUAL packaged_urdf)
  message(FATAL_ERROR "tevo_model_3.urdf differs from what tevo-urdf 3 prints")
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
