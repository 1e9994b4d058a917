# tq_version_resource(TARGET DESCRIPTION): the Windows version information of a program, from
# the project's version, the target's name and the description Explorer shows for the file.
function(tq_version_resource target description)
  set(TQ_RC_NAME ${target})
  set(TQ_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
