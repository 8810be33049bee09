#pragma once
// The class table of the registration test program itself: a filter with setup data and
// a plain class without, so that the table-driven registration can run in-process.
#include "classfactory.h"
#include "setupdata.h"

extern const CLSID kTestFilterClass;
extern const CLSID kTestPlainClass;
extern const AMOVIESETUP_FILTER kTestFilterSetup;
constexpr DWORD kTestFilterMerit = 0x00200000;
