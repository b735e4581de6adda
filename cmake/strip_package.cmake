# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once the install tree is staged (CPACK_PRE_BUILD_SCRIPTS), after CPACK_STRIP_FILES
# took the debug sections out: drops the compiler's .comment and .note sections from the
# programs, as dh_strip does.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  if(NOT IS_SYMLINK "${program}")
    execute_process(COMMAND "${CPACK_NATTERVANE_STRIP}" --remove-section=.comment
                            --remove-section=.note "${program}"
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${CPACK_NATTERVANE_STRIP} failed on ${program}")
    endif()
  endif()
endforeach()
