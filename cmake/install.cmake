# Installation (cmake --install) and the Debian package (make package, CPack's DEB generator).
#
#   bin/mirelk-cli, bin/mirelk          the programs
#   lib/mirelk/LibAV/libmyutil.so       the support library (the codec libraries come from the
#                                       system unless a LibAV folder beside the programs has them)
#   lib/mirelk/vhook/                   the hook modules, their companion library and pictures
#   lib/mirelk/help_*.html              the desktop program's help pages, one a language
#   share/man/man1/mirelk-cli.1.gz      the manual page
#   share/bash-completion/completions/mirelk-cli
#   share/applications/mirelk.desktop, share/icons/hicolor/scalable/apps/mirelk.svg
#
# The programs find lib/mirelk from their own place (SupportFolder), so the tree works under any
# prefix, and unpacked anywhere.
include(GNUInstallDirs)
set(MIRELK_INSTALL_SUPPORT_DIR lib/mirelk)

install(TARGETS mirelk-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS myutil LIBRARY DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR}/LibAV)
install(TARGETS mirelk_hook_support mirelk_vhook_imlib2 mirelk_vhook_watermark mirelk_vhook_sample
        LIBRARY DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR}/vhook)
set(MIRELK_BUILT_VHOOK_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/vhook)
install(FILES ${MIRELK_BUILT_VHOOK_DIR}/imlib2.jpg ${MIRELK_BUILT_VHOOK_DIR}/watermark.gif
              ${MIRELK_BUILT_VHOOK_DIR}/ZarnHook.bmp
        DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR}/vhook)

# Debian keeps manual pages compressed, without a time stamp in the archive.
find_program(MIRELK_GZIP gzip REQUIRED)
set(MIRELK_MAN_PAGE ${CMAKE_BINARY_DIR}/man/mirelk-cli.1.gz)
add_custom_command(
  OUTPUT ${MIRELK_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${MIRELK_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/docs/mirelk-cli.1 > ${MIRELK_MAN_PAGE}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/mirelk-cli.1
  COMMENT "Compressing the manual page of mirelk-cli"
  VERBATIM)
add_custom_target(mirelk_man_page ALL DEPENDS ${MIRELK_MAN_PAGE})
install(FILES ${MIRELK_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/scripts/completion/mirelk-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME mirelk-cli)

# The desktop program, when this tree builds it.
if(TARGET mirelk)
  install(TARGETS mirelk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/bin/help_en.html ${CMAKE_BINARY_DIR}/bin/help_zh_CN.html DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR} OPTIONAL)
  install(FILES ${PROJECT_SOURCE_DIR}/data/mirelk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/mirelk.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirelk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Mirelk developers <mirelk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter for audio and video files")
set(CPACK_PACKAGE_DESCRIPTION "Mirelk converts lists of audio and video files to 24 formats, several at \
once, with a desktop program and the command-line program mirelk-cli, on the FFmpeg libraries.")
# The build keeps its debugging information; the package does without it.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The codec libraries are opened at run time, so no tool would find them: the package names
# them, with what the hook modules link (imlib2) and the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libavcodec59, libavformat59, libavutil57, libswscale6, libswresample4, libavfilter8, libavdevice59, libimlib2, libstdc++6, libc6")
include(CPack)
