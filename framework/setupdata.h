#pragma once
// Filter self-registration records and the IAMovieSetup interface (declared, not defined,
// by the platform headers).
#include <windows.h>
#include <strmif.h>

struct AMOVIESETUP_FILTER {
    const CLSID* clsID;
    const WCHAR* strName;
    DWORD dwMerit;
    UINT nPins;
    const REGFILTERPINS* lpPin;
};

interface IAMovieSetup : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Register() = 0;
    virtual HRESULT STDMETHODCALLTYPE Unregister() = 0;
};
