# The codec libraries. The binding loads them at run time by file name, each with the major
# version the program is made for (libavcodec.so.59), and reads their structures as the headers
# of that major lay them out; so the headers found here must be of exactly these majors. The
# loader and the package's dependencies take the majors from here.
set(MIRELK_FFMPEG_RELEASE 5.1)
set(MIRELK_FFMPEG_LIBRARIES avcodec avdevice avfilter avformat avutil swscale swresample)
set(MIRELK_AVCODEC_MAJOR 59)
set(MIRELK_AVDEVICE_MAJOR 59)
set(MIRELK_AVFILTER_MAJOR 8)
set(MIRELK_AVFORMAT_MAJOR 59)
set(MIRELK_AVUTIL_MAJOR 57)
set(MIRELK_SWSCALE_MAJOR 6)
set(MIRELK_SWRESAMPLE_MAJOR 4)

# The headers only: the program must never link the libraries (a call that bypasses the
# entry-point tables then fails to link).
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG REQUIRED libavcodec libavformat libavutil libswscale libswresample
                  libavfilter libavdevice)

set(MIRELK_FFMPEG_MAJOR_DEFINITIONS)
foreach(library IN LISTS MIRELK_FFMPEG_LIBRARIES)
  string(TOUPPER ${library} upper)
  set(needed ${MIRELK_${upper}_MAJOR})
  # FFmpeg 5.1 keeps the major in a header of its own; older ones in version.h.
  set(header "")
  foreach(candidate version_major.h version.h)
    set(path ${FFMPEG_lib${library}_INCLUDEDIR}/lib${library}/${candidate})
    if(NOT header AND EXISTS ${path})
      set(header ${path})
    endif()
  endforeach()
  if(NOT header)
    message(FATAL_ERROR "lib${library}: no version header under the include folder pkg-config "
                        "gives (${FFMPEG_lib${library}_INCLUDEDIR}); Mirelk needs the headers of "
                        "lib${library} major version ${needed}.")
  endif()
  file(STRINGS ${header} major_line
       REGEX "^#define[ \t]+LIB${upper}_VERSION_MAJOR[ \t]+[0-9]+")
  string(REGEX REPLACE "^#define[ \t]+LIB${upper}_VERSION_MAJOR[ \t]+([0-9]+).*" "\\1" found "${major_line}")
  if(NOT found STREQUAL needed)
    if(found STREQUAL "")
      set(found "unknown")
    endif()
    message(FATAL_ERROR "lib${library}: the headers found (${header}, "
                        "package version ${FFMPEG_lib${library}_VERSION}) are of major version "
                        "${found}; Mirelk loads lib${library}.so.${needed} and needs the headers "
                        "of major version ${needed} (FFmpeg ${MIRELK_FFMPEG_RELEASE}).")
  endif()
  list(APPEND MIRELK_FFMPEG_MAJOR_DEFINITIONS MIRELK_${upper}_MAJOR=${needed})
endforeach()
