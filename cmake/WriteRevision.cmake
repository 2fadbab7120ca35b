# Writes OUTPUT, a source file that gives the git revision of SOURCE_DIR, and
# touches it only when the revision changed, so that a build without a new
# commit rebuilds nothing.
#   cmake -DSOURCE_DIR=<checkout> -DOUTPUT=<file.cpp> -P WriteRevision.cmake
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
  OUTPUT_VARIABLE revision RESULT_VARIABLE failed
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed OR revision STREQUAL "")
  set(revision unknown)
else()
  execute_process(COMMAND git -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
    OUTPUT_VARIABLE changes RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT changes STREQUAL "")
    string(APPEND revision -modified)
  endif()
endif()
set(text "#include \"TavrionVersion.h\"\n\nconst char* TavrionBuildRevision() {\n  return \"${revision}\";\n}\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
