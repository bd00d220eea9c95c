# Writes OUT, a header naming the commit the sources were built from (with
# "-dirty" when tracked files differ from it, "unknown" outside a git
# checkout). Run at every build; OUT is rewritten only when the name
# changes, so an unchanged commit recompiles nothing.
execute_process(COMMAND git -C "${SOURCE}" rev-parse --short=12 HEAD
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed ERROR_QUIET)
if(failed OR commit STREQUAL "")
  set(commit "unknown")
else()
  execute_process(COMMAND git -C "${SOURCE}" status --porcelain --untracked-files=no
                  OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT changes STREQUAL "")
    string(APPEND commit "-dirty")
  endif()
endif()
set(text "#pragma once\n#define CURLING_BUILD_COMMIT \"${commit}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
