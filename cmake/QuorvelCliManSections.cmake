# SPDX-License-Identifier: MIT
# cmake -DCLI=PATH -DOUTPUT=FILE -P QuorvelCliManSections.cmake
# Writes a help2man include file with one section per quorvel-cli sub-command, made
# of that sub-command's own --help, so that `man quorvel-cli` shows every option of
# every sub-command the program has.

foreach(_required CLI OUTPUT)
  if(NOT DEFINED ${_required})
    message(FATAL_ERROR "QuorvelCliManSections: -D${_required}=... is required")
  endif()
endforeach()

execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE _help RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${_status})")
endif()
string(REGEX MATCHALL "\n  quorvel-cli [a-z][a-z0-9-]*" _listed "${_help}")

set(_sections "[SUB-COMMANDS]\n")
foreach(_line IN LISTS _listed)
  string(REGEX REPLACE "\n  quorvel-cli " "" _name "${_line}")
  execute_process(COMMAND ${CLI} ${_name} --help OUTPUT_VARIABLE _text RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${_name} --help failed (${_status})")
  endif()
  # roff: a backslash is written \e, a minus \-, and a line may not start with a dot
  # or an apostrophe (a request).
  string(REPLACE "\\" "\\e" _text "${_text}")
  string(REPLACE "-" "\\-" _text "${_text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" _text "${_text}")
  string(APPEND _sections ".SS \"quorvel\\-cli ${_name}\"\n.nf\n${_text}.fi\n")
endforeach()
file(WRITE ${OUTPUT} "${_sections}")
