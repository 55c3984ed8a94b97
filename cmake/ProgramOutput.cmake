# Writes what a program of the build prints for one of its flags, so that
# man pages and shell completions are made from the programs' own command
# lines. Run with cmake -P and:
#   PROGRAM, FLAG    the program and the flag that makes it print the text
#   OUTPUT           the file to write
#   TEMPLATE, PLACEHOLDER, VERSION   (optional) scdoc source whose @PLACEHOLDER@
#                    line takes the text and whose @VERSION@ the version
#   SCDOC            (optional) turn the result into roff with this scdoc
#   GZIP             (optional) compress the result with this gzip (-9n)
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${PROGRAM} ${FLAG} OUTPUT_VARIABLE text RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${FLAG} failed: ${status}")
endif()
if(TEMPLATE)
  file(READ ${TEMPLATE} page)
  string(REPLACE "@${PLACEHOLDER}@" "${text}" page "${page}")
  string(REPLACE "@VERSION@" "${VERSION}" text "${page}")
endif()
set(stage ${OUTPUT}.stage)
file(WRITE ${stage} "${text}")
if(SCDOC)
  execute_process(COMMAND ${SCDOC} INPUT_FILE ${stage} OUTPUT_FILE ${stage}.roff RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "scdoc failed on the page made from ${TEMPLATE}")
  endif()
  file(RENAME ${stage}.roff ${stage})
endif()
if(GZIP)
  execute_process(COMMAND ${GZIP} -9nf ${stage} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${stage}")
  endif()
  file(RENAME ${stage}.gz ${OUTPUT})
else()
  file(RENAME ${stage} ${OUTPUT})
endif()
