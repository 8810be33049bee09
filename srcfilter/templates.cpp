// The module's table of creatable classes: the one camera filter.
#include "classfactory.h"
#include "qvl_protocol.h"
#include "setuprecords.h"
#include "vidsrcfilter.h"

CFactoryTemplate g_Templates[] = {
    {L"" QVL_CAMERA_FRIENDLY_NAME, &CLSID_QuovalentVideoSource, Cqvl_VidSrcFilter::CreateInstance,
     nullptr, &g_FilterSetup},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
