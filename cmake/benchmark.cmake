# Google Benchmark from Debian's benchmark source package, unpacked into the cache by
# scripts/fetch-benchmark.sh and built for the target only where a benchmark asks for it.
# Sets SRCFILTER_BENCHMARK_FOUND; without the source the caller skips its target, so that the
# rest of the project still configures and builds.
include(${CMAKE_CURRENT_LIST_DIR}/cache.cmake)
set(SRCFILTER_BENCHMARK_SOURCE "${SRCFILTER_CACHE_DIR}/benchmark-src"
    CACHE PATH "Google Benchmark source tree (scripts/fetch-benchmark.sh unpacks it)")

set(SRCFILTER_BENCHMARK_FOUND FALSE)
if(TARGET benchmark::benchmark)
  set(SRCFILTER_BENCHMARK_FOUND TRUE)
elseif(EXISTS ${SRCFILTER_BENCHMARK_SOURCE}/CMakeLists.txt)
  # The library alone: no tests of its own, no install rules, and its warnings are not ours.
  set(BENCHMARK_ENABLE_TESTING OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_GTEST_TESTS OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_WERROR OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_INSTALL OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_INSTALL_DOCS OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_LTO OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_ENABLE_ASSEMBLY_TESTS OFF CACHE BOOL "" FORCE)
  set(BENCHMARK_DOWNLOAD_DEPENDENCIES OFF CACHE BOOL "" FORCE)
  # Cross-built, its feature checks only compile; these two hold for mingw-w64's libstdc++,
  # and answering them spares a warning each.
  set(HAVE_STD_REGEX 1)
  set(HAVE_STEADY_CLOCK 1)
  # Debian's tree takes its version from the packaging, not from git: 0.0.0 means the
  # project's own.
  set(GIT_VERSION 0.0.0)
  add_subdirectory(${SRCFILTER_BENCHMARK_SOURCE} ${CMAKE_BINARY_DIR}/benchmark EXCLUDE_FROM_ALL)
  target_compile_options(benchmark PRIVATE -w)
  set(SRCFILTER_BENCHMARK_FOUND TRUE)
else()
  message(WARNING "Google Benchmark source not found at ${SRCFILTER_BENCHMARK_SOURCE}; "
                  "run scripts/fetch-benchmark.sh (the fill benchmark is skipped until then)")
endif()
