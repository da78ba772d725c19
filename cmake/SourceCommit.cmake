# Writes OUTPUT, a header naming the commit SOURCE is checked out at ("-modified" when tracked files
# differ from it), or "unknown" outside a git checkout. Rewritten only when that changes, so a build
# recompiles the one file that reads it only then.
set(commit unknown)
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE}" rev-parse HEAD
    OUTPUT_VARIABLE head RESULT_VARIABLE failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed AND head MATCHES "^[0-9a-f]+$")
    set(commit "${head}")
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE}" status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes ERROR_QUIET)
    if(changes)
      string(APPEND commit "-modified")
    endif()
  endif()
endif()
file(WRITE "${OUTPUT}.new" "#pragma once\n#define SYLVARA_COMMIT \"${commit}\"\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
