#pragma once
// The filter-mapper step of a registration: the platform's filter mapper, inside a COM
// initialisation of its own, handed one setup record after another.
#include "com_owners.h"
#include "setupdata.h"

#include <dshow.h>

class CFilterMapperStep {
public:
    enum Mappers { newerFirst, olderOnly };

    // Initialises COM on the calling thread and creates IFilterMapper2 (newerFirst, falling
    // back to IFilterMapper when it cannot be made) or IFilterMapper (olderOnly).
    explicit CFilterMapperStep(Mappers mappers);
    // Releases the mapper and lets COM unload what it loaded, before COM ends for the thread.
    ~CFilterMapperStep();
    CFilterMapperStep(const CFilterMapperStep&) = delete;
    CFilterMapperStep& operator=(const CFilterMapperStep&) = delete;

    // Creating the mapper: the last attempt's result.
    HRESULT Created() const { return created; }
    // Registers or unregisters one filter with the mapper; a mapper entry that is not there
    // counts as removed. Without a mapper, the failure to create one.
    HRESULT Apply(const AMOVIESETUP_FILTER* setup, BOOL registering);

private:
    CComScope com{COINIT_APARTMENTTHREADED};
    ComPtr<IFilterMapper2> mapper2;
    ComPtr<IFilterMapper> mapper1;
    HRESULT created = E_FAIL;
};
