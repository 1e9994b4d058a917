# What `cmake --install` puts on a machine, and the Debian package CPack makes of it
# (`make package`): the two programs, the desktop entry and its icon, the man page of tqconv and
# its bash completion.
include(GNUInstallDirs)

install(TARGETS tqconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tqconverter)
  install(TARGETS tqconverter RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${packaging}/tqconverter.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/tqconverter.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/tqconv.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/tqconv.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME tqconv)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tqconverter)
set(CPACK_PACKAGE_VENDOR "Plant engineering")
set(CPACK_PACKAGE_CONTACT "Plant engineering <plant-engineering@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts TQ5A PLC projects into TQ6A projects")
set(CPACK_PACKAGE_DESCRIPTION
    "A dialog program (tqconverter) and a command-line companion (tqconv) that convert PLC programming projects made for the TQ5A into projects for the TQ6A, keeping the PLC system settings and the unit settings.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the programs link, as dpkg-shlibdeps (dpkg-dev) finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Japanese dialogs need a Japanese font, and Qt's own dialogs their translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
