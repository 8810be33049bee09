#pragma once
// What the platform's device enumerator lists in the default filter category, read back
// through each moniker's property bag.
#include <dshow.h>
#include <wrl/client.h>

#include <string>
#include <vector>

struct ListedFilter {
    std::wstring friendlyName;
    CLSID clsid = CLSID_NULL;
    // From the mapper's binary filter record: its merit and pin count.
    DWORD merit = 0;
    DWORD pinCount = 0;
    Microsoft::WRL::ComPtr<IMoniker> moniker;
};

// Entries of CLSID_LegacyAmFilterCategory whose class identifier is `clsid`. COM must be
// initialised on the calling thread.
std::vector<ListedFilter> ListedFilters(REFCLSID clsid);

// Whether the filter mapper offers `clsid` for an output of `majorType` (any subtype).
bool MatchedAsOutputOf(REFCLSID clsid, REFGUID majorType);
