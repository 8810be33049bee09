#include "settings.h"

#include "qvl_protocol.h"

#include <wx/wxprec.h>
#include <wx/config.h>
#include <wx/msw/regconf.h>

CameraFormat ReadStreamSettings() {
    // A fresh store per reading: settings changed meanwhile are seen by the next reader.
    wxRegConfig config(QVL_SETTINGS_APP, QVL_SETTINGS_VENDOR, "", "", 2);
    config.SetRecordDefaults(true);
    CameraFormat settings;
    settings.width = config.Read(QVL_SETTINGS_PATH QVL_SETTING_WIDTH, long{QVL_DEFAULT_WIDTH});
    settings.height = config.Read(QVL_SETTINGS_PATH QVL_SETTING_HEIGHT, long{QVL_DEFAULT_HEIGHT});
    settings.fps = config.Read(QVL_SETTINGS_PATH QVL_SETTING_FPS, long{QVL_DEFAULT_FPS});
    return settings;
}
