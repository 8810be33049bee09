# The panel's engine (panel_engine.h): the claims watched, the source run while a program
# streams, the idle picture and the preview. Names relative to this folder; the panel's
# CMakeLists.txt makes the library qvl_panel_engine of them.
set(panel_engine_sources panel_engine.cpp engine_shared.cpp engine_worker.cpp claim_watcher.cpp
                         idle_picture.cpp channel_view.cpp)
