# ffmpeg for the target, cross-built by scripts/build-ffmpeg.sh into the same cache as wxBase
# (one per triple, named by the triple's first field). The tests and the demo use it as a
# capture program.
include(${CMAKE_CURRENT_LIST_DIR}/cache.cmake)
set(SRCFILTER_FFMPEG "${SRCFILTER_CACHE_DIR}/ffmpeg-5.1-${SRCFILTER_CACHE_ARCH}/bin/ffmpeg.exe"
    CACHE FILEPATH "ffmpeg.exe for the target, a capture program for tests and the demo")
if(NOT EXISTS ${SRCFILTER_FFMPEG})
  message(WARNING "ffmpeg not found at ${SRCFILTER_FFMPEG}; run scripts/setup.sh (its tests fail until then)")
endif()
