# tq_add_gtest(NAME source...): one GoogleTest executable over tqcore.
# Every test case gets its own TMPDIR (see tests/support/test_main.cpp).
include(GoogleTest)
if(NOT TARGET GTest::gtest)
  find_package(GTest REQUIRED)
endif()

function(tq_add_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tqtestsupport tqcore GTest::gtest)
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp/${name})
  file(MAKE_DIRECTORY ${tmp})
  # One variable only: discovery splits a list of them. The source and build folders reach
  # the tests as compile definitions of tqtestsupport instead.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TMPDIR=${tmp}")
endfunction()
