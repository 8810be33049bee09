# ffmpeg for the target, cross-built by scripts/build-ffmpeg.sh into the same cache as wxBase
# (one per triple, named by the triple's first field). The tests and the demo use it as a
# capture program.
string(REGEX REPLACE "-.*" "" _ffmpeg_arch ${TOOLCHAIN_TRIPLE})
set(_ffmpeg_cache /var/cache/srcfilter)
if(DEFINED ENV{SRCFILTER_CACHE})
  set(_ffmpeg_cache $ENV{SRCFILTER_CACHE})
endif()
set(SRCFILTER_FFMPEG "${_ffmpeg_cache}/ffmpeg-5.1-${_ffmpeg_arch}/bin/ffmpeg.exe"
    CACHE FILEPATH "ffmpeg.exe for the target, a capture program for tests and the demo")
if(NOT EXISTS ${SRCFILTER_FFMPEG})
  message(WARNING "ffmpeg not found at ${SRCFILTER_FFMPEG}; run scripts/setup.sh (its tests fail until then)")
endif()
