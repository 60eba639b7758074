# cmake -P script: runs TOOL (tevo-urdf) the ways a user would and checks its
# output and exit codes.
function(run expected_rc)
  execute_process(COMMAND ${TOOL} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc STREQUAL expected_rc)
    message(FATAL_ERROR "tevo-urdf ${ARGN}: exit ${rc}, expected ${expected_rc}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# Bad input: usage on stderr, nothing on stdout, exit code 2. Each row is the
# argument list, "|" between arguments ("none": no argument).
foreach(row "none" "10" "-1" "3x" "x" " 3" "1.5" "--bogus" "0|1")
  if(row STREQUAL "none")
    set(args "")
  else()
    string(REPLACE "|" ";" args "${row}")
  endif()
  run(2 ${args})
  if(NOT out STREQUAL "" OR NOT err MATCHES "Usage: tevo-urdf MODEL")
    message(FATAL_ERROR "tevo-urdf '${row}': stdout '${out}', stderr '${err}'")
  endif()
endforeach()

run(0 --help)
if(NOT out MATCHES "^Usage: tevo-urdf MODEL")
  message(FATAL_ERROR "tevo-urdf --help printed: ${out}")
endif()
run(0 --version)
if(NOT out STREQUAL "tevo-urdf ${VERSION}\n")
  message(FATAL_ERROR "tevo-urdf --version printed: ${out}")
endif()

# --list: a heading and one line per model, starting with its number.
run(0 --list)
string(REGEX MATCHALL "\n[0-9] +[0-9.]+" rows "${out}")
list(LENGTH rows count)
if(NOT count EQUAL 10 OR NOT out MATCHES "\n0 +0\\.408 +0\\.376 " OR NOT out MATCHES "\n9 +0\\.753 ")
  message(FATAL_ERROR "tevo-urdf --list printed:\n${out}")
endif()

# A model: one robot of that name on stdout, nothing on stderr.
foreach(model 0 9)
  run(0 ${model})
  if(NOT err STREQUAL "" OR NOT out MATCHES "<robot name=\"tevo_model_${model}\">"
     OR NOT out MATCHES "</robot>\n$")
    message(FATAL_ERROR "tevo-urdf ${model}: stdout\n${out}\nstderr\n${err}")
  endif()
endforeach()
