# Install rules and the Debian package: `cmake --install build` puts the two
# programs, their manual pages and the documentation under the prefix;
# `cpack --config build/CPackConfig.cmake` builds the .deb from the same rules.
# A Windows build packs a ZIP instead (PackagingWindows.cmake).

set(KIT_PACKAGE_NAME plessard-vellicor)
set(CPACK_PACKAGE_NAME ${KIT_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The plessard and vellicor authors")
set(CPACK_PACKAGE_CONTACT "The plessard and vellicor authors <authors@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tone-bank generator and keyboard player")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/PackagingWindows.cmake)
  return()
endif()

# The documentation directory is named after the package, not the project.
set(CMAKE_INSTALL_DOCDIR "share/doc/${KIT_PACKAGE_NAME}"
  CACHE PATH "documentation root (DATAROOTDIR/doc/${KIT_PACKAGE_NAME})")
include(GNUInstallDirs)

# Directories a umask of 002 would leave group-writable, which Debian refuses.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS plessard vellicor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the changelog are installed compressed the way Debian
# does it: gzip -9, without a name or time stamp, so the package is
# reproducible.
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(source man/plessard.1 man/vellicor.1 packaging/debian/changelog)
  get_filename_component(name ${source} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${copy}
    COMMAND ${GZIP} -9nf ${copy}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND compressed ${copy}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})

set(packaged ${CMAKE_CURRENT_BINARY_DIR}/packaging)
install(FILES ${packaged}/plessard.1.gz ${packaged}/vellicor.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md LICENSE packaging/debian/copyright ${packaged}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES examples/organ.tgw DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION "plessard renders a bank of 128 tone slots, equal-tempered sine tones or the
tones of a .tgw tone description file, into raw 16-bit PCM sample files.
vellicor loads one such bank, opens a window and plays its slots from the
computer keyboard through PipeWire, PulseAudio or SDL2 audio, one looping
voice per held key.")

include(CPack)
