#include "test_templates.h"

#include <uuids.h>

// {6B0E2A51-3C7D-4E8F-9A1B-2C3D4E5F6071}
const CLSID kTestFilterClass = {
    0x6b0e2a51, 0x3c7d, 0x4e8f, {0x9a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f, 0x60, 0x71}};
// {6B0E2A52-3C7D-4E8F-9A1B-2C3D4E5F6071}
const CLSID kTestPlainClass = {
    0x6b0e2a52, 0x3c7d, 0x4e8f, {0x9a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f, 0x60, 0x71}};

namespace {
WCHAR firstPinName[] = L"First";
WCHAR secondPinName[] = L"Second";
const REGPINTYPES firstPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
                                     {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL}};
const REGPINTYPES secondPinTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_NULL}};
const REGFILTERPINS pins[] = {
    {firstPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 2, firstPinTypes},
    {secondPinName, TRUE, FALSE, TRUE, TRUE, &CLSID_NULL, L"Peer", 1, secondPinTypes}};
} // namespace

const AMOVIESETUP_FILTER kTestFilterSetup = {&kTestFilterClass, L"srcfilter test filter",
                                             kTestFilterMerit, 2, pins};

CFactoryTemplate g_Templates[] = {
    {L"srcfilter test filter", &kTestFilterClass, nullptr, nullptr, &kTestFilterSetup},
    {L"srcfilter test class", &kTestPlainClass, nullptr, nullptr, nullptr}};
int g_cTemplates = 2;
