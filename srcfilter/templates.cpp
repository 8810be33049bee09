// The module's table of creatable classes: the one camera filter.
#include "classfactory.h"
#include "setuprecords.h"
#include "vidsrcfilter.h"

CFactoryTemplate g_Templates[] = {
    {L"Quovalent_01", &CLSID_QuovalentVideoSource, Cqvl_VidSrcFilter::CreateInstance, nullptr,
     &g_FilterSetup},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
