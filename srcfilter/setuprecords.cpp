#include "setuprecords.h"

#include "qvl_protocol.h"

#include <uuids.h>

const CLSID CLSID_QuovalentVideoSource = QVL_CAMERA_CLSID_INIT;

namespace {
// The mapper's pin record takes a writable name.
WCHAR outputPinName[] = L"Output";

// Video of any subtype.
const REGPINTYPES outputPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL}};

const REGFILTERPINS outputPins[] = {
    {outputPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, outputPinTypes}};
} // namespace

const AMOVIESETUP_FILTER g_FilterSetup = {&CLSID_QuovalentVideoSource, L"" QVL_CAMERA_FRIENDLY_NAME,
                                          MERIT_NORMAL, 1, outputPins};
