# Builds the check whose SQL text comes from a buffer filled at run time and
# passes only when the compiler refuses it for that reason: a build that
# succeeds, or fails on anything else, fails the test.
#   cmake -DBUILD_DIR=... -DTARGET=... -P sql_rejected.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C
                        ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "SQL text from a run-time buffer compiled")
endif()
# GCC names the Sql constructor it could not evaluate and the buffer;
# Clang says the consteval call is no constant expression.
set(gcc_call "in [^ ]*constexpr[^ ]* expansion of [^ ]*talvec::Sql\\(buffer\\)")
set(gcc_cause "error: the value of [^ ]*buffer[^ ]* is not usable in a constant expression")
set(clang "error: call to consteval function [^ ]*talvec::Sql::Sql")
if((output MATCHES "${gcc_call}" AND output MATCHES "${gcc_cause}") OR output MATCHES "${clang}")
  message(STATUS "refused as expected")
else()
  message(FATAL_ERROR "the build failed, but not for the SQL text:\n${output}")
endif()
