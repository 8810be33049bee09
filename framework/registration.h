#pragma once
// Registration of the module's classes: COM server keys and filter-mapper entries,
// both driven by the factory template table.
#include "setupdata.h"

#include <dshow.h>

class CFilterMapperStep;

// `mapper`: a mapper step made beforehand (the per-user install makes it before it maps the
// classes), or null to make one at the mapper step.
HRESULT AMovieDllRegisterServer2(BOOL registering, CFilterMapperStep* mapper = nullptr);
HRESULT RegisterAllServers(const WCHAR* fileName, BOOL registering);
HRESULT AMovieSetupRegisterServer(REFCLSID clsid, const WCHAR* description, const WCHAR* fileName,
                                  const WCHAR* threadingModel, const WCHAR* serverType);
HRESULT AMovieSetupUnregisterServer(REFCLSID clsid);
HRESULT EliminateSubKey(HKEY parent, const char* subKey);
HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper,
                                   BOOL registering);
HRESULT AMovieSetupRegisterFilter(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper,
                                  BOOL registering);
