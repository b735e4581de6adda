# SPDX-License-Identifier: GPL-3.0-or-later
# Fails unless each of FILES defines the methods of the desktop class PRESENT and names nothing
# of the class ABSENT, as the symbol table (read with NM) shows.
foreach(file IN LISTS FILES)
  execute_process(COMMAND ${NM} -C ${file} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${file}")
  endif()
  if(NOT symbols MATCHES " T ${PRESENT}::notify\\(")
    message(FATAL_ERROR "${file} does not define ${PRESENT}::notify")
  endif()
  if(symbols MATCHES "${ABSENT}")
    message(FATAL_ERROR "${file} holds ${ABSENT}")
  endif()
endforeach()
message(STATUS "${PRESENT} in ${FILES}, no ${ABSENT}")
