# Compiles the folders that depend on nothing but each other (the platform layer with its Win32
# side, the codec and its file side in packed/) with the MinGW cross compiler, so that the
# Windows code keeps building without a Windows machine.
# Run as: cmake -DSOURCE_DIR=... -DOUTPUT_DIR=... -P CompileForWindows.cmake
find_program(MINGW_CXX x86_64-w64-mingw32-g++)
if(NOT MINGW_CXX)
  message(FATAL_ERROR "x86_64-w64-mingw32-g++ not found (Debian package g++-mingw-w64-x86-64)")
endif()
file(GLOB sources ${SOURCE_DIR}/src/platform/*.cpp ${SOURCE_DIR}/src/implode/*.cpp
     ${SOURCE_DIR}/src/packed/*.cpp)
file(MAKE_DIRECTORY ${OUTPUT_DIR})
foreach(source IN LISTS sources)
  get_filename_component(name ${source} NAME_WE)
  execute_process(
    COMMAND ${MINGW_CXX} -std=c++20 -Wall -Wextra -Werror -I${SOURCE_DIR}/src -c ${source}
            -o ${OUTPUT_DIR}/${name}.obj
    RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${source} does not compile for Windows")
  endif()
  message(STATUS "compiled for Windows: ${source}")
endforeach()
