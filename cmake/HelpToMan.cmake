# Writes the man page of a program from its own --help, so that the page says
# what the program says. A program whose help lists "Commands:" gets the help
# of each command too.
#
#   cmake -DPROGRAM=path/to/program -DOUTPUT=program.1 -DVERSION=0.1.0 -P HelpToMan.cmake
#
# The help's first paragraph becomes NAME and DESCRIPTION, its "Usage:" lines
# SYNOPSIS, and each unindented heading ending in a colon ("Options:") a
# section of its own; the text is kept line for line, as --help lays it out.

function(help_of out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help
    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} --help exited with ${status}: ${err}")
  endif()
  # A default below the home directory of whoever built the page reads as ~.
  string(REGEX REPLACE "\\[default: /[^]\n]*/(ac_base_dats/)" "[default: ~/\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as roff shows it verbatim: backslashes and hyphens escaped, and no line
# taken for a request.
function(roff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The help text, line by line, with its headings as sections and the rest
# kept as laid out.
function(roff_body out text)
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(body "")
  set(open FALSE)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Z][a-z]+):$")
      string(TOUPPER "${CMAKE_MATCH_1}" heading)
      if(open)
        string(APPEND body ".fi\n")
      endif()
      string(APPEND body ".SH ${heading}\n.nf\n")
      set(open TRUE)
    else()
      if(NOT open)
        string(APPEND body ".nf\n")
        set(open TRUE)
      endif()
      roff_escape(line "${line}")
      string(APPEND body "${line}\n")
    endif()
  endforeach()
  if(open)
    string(APPEND body ".fi\n")
  endif()
  set(${out} "${body}" PARENT_SCOPE)
endfunction()

get_filename_component(name "${PROGRAM}" NAME)
string(TOUPPER "${name}" title)
help_of(help)

# The first paragraph, then the usage lines, then the rest.
string(FIND "${help}" "\n\n" paragraph_end)
string(SUBSTRING "${help}" 0 ${paragraph_end} about)
string(REPLACE "\n" " " about "${about}")
string(REGEX MATCH "Usage: [^\n]*(\n       [^\n]*)*" usage "${help}")
string(FIND "${help}" "${usage}" usage_at)
string(LENGTH "${usage}" usage_length)
math(EXPR rest_at "${usage_at} + ${usage_length}")
string(SUBSTRING "${help}" ${rest_at} -1 rest)
string(REGEX REPLACE "^\n+" "" rest "${rest}")
string(REGEX REPLACE "\n+$" "" rest "${rest}")
string(REGEX REPLACE "(^|\n)(Usage: |       )" "\\1" synopsis "${usage}")

roff_escape(name_roff "${name}")
roff_escape(about_roff "${about}")
roff_escape(synopsis "${synopsis}")
roff_body(body "${rest}")
set(page ".TH ${title} 1 \"\" \"brackwater ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${name_roff} \\- ${about_roff}\n")
string(APPEND page ".SH SYNOPSIS\n.nf\n${synopsis}\n.fi\n")
string(APPEND page ".SH DESCRIPTION\n${about_roff}\n")
string(APPEND page "${body}")

# The commands listed in the help, each with its own help.
string(REGEX MATCH "\nCommands:\n(  [^\n]*\n)+" listing "${help}")
string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${listing}")
if(commands)
  string(APPEND page ".SH COMMAND DETAILS\n")
  foreach(command IN LISTS commands)
    string(STRIP "${command}" command)
    help_of(command_help ${command})
    roff_escape(command_help "${command_help}")
    string(APPEND page ".SS ${command}\n.nf\n${command_help}.fi\n")
  endforeach()
endif()

file(WRITE "${OUTPUT}" "${page}")
