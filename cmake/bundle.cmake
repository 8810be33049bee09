# The release bundle's half for this bitness: the module and the tools in one folder
# (scripts/bundle.sh puts the two halves side by side as x86/ and x64/ and zips them).
install(FILES $<TARGET_FILE:srcfilter> DESTINATION . COMPONENT bundle)
# The Windows 11 camera's media source: x64 only, as the Frame Server that loads it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  install(FILES $<TARGET_FILE:srcfilter_mf> DESTINATION . COMPONENT bundle)
endif()
install(TARGETS qvl_producer qvl_capture qvl_register qvl_show_picture qvl_panel
        RUNTIME DESTINATION . COMPONENT bundle)
