# What `cmake --install` puts in place and what `cpack` packs, from the
# project's one version: on Linux a .deb (the program, its desktop entry,
# AppStream data and icons, the man page, the README and the screenshot it
# shows, the licence as a Debian copyright file and a changelog), on Windows
# a zip (the stripped .exe, a README for Windows users and the licence, both
# with CR LF line ends).
include(GNUInstallDirs)

# Where the project's pages live; the AppStream data points there for the
# homepage and the screenshot. A packager with a real site sets it.
set(QUORVANT_HOMEPAGE "https://quorvant.example.org" CACHE STRING
    "Homepage named by the AppStream data")
set(QUORVANT_RELEASE_DATE "2026-12-10")
set(QUORVANT_SCREENSHOT_URL "${QUORVANT_HOMEPAGE}/screenshots/linux-main.png")

# Text files for Windows users: Windows editors of old want CR LF.
function(quorvant_crlf_file source target)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${target} "${text}")
endfunction()

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

  # A text for Windows users, not the project's markdown.
  configure_file(${packaging_dir}/README-windows.txt ${packaging_out}/README-windows.txt @ONLY)
  quorvant_crlf_file(${packaging_out}/README-windows.txt ${packaging_out}/README.txt)
  quorvant_crlf_file(${PROJECT_SOURCE_DIR}/LICENSE ${packaging_out}/LICENSE.txt)
  install(FILES ${packaging_out}/README.txt ${packaging_out}/LICENSE.txt DESTINATION .)

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
  # The README as installed links only what the package holds: a link to a
  # file of the source tree alone keeps its text.
  file(READ ${PROJECT_SOURCE_DIR}/README.md readme_text)
  string(REGEX REPLACE "\\[([^]]*)\\]\\((docs/DEVELOPING\\.md|docs/screenshots/|[a-z]+/README\\.md|LICENSE)\\)"
         "\\1" readme_text "${readme_text}")
  file(WRITE ${packaging_out}/README.md "${readme_text}")
  install(FILES ${packaging_out}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The licence in Debian's machine-readable copyright format: its text,
  # each line indented by one blank and an empty line written as " .".
  # From "Permission": the title and copyright lines are fields of their own.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
  string(FIND "${license_text}" "Permission" license_start)
  string(SUBSTRING "${license_text}" ${license_start} -1 license_text)
  string(STRIP "${license_text}" license_text)
  string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
  string(REPLACE "\n" "\n " license_body " ${license_text}\n")
  file(WRITE ${packaging_out}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: ${PROJECT_NAME}\n"
       "\n"
       "Files: *\n"
       "Copyright: 2026 the quorvant developers\n"
       "License: Expat\n"
       "${license_body}")
  install(FILES ${packaging_out}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The man page carries the version.
  configure_file(${packaging_dir}/quorvant.1 ${packaging_out}/quorvant.1 @ONLY)
  # A native package carries its changelog; it and the man page are
  # compressed as Debian wants them, at gzip's best and without a time stamp,
  # which keeps the package the same from build to build.
  file(WRITE ${packaging_out}/changelog
       "${PROJECT_NAME} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}.\n\n"
       " -- ${CPACK_PACKAGE_CONTACT}  Thu, 10 Dec 2026 12:00:00 +0000\n")
  find_program(GZIP_PROGRAM gzip REQUIRED)
  execute_process(COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${packaging_out}/changelog
                  ${packaging_out}/quorvant.1 COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${packaging_out}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

  configure_file(${packaging_dir}/quorvant.metainfo.xml.in
                 ${packaging_out}/org.example.quorvant.metainfo.xml @ONLY)
  install(FILES ${packaging_out}/org.example.quorvant.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The images the README shows, at the same relative place, so that a
  # viewer of the installed README finds them.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/screenshots/linux-main.png
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs/screenshots)
  # The program recognises an installation by this folder beside its bin/
  # and then keeps its setup file in the user's config folder.
  install(FILES ${packaging_dir}/share-README.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/${PROJECT_NAME} RENAME README)

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
