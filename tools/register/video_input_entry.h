#pragma once
// The camera's entry in the video input device category, where capture programs look for
// cameras. The module's own registration leaves it out; only this tool adds it.
#include "scope.h"

#include <dshow.h>

extern const CLSID CLSID_Camera;

#include "com_owners.h"

// Holds the platform's filter mapper from construction, so that everything the entry's steps
// need is loaded before the first change is made: a mapper that cannot be had fails the
// change before anything is written, and no library is loaded between a step and the next.
// COM must be initialised.
class VideoInputEntry {
public:
    VideoInputEntry();
    // S_OK, or why the mapper could not be created.
    HRESULT Result() const { return result; }
    // Adds the entry for the scope, replacing an earlier one.
    HRESULT Add(Scope scope) const;
    // Removes the scope's entry, and the category's Instance key if that is left empty; an
    // entry that is not there counts as removed.
    HRESULT Remove(Scope scope) const;

private:
    ComPtr<IFilterMapper2> mapper;
    HRESULT result;
};
