# The panel's engine (tools/panel/panel_engine.h): the claims watched, the source run while a
# program streams, the idle picture and the preview. Listed here, apart from the window's
# files; the panel's CMakeLists.txt makes the library qvl_panel_engine of them.
set(panel_engine_sources
    ${CMAKE_CURRENT_LIST_DIR}/panel_engine.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_shared.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_worker.cpp ${CMAKE_CURRENT_LIST_DIR}/claim_watcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/idle_picture.cpp ${CMAKE_CURRENT_LIST_DIR}/channel_view.cpp)
