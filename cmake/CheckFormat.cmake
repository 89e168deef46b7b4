# Fails when a source file is not laid out as .clang-format says.
#   cmake -DSOURCE_DIR=<tree> -DCLANG_FORMAT=<clang-format> -P CheckFormat.cmake
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/ui/*.cpp ${SOURCE_DIR}/ui/*.h
  ${SOURCE_DIR}/preview/*.cpp ${SOURCE_DIR}/preview/*.h ${SOURCE_DIR}/printer/*.cpp ${SOURCE_DIR}/printer/*.h
  ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
  ${SOURCE_DIR}/examples/*.cpp ${SOURCE_DIR}/examples/*.h)
list(FILTER sources EXCLUDE REGEX "^tests/data/")
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result ERROR_VARIABLE report)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Not laid out as .clang-format says (run clang-format -i on these files):\n${report}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources laid out as .clang-format says")
