# The Windows package: a ZIP (plessard-vellicor-VERSION-win32.zip, or
# -win64) whose one folder holds the two programs, play.cmd, the README,
# the licence and the example tone description file. Both programs carry
# a version resource.
enable_language(RC)
function(add_version_resource NAME DESCRIPTION)
  set(resource ${CMAKE_CURRENT_BINARY_DIR}/packaging/${NAME}_version.rc)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/windows/version.rc.in ${resource} @ONLY)
  target_sources(${NAME} PRIVATE ${resource})
endfunction()
add_version_resource(plessard "plessard - tone bank generator")
add_version_resource(vellicor "vellicor - keyboard tone player")

# cmd.exe reads batch files with Windows line ends.
set(play_cmd ${CMAKE_CURRENT_BINARY_DIR}/packaging/play.cmd)
configure_file(${CMAKE_CURRENT_LIST_DIR}/../packaging/windows/play.cmd ${play_cmd} @ONLY NEWLINE_STYLE CRLF)

install(TARGETS plessard vellicor RUNTIME DESTINATION .)
install(FILES README.md LICENSE ${play_cmd} DESTINATION .)
install(FILES examples/organ.tgw DESTINATION examples)

set(CPACK_GENERATOR ZIP)
include(CPack)
