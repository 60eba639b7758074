# cmake -P script: the threads-and-blocking text is written once, in the
# comment at the top of RobotSDK/interface/serviceinterface.h, between the
# lines "// BEGIN threads-and-blocking text" and "// END threads-and-blocking
# text". README.md carries a copy between its own BEGIN and END comments: the
# same lines without the leading "// " (a bare "//" is an empty line).
#
#   cmake -DSOURCE_DIR=<repo> -P threads_text.cmake              fails when the copy differs
#   cmake -DSOURCE_DIR=<repo> -DUPDATE=ON -P threads_text.cmake  rewrites the copy
set(begin_mark "BEGIN threads-and-blocking text")
set(end_mark "END threads-and-blocking text")
set(header_file ${SOURCE_DIR}/RobotSDK/interface/serviceinterface.h)
set(readme_file ${SOURCE_DIR}/README.md)

# Offsets of the text between the BEGIN line and the END line of `content`:
# <out>_start (first character after the BEGIN line) and <out>_length.
function(find_region content label out)
  string(FIND "${content}" "${begin_mark}" b)
  string(FIND "${content}" "${end_mark}" e)
  if(b EQUAL -1 OR e EQUAL -1 OR e LESS b)
    message(FATAL_ERROR "${label} has no \"${begin_mark}\" ... \"${end_mark}\" region")
  endif()
  string(SUBSTRING "${content}" ${b} -1 after_begin)
  string(FIND "${after_begin}" "\n" eol)
  math(EXPR start "${b} + ${eol} + 1")
  # The END line starts after the last newline before the mark.
  string(SUBSTRING "${content}" 0 ${e} before_end)
  string(FIND "${before_end}" "\n" last_eol REVERSE)
  math(EXPR stop "${last_eol} + 1")
  if(stop LESS start)
    message(FATAL_ERROR "${label}: the region is empty")
  endif()
  math(EXPR length "${stop} - ${start}")
  set(${out}_start ${start} PARENT_SCOPE)
  set(${out}_length ${length} PARENT_SCOPE)
endfunction()

file(READ ${header_file} header)
file(READ ${readme_file} readme)

find_region("${header}" "serviceinterface.h" h)
string(SUBSTRING "${header}" ${h_start} ${h_length} source)
# Every line of the source region is a comment line: "//" alone or "// text".
# (A newline is put in front so that every line, the first included, follows
# one: CMake's regular expressions know no line starts.)
set(source "\n${source}")
string(REGEX MATCH "\n([^/\n]|/[^/\n]|//[^ \n])[^\n]*" stray "${source}")
if(stray)
  message(FATAL_ERROR "serviceinterface.h: a line of the threads text is not a // comment:${stray}")
endif()
string(REPLACE "\n// " "\n" source "${source}")
# Each replacement consumes the newline before the next "//": repeat.
while(source MATCHES "\n//\n")
  string(REPLACE "\n//\n" "\n\n" source "${source}")
endwhile()
string(SUBSTRING "${source}" 1 -1 source)

find_region("${readme}" "README.md" r)
string(SUBSTRING "${readme}" ${r_start} ${r_length} copy)

if(copy STREQUAL source)
  return()
endif()
if(UPDATE)
  string(SUBSTRING "${readme}" 0 ${r_start} head)
  math(EXPR tail_start "${r_start} + ${r_length}")
  string(SUBSTRING "${readme}" ${tail_start} -1 tail)
  file(WRITE ${readme_file} "${head}${source}${tail}")
  message(STATUS "README.md: threads-and-blocking text copied from serviceinterface.h")
  return()
endif()
message(FATAL_ERROR
  "README.md's threads-and-blocking text differs from the comment in "
  "RobotSDK/interface/serviceinterface.h, which is its source. Edit the header, then run\n"
  "  cmake -DSOURCE_DIR=${SOURCE_DIR} -DUPDATE=ON -P ${CMAKE_CURRENT_LIST_FILE}")
