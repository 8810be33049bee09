#pragma once
// The camera's entry in the video input device category, where capture programs look for
// cameras. The module's own registration leaves it out; only this tool adds it.
#include "scope.h"

#include <dshow.h>

extern const CLSID CLSID_Camera;

// Adds the entry for the scope, replacing an earlier one. COM must be initialised.
HRESULT AddVideoInputEntry(Scope scope);
// Removes the scope's entry; an entry that is not there counts as removed.
HRESULT RemoveVideoInputEntry(Scope scope);
