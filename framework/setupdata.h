#pragma once
// Filter self-registration record, as the filter mapper routines take it.
#include <windows.h>
#include <dshow.h>

struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const REGFILTERPINS* lpPin;
};
