# The cache scripts/setup.sh fills with what it builds or unpacks from Debian's source packages
# (wxBase, ffmpeg, Google Benchmark); SRCFILTER_CACHE moves it. Builds for a triple are named by
# the triple's first field, as the scripts name them.
set(SRCFILTER_CACHE_DIR /var/cache/srcfilter)
if(DEFINED ENV{SRCFILTER_CACHE})
  set(SRCFILTER_CACHE_DIR $ENV{SRCFILTER_CACHE})
endif()
string(REGEX REPLACE "-.*" "" SRCFILTER_CACHE_ARCH ${TOOLCHAIN_TRIPLE})
