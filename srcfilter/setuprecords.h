#pragma once
// The filter's class identifier and the records that register it with the filter mapper.
#include "setupdata.h"

extern const CLSID CLSID_QuovalentVideoSource;
extern const AMOVIESETUP_FILTER g_FilterSetup;
