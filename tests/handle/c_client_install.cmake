# cmake -P script: install BUILD_DIR into WORK_DIR/prefix, build the C client
# (SOURCE_DIR) against that prefix alone as a C99 program, and run it with
# RUN_WITH_SIM against a simulator.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
if(NOT EXISTS ${prefix}/include/handle/rsrobotcontrol.h)
  message(FATAL_ERROR "not installed: include/handle/rsrobotcontrol.h")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_C_COMPILER=${CC} -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${RUN_WITH_SIM} ${WORK_DIR}/build/c_login)
