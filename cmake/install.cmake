# Installation (cmake --install) and the Debian package (make package, CPack's DEB generator).
#
#   bin/mirelk-cli, bin/mirelk          the programs
#   lib/mirelk/LibAV/libmyutil.so       the support library (the codec libraries come from the
#                                       system unless a LibAV folder beside the programs has them)
#   lib/mirelk/vhook/                   the hook modules and their companion library
#   share/mirelk/help_*.html            the desktop program's help pages, one a language
#   share/mirelk/vhook/                 the hook modules' pictures
#   share/man/man1/mirelk.1.gz, mirelk-cli.1.gz
#   share/bash-completion/completions/mirelk-cli
#   share/applications/mirelk.desktop, share/icons/hicolor/scalable/apps/mirelk.svg
#   share/metainfo/org.mirelk.Mirelk.metainfo.xml
#   share/doc/mirelk/copyright, changelog.gz
#
# The programs find lib/mirelk and share/mirelk from their own place (SupportFolder and
# DataFolder), so the tree works under any prefix, and unpacked anywhere. Nothing installed is
# ever written by the programs: settings and run files go to the user's folders.
include(GNUInstallDirs)
set(MIRELK_INSTALL_SUPPORT_DIR lib/mirelk)
set(MIRELK_INSTALL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/mirelk)
set(MIRELK_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/mirelk)

install(TARGETS mirelk-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS myutil LIBRARY DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR}/LibAV)
install(TARGETS mirelk_hook_support mirelk_vhook_imlib2 mirelk_vhook_watermark mirelk_vhook_sample
        LIBRARY DESTINATION ${MIRELK_INSTALL_SUPPORT_DIR}/vhook)
set(MIRELK_BUILT_VHOOK_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/vhook)
install(FILES ${MIRELK_BUILT_VHOOK_DIR}/imlib2.jpg ${MIRELK_BUILT_VHOOK_DIR}/watermark.gif
              ${MIRELK_BUILT_VHOOK_DIR}/ZarnHook.bmp
        DESTINATION ${MIRELK_INSTALL_DATA_DIR}/vhook)

# Debian keeps manual pages and change logs compressed, without a time stamp in the archive.
find_program(MIRELK_GZIP gzip REQUIRED)
set(MIRELK_COMPRESSED_DIR ${CMAKE_BINARY_DIR}/compressed)
function(mirelk_compressed source name)
  set(compressed ${MIRELK_COMPRESSED_DIR}/${name}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MIRELK_COMPRESSED_DIR}
    COMMAND ${MIRELK_GZIP} -9 -n -c ${source} > ${compressed}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  add_custom_target(mirelk_compressed_${name} ALL DEPENDS ${compressed})
endfunction()
mirelk_compressed(${PROJECT_SOURCE_DIR}/docs/mirelk-cli.1 mirelk-cli.1)
mirelk_compressed(${PROJECT_SOURCE_DIR}/data/debian/changelog changelog)
install(FILES ${MIRELK_COMPRESSED_DIR}/mirelk-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${MIRELK_COMPRESSED_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/data/debian/copyright
        DESTINATION ${MIRELK_INSTALL_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/scripts/completion/mirelk-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME mirelk-cli)

# The desktop program, when this tree builds it.
if(TARGET mirelk)
  mirelk_compressed(${PROJECT_SOURCE_DIR}/docs/mirelk.1 mirelk.1)
  install(TARGETS mirelk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${MIRELK_COMPRESSED_DIR}/mirelk.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_BINARY_DIR}/bin/help_en.html ${CMAKE_BINARY_DIR}/bin/help_zh_CN.html
          DESTINATION ${MIRELK_INSTALL_DATA_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/mirelk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/mirelk.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/org.mirelk.Mirelk.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirelk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Mirelk developers <maintainers@users.noreply.c-seed-0df8545e.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter for audio and video files")
# The synopsis comes from the summary; the lines below it stay under 80 characters, as Debian's
# control files want them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mirelk converts lists of audio and video files to 24 formats, several at
once: VCD, SVCD, DVD, 3GP, AVI, FLV, iPod, MKV, MOV, MP4, OGG, PSP,
RealMedia, SWF, WMV, MPEG video, and the sound formats AAC, AC3, MP2, MP3,
WAV and WMA. A clip can be cut from any file.
.")
if(TARGET mirelk)
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "
The desktop program mirelk shows each file's progress and plays the files
to mark clips; the command-line program mirelk-cli converts with the same
settings without a window. Both run on the system's FFmpeg libraries.")
else()
  string(APPEND CPACK_DEBIAN_PACKAGE_DESCRIPTION "
The command-line program mirelk-cli converts without a window. It runs on
the system's FFmpeg libraries.")
endif()
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://mirelk.example.org/")
# The build keeps its debugging information; the package does without it.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What the programs and modules link is found by dpkg-shlibdeps (Qt, imlib2, the C++ runtime);
# the hook modules' companion library is the package's own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${MIRELK_BUILT_VHOOK_DIR})
# What is opened at run time, which no tool can see:
# - the codec libraries the loader opens (libavdevice is never opened); the codec library with
#   the extra encoders, as 3GP's AMR-NB sound is only there;
# - the GStreamer plug-ins the playback panel's media back end needs for the usual containers
#   and codecs (desktop program only);
# - a font with Chinese characters for the window's captions (desktop program only), and the
#   Latin font the text hooks draw with;
# - Qt's own translations, for the texts of its dialogs in the Chinese window (desktop program
#   only).
set(mirelk_depends libavcodec-extra${MIRELK_AVCODEC_MAJOR} libavformat${MIRELK_AVFORMAT_MAJOR}
    libavutil${MIRELK_AVUTIL_MAJOR} libswscale${MIRELK_SWSCALE_MAJOR}
    libswresample${MIRELK_SWRESAMPLE_MAJOR} libavfilter${MIRELK_AVFILTER_MAJOR})
if(TARGET mirelk)
  list(APPEND mirelk_depends gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
       "fonts-wqy-microhei | fonts-noto-cjk")
endif()
list(APPEND mirelk_depends fonts-dejavu-core)
if(TARGET mirelk)
  list(APPEND mirelk_depends qt6-translations-l10n)
endif()
list(JOIN mirelk_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)
