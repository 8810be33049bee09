#include "settings.h"

#include <wx/wxprec.h>
#include <wx/config.h>
#include <wx/msw/regconf.h>

Cqvl_Settings ReadStreamSettings() {
    // A fresh store per reading: settings changed meanwhile are seen by the next reader.
    wxRegConfig config("QVLBase", "orbitandlantern", "", "", 2);
    config.SetRecordDefaults(true);
    Cqvl_Settings settings;
    settings.width = config.Read("/media/virtual/width", 320L);
    settings.height = config.Read("/media/virtual/height", 240L);
    settings.fps = config.Read("/media/virtual/fps", 25L);
    return settings;
}
