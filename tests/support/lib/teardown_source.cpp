#include "teardown_source.h"

#include <cguid.h>

TeardownProbe::~TeardownProbe() {
    if (log != nullptr) {
        log->push_back({number, source->Count(), source->HasArray()});
    }
}

TeardownStream::TeardownStream(HRESULT* phr, TeardownSource* source, int number, TeardownLog* log)
    : TeardownProbe(source, number, log), CSourceStream(L"test stream", phr, source, L"Stream") {}

TeardownSource::TeardownSource(int streamCount, HRESULT* phr, TeardownLog* log)
    : CSource(L"test source", nullptr, GUID_NULL) {
    *phr = S_OK;
    for (int i = 1; i <= streamCount && SUCCEEDED(*phr); ++i) {
        // The stream adds itself to the filter, which then owns it.
        new TeardownStream(phr, this, i, log);
    }
}
