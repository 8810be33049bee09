# The release bundle's half for this bitness: the module and the tools in one folder
# (scripts/bundle.sh puts the two halves side by side as x86/ and x64/ and zips them).
install(FILES $<TARGET_FILE:srcfilter> DESTINATION . COMPONENT bundle)
install(TARGETS qvl_producer qvl_capture qvl_register qvl_show_picture qvl_panel
        RUNTIME DESTINATION . COMPONENT bundle)
