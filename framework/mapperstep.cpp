#include "mapperstep.h"

#include "registration.h"

CFilterMapperStep::CFilterMapperStep(Mappers mappers) {
    if (mappers == newerFirst) {
        created = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&mapper2));
        if (SUCCEEDED(created)) {
            return;
        }
    }
    created =
        CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&mapper1));
}

CFilterMapperStep::~CFilterMapperStep() {
    mapper2.Reset();
    mapper1.Reset();
    CoFreeUnusedLibraries();
}

HRESULT CFilterMapperStep::Apply(const AMOVIESETUP_FILTER* setup, BOOL registering) {
    if (FAILED(created)) {
        return created;
    }
    return mapper2 ? AMovieSetupRegisterFilter2(setup, mapper2.Get(), registering)
                   : AMovieSetupRegisterFilter(setup, mapper1.Get(), registering);
}
