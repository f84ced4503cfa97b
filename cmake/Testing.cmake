# ml_add_test_suite(NAME LIBS... GLOBS...): one GoogleTest executable from every *_test.cpp that
# the globs find, registered with CTest as one test.
function(ml_add_test_suite name)
  cmake_parse_arguments(ARG "" "" "LIBS;GLOBS" ${ARGN})
  file(GLOB_RECURSE test_sources CONFIGURE_DEPENDS ${ARG_GLOBS})
  add_executable(${name} ${test_sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ML_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             ML_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  # A fault that makes a test hang fails it within minutes, also under the sanitizers.
  set_tests_properties(${name} PROPERTIES TIMEOUT 180)
endfunction()
