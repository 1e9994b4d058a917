# The Windows distributables, made by the target windows-packages (`make windows`) beside the
# programs in the build folder:
#   tqconverter-VERSION-windows-x64.zip        tqconverter.exe, tqconv.exe, README.txt in English
#                                              and Japanese, licenses/ of what is linked in
#   tqconverter-VERSION-windows-x64-setup.exe  the same as a per-user installer (NSIS)
find_program(MAKENSIS makensis)
set(package_name tqconverter-${PROJECT_VERSION}-windows-x64)
set(package_root ${CMAKE_BINARY_DIR}/package)
set(stage ${package_root}/${package_name})
set(zip ${CMAKE_BINARY_DIR}/${package_name}.zip)
set(setup ${CMAKE_BINARY_DIR}/${package_name}-setup.exe)
set(windows_packaging ${PROJECT_SOURCE_DIR}/packaging/windows)

set(readme ${package_root}/README.txt)
configure_file(${windows_packaging}/README.txt.in ${readme} @ONLY NEWLINE_STYLE CRLF)
# The code linked into both programs besides ours: pugixml (MIT, from the source package the
# build compiles), the mingw-w64 runtime and winpthreads, and GCC's libstdc++ and libgcc under the
# GCC Runtime Library Exception (Debian's copyright files of the packages that ship them).
get_filename_component(pugixml_licence ${pugixml_source_dir}/../LICENSE.md ABSOLUTE)
set(licences
  ${pugixml_licence} pugixml.txt
  /usr/share/doc/mingw-w64-x86-64-dev/copyright mingw-w64-runtime.txt
  /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime-libraries.txt)

set(copy_licences)
set(licence_files)
while(licences)
  list(POP_FRONT licences from to)
  list(APPEND copy_licences COMMAND ${CMAKE_COMMAND} -E copy ${from} ${stage}/licenses/${to})
  list(APPEND licence_files ${from})
endwhile()

add_custom_command(
  OUTPUT ${zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/licenses
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:tqconverter> $<TARGET_FILE:tqconv> ${readme} ${stage}
  ${copy_licences}
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_root} ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${package_name}
  DEPENDS tqconverter tqconv ${readme} ${licence_files}
  COMMENT "Packing ${package_name}.zip"
  VERBATIM)

set(packages ${zip})
if(MAKENSIS)
  add_custom_command(
    OUTPUT ${setup}
    COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage}
            -DICON=${CMAKE_BINARY_DIR}/src/win32/tqconverter.ico -DOUTFILE=${setup} ${windows_packaging}/tqconverter.nsi
    DEPENDS ${zip} ${windows_packaging}/tqconverter.nsi
    COMMENT "Building the installer ${package_name}-setup.exe"
    VERBATIM)
  list(APPEND packages ${setup})
else()
  message(STATUS "makensis not found (Debian package nsis): no installer")
endif()
# A build with the tests makes them too: the install check runs on the installer (tests/win32).
set(build_always)
if(TQ_BUILD_TESTS)
  set(build_always ALL)
endif()
add_custom_target(windows-packages ${build_always} DEPENDS ${packages})
set(TQ_WINDOWS_SETUP ${setup})
