# Install rules and the Debian package: `cmake --install build` puts the two
# programs, the launcher vellicor-play with the desktop's menu entry, icon
# and AppStream data, the manual pages and the documentation under the prefix;
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
install(PROGRAMS packaging/desktop/vellicor-play DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the changelog are installed compressed the way Debian
# does it: gzip -9, without a name or time stamp, so the package is
# reproducible.
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(source man/plessard.1 man/vellicor.1 man/vellicor-play.1 packaging/debian/changelog)
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

# The icon theme asks every application for at least a 48x48 PNG besides
# the SVG; it is rendered from the SVG, so the two never drift apart.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${CMAKE_CURRENT_SOURCE_DIR}/packaging/desktop/vellicor.svg)
set(icon_png ${CMAKE_CURRENT_BINARY_DIR}/packaging/48x48/vellicor.png)
add_custom_command(OUTPUT ${icon_png}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging/48x48
  COMMAND ${RSVG_CONVERT} --width 48 --height 48 --output ${icon_png} ${icon_svg}
  DEPENDS ${icon_svg}
  VERBATIM)
add_custom_target(icon_png ALL DEPENDS ${icon_png})

set(packaged ${CMAKE_CURRENT_BINARY_DIR}/packaging)
install(FILES ${packaged}/plessard.1.gz ${packaged}/vellicor.1.gz ${packaged}/vellicor-play.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/desktop/vellicor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${icon_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES packaging/desktop/org.example.vellicor.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
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
