#pragma once
// A source filter with a chosen number of idle streams, whose teardown can be watched.
#include "source.h"
#include "sourcestream.h"

#include <vector>

// What the filter looked like just after one stream had been destroyed.
struct StreamTeardown {
    int number;      // the stream's 1-based creation number
    int countAfter;  // the filter's pin count once the stream had removed itself
    bool arrayAfter; // whether the filter still had a stream array then
};
using TeardownLog = std::vector<StreamTeardown>;

class TeardownSource;

// Placed before the stream part so that it is destroyed after the stream has removed itself.
class TeardownProbe {
protected:
    TeardownProbe(TeardownSource* source, int number, TeardownLog* log)
        : source(source), number(number), log(log) {}
    ~TeardownProbe();

private:
    TeardownSource* const source;
    const int number;
    TeardownLog* const log;
};

// Never connected in these tests; it fills nothing and sizes nothing.
class TeardownStream : public TeardownProbe, public CSourceStream {
public:
    TeardownStream(HRESULT* phr, TeardownSource* source, int number, TeardownLog* log);

    HRESULT FillBuffer(IMediaSample*) override { return S_FALSE; }
    HRESULT DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
};

// Made with reference count 0; the test takes the first reference. `log` may be null and must
// outlive the filter otherwise.
class TeardownSource : public CSource {
public:
    TeardownSource(int streamCount, HRESULT* phr, TeardownLog* log = nullptr);

    int Count() const { return pinCount; }
    bool HasArray() const { return streams != nullptr; }
    TeardownStream* Stream(int n) { return static_cast<TeardownStream*>(GetPin(n)); }
};
