# Writes the help page with its command-line reference filled in from vorsk-cli itself, so the
# page names exactly the commands and options the program takes.
#   cmake -DCLI=<vorsk-cli> -DPAGE=<vorsk.html> -DPAGE_OUT=<page to write> -P cli_reference.cmake
# The marker line "<!-- vorsk-cli reference -->" in PAGE is replaced by the output of
# "vorsk-cli --help" and, for each command its "Commands:" list names, of
# "vorsk-cli <command> --help", each in a section of its own.
foreach(var CLI PAGE PAGE_OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "cli_reference.cmake needs -D${var}=...")
  endif()
endforeach()

function(cli_help out_var)
  execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status
                  ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "'vorsk-cli ${ARGN} --help' failed (${status}): ${errors}")
  endif()
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

cli_help(usage)
# The command names: the lines "  name   summary" between "Commands:" and the next blank line.
string(REGEX MATCH "Commands:\n(.*)" rest "${usage}")
string(REGEX REPLACE "\n\n.*" "" list "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "(^|\n)  [a-z][a-z0-9-]* " lines "${list}")
set(commands)
foreach(line ${lines})
  string(STRIP "${line}" name)
  list(APPEND commands ${name})
endforeach()
if(NOT commands)
  message(FATAL_ERROR "no commands in 'vorsk-cli --help'")
endif()

set(html "<pre class=\"cli\">${usage}</pre>\n")
foreach(command ${commands})
  cli_help(text ${command})
  string(APPEND html "<h3 id=\"cli-${command}\">vorsk-cli ${command}</h3>\n<pre class=\"cli\">${text}</pre>\n")
endforeach()

file(READ ${PAGE} page)
string(FIND "${page}" "<!-- vorsk-cli reference -->" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE} has no <!-- vorsk-cli reference --> line")
endif()
string(REPLACE "<!-- vorsk-cli reference -->" "${html}" page "${page}")
file(WRITE ${PAGE_OUT}.new "${page}")
file(RENAME ${PAGE_OUT}.new ${PAGE_OUT})
