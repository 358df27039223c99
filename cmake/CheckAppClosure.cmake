# Checks that building `twinsweep-app` (what `make run` builds) needs no test
# or benchmark program: every input of its dependency closure is listed by
# ninja, and none may come from the test suite or the benchmarks.
# Run with -DBUILD_DIR=… -DSOURCE_DIR=… -DNINJA=… [-DTARGET=…]
cmake_policy(SET CMP0007 NEW)
if(NOT TARGET)
  set(TARGET twinsweep-app)
endif()
execute_process(
  COMMAND ${NINJA} -C ${BUILD_DIR} -t inputs ${TARGET}
  OUTPUT_VARIABLE inputs
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ninja could not list the inputs of ${TARGET} (status ${status})")
endif()
string(REPLACE "\n" ";" inputs "${inputs}")

set(offending "")
set(has_program FALSE)
set(has_helper FALSE)
foreach(input IN LISTS inputs)
  if(input STREQUAL "")
    continue()
  endif()
  # Paths are relative to the build folder, or absolute for sources.
  set(from_source "")
  if(IS_ABSOLUTE "${input}")
    file(RELATIVE_PATH from_source ${SOURCE_DIR} ${input})
  endif()
  if(input MATCHES "(^|/)tests/" OR input MATCHES "(^|/)Tests/"
     OR input MATCHES "TestSupport" OR input MATCHES "libgtest|libgmock"
     OR from_source MATCHES "^(Tests|bench)/" OR input MATCHES "(^|/)bench/")
    list(APPEND offending "${input}")
  endif()
  if(input MATCHES "Twinsweep\\.dir/Main/main\\.cpp\\.o$")
    set(has_program TRUE)
  endif()
  if(input MATCHES "PlugIns/Statwick$")
    set(has_helper TRUE)
  endif()
endforeach()

if(offending)
  list(REMOVE_DUPLICATES offending)
  list(JOIN offending "\n  " text)
  message(FATAL_ERROR "${TARGET} depends on test or benchmark files:\n  ${text}")
endif()
if(NOT has_program OR NOT has_helper)
  message(FATAL_ERROR "${TARGET} does not build the program and its helper (program: ${has_program}, helper: ${has_helper})")
endif()
list(LENGTH inputs count)
message(STATUS "${TARGET}: ${count} inputs, none from the tests or benchmarks")
