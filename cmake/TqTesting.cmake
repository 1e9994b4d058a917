# tq_add_gtest(NAME source...): one GoogleTest executable over tqcore.
# Every test case gets its own TMPDIR (see tests/support/test_main.cpp).
include(GoogleTest)
if(NOT TARGET GTest::gtest)
  find_package(GTest REQUIRED)
endif()

function(tq_add_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE tqtestsupport tqcore GTest::gtest)
  if(MINGW)
    # g++ 12 for mingw-w64 at -O3 takes some string copies inside libstdc++ for overlapping ones
    # (a known false -Wrestrict): kept visible, not fatal.
    target_compile_options(${name} PRIVATE -Wno-error=restrict)
  endif()
  set(tmp ${CMAKE_BINARY_DIR}/test-tmp/${name})
  file(MAKE_DIRECTORY ${tmp})
  # One variable only: discovery splits a list of them. The source and build folders reach
  # the tests as compile definitions of tqtestsupport instead.
  # Under Wine the listing of a program's tests may wait for the prefix to be made (10-15 s).
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "TMPDIR=${tmp}")
endfunction()
