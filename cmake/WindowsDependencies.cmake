enable_language(RC)

# The Windows build's third-party code, built in the build tree from Debian's own sources:
# pugixml from its source package (fetched once with apt-get source), GoogleTest from
# /usr/src/googletest (libgtest-dev). Programs run through Wine, with a prefix of this build's.
set(pugixml_parent ${CMAKE_BINARY_DIR}/_deps/pugixml)
file(GLOB pugixml_source_dir LIST_DIRECTORIES true ${pugixml_parent}/pugixml-*/src)
if(NOT pugixml_source_dir)
  find_program(APT_GET apt-get REQUIRED)
  file(MAKE_DIRECTORY ${pugixml_parent})
  message(STATUS "Fetching pugixml's Debian source package into ${pugixml_parent}")
  execute_process(
    COMMAND ${APT_GET} source -qq -o APT::Sandbox::User=root pugixml
    WORKING_DIRECTORY ${pugixml_parent}
    RESULT_VARIABLE fetched
    OUTPUT_QUIET)
  file(GLOB pugixml_source_dir LIST_DIRECTORIES true ${pugixml_parent}/pugixml-*/src)
  if(NOT fetched EQUAL 0 OR NOT pugixml_source_dir)
    message(FATAL_ERROR "apt-get source pugixml failed: scripts/bootstrap adds the deb-src entry it needs")
  endif()
endif()
add_library(pugixml STATIC ${pugixml_source_dir}/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${pugixml_source_dir})
add_library(pugixml::pugixml ALIAS pugixml)

if(TQ_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# Every program run by the build or CTest goes through Wine (scripts/wine-test), in a prefix of
# this build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-test ${CMAKE_BINARY_DIR}/wine-prefix)
