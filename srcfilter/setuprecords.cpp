#include "setuprecords.h"

#include <uuids.h>

// {D7A2CE2F-8221-4B80-B086-B795D9C845F6}
const CLSID CLSID_QuovalentVideoSource = {
    0xd7a2ce2f, 0x8221, 0x4b80, {0xb0, 0x86, 0xb7, 0x95, 0xd9, 0xc8, 0x45, 0xf6}};

namespace {
// The mapper's pin record takes a writable name.
WCHAR outputPinName[] = L"Output";

// Video of any subtype.
const REGPINTYPES outputPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_NULL}};

const REGFILTERPINS outputPins[] = {
    {outputPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, outputPinTypes}};
} // namespace

const AMOVIESETUP_FILTER g_FilterSetup = {&CLSID_QuovalentVideoSource, L"Quovalent_01",
                                          MERIT_NORMAL, 1, outputPins};
