# tq_add_gtest(NAME source...): one GoogleTest executable over tqcore.
# Every test case gets its own TMPDIR (see tests/support/test_main.cpp).
include(GoogleTest)
find_package(GTest REQUIRED)

function(tq_add_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tqtestsupport tqcore GTest::gtest)
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp/${name})
  file(MAKE_DIRECTORY ${tmp})
  # The list separators are escaped so that every variable reaches the test, not just the first.
  set(environment
      "TMPDIR=${tmp}"
      "TQ_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
      "TQ_BINARY_DIR=${PROJECT_BINARY_DIR}"
      "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  string(REPLACE ";" "\\;" environment "${environment}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${environment}")
endfunction()
