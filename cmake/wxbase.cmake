# wxBase, cross-built by scripts/setup.sh into the cache outside the source tree, one per
# triple.
include(${CMAKE_CURRENT_LIST_DIR}/cache.cmake)
set(SRCFILTER_WX_PREFIX "${SRCFILTER_CACHE_DIR}/wx-3.2-${SRCFILTER_CACHE_ARCH}" CACHE PATH
    "wxBase install prefix")
set(WX_CONFIG ${SRCFILTER_WX_PREFIX}/bin/wx-config)
if(NOT EXISTS ${WX_CONFIG})
  message(FATAL_ERROR "wxBase not found at ${SRCFILTER_WX_PREFIX}; run scripts/setup.sh")
endif()
execute_process(COMMAND ${WX_CONFIG} --cxxflags base OUTPUT_VARIABLE WX_CXXFLAGS
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WX_CONFIG} --libs base OUTPUT_VARIABLE WX_LIBS
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(WX_CXXFLAGS UNIX_COMMAND "${WX_CXXFLAGS}")
separate_arguments(WX_LIBS UNIX_COMMAND "${WX_LIBS}")
add_library(wxbase INTERFACE)
# wx headers are third-party: include them as system headers so our -Werror does not judge them.
set(_wx_flags)
foreach(f IN LISTS WX_CXXFLAGS)
  if(f MATCHES "^-I(.*)")
    target_include_directories(wxbase SYSTEM INTERFACE ${CMAKE_MATCH_1})
  else()
    list(APPEND _wx_flags ${f})
  endif()
endforeach()
target_compile_options(wxbase INTERFACE ${_wx_flags})
target_link_libraries(wxbase INTERFACE ${WX_LIBS})
