# Turns an HTML file into a header holding it as one C++ string constant.
#   cmake -DIN=page.html -DOUT=page.h -DNAME=kPage -P embed.cmake
file(READ "${IN}" content)
string(FIND "${content}" ")tevopage\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} contains the raw-string delimiter )tevopage\"")
endif()
get_filename_component(src "${IN}" NAME)
file(WRITE "${OUT}.tmp"
  "// Generated from sim/web/${src} at build time; edit that file instead.\n"
  "#pragma once\n\nnamespace tevo_sim {\n\n"
  "inline constexpr char ${NAME}[] = R\"tevopage(${content})tevopage\";\n\n"
  "}  // namespace tevo_sim\n")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
