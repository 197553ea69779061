# What `cmake --install` puts in place and what `cpack` packs, from the
# project's one version: on Linux a .deb (the program, its desktop entry and
# icons, the man page, the README and the screenshot it shows), on Windows a
# zip (the stripped .exe and a README for Windows users with CR LF line ends).
include(GNUInstallDirs)

set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
set(purpose "Interactive serial terminal for commissioning serial links and serial devices")

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${purpose})
set(CPACK_PACKAGE_CONTACT "quorvant developers <quorvant@example.org>")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  install(TARGETS quorvant RUNTIME DESTINATION .)

  # A text for Windows users, not the project's markdown; Windows editors of
  # old want CR LF.
  configure_file(${packaging_dir}/README-windows.txt ${packaging_out}/README-windows.txt @ONLY)
  file(READ ${packaging_out}/README-windows.txt readme_text)
  string(REPLACE "\r\n" "\n" readme_text "${readme_text}")
  string(REPLACE "\n" "\r\n" readme_text "${readme_text}")
  file(WRITE ${packaging_out}/README.txt "${readme_text}")
  install(FILES ${packaging_out}/README.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
else()
  install(TARGETS quorvant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${packaging_dir}/quorvant.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${packaging_dir}/icons/quorvant-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME quorvant.png)
  endforeach()
  install(FILES ${packaging_dir}/icons/quorvant.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The images the README shows, at the same relative place, so that a
  # viewer of the installed README finds them.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/screenshots/linux-main.png
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs/screenshots)
  # The program recognises an installation by this folder beside its bin/
  # and then keeps its setup file in the user's config folder.
  install(FILES ${packaging_dir}/share-README.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME} RENAME README)

  # The man page carries the version; Debian keeps man pages compressed.
  configure_file(${packaging_dir}/quorvant.1 ${packaging_out}/quorvant.1 @ONLY)
  file(ARCHIVE_CREATE OUTPUT ${packaging_out}/quorvant.1.gz PATHS ${packaging_out}/quorvant.1
       FORMAT raw COMPRESSION GZip)
  install(FILES ${packaging_out}/quorvant.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION comm)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The Qt 6 and xkbcommon libraries as dpkg-shlibdeps finds them in the
  # binary, and the font the window is laid out with.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # CPack puts the summary above it and indents it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "One always-on-top window on one serial port that sends every key as one\nbyte, shows what arrives as text, hexadecimal or decoded records, sends and\nchecks a numbered test stream and shows the modem lines.")
endif()

include(CPack)
