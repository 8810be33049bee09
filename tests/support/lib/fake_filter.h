#pragma once
// A filter and pins whose pin set and proposed media types tests arrange freely.
#include "basefilter.h"
#include "basepin.h"
#include "mediatype.h"
#include "sync.h"

#include <memory>
#include <vector>

class FakePin : public CBasePin {
public:
    FakePin(CBaseFilter* filter, CCritSec* lock, const WCHAR* name);

    // Accepts exactly the proposed types.
    HRESULT CheckMediaType(const COwnedMediaType* type) override;
    HRESULT GetMediaType(int position, COwnedMediaType* type) override;

    void AddProposal(const COwnedMediaType& type) { proposals.push_back(type); }
    int ProposalRequests() const { return requests; }

private:
    std::vector<COwnedMediaType> proposals;
    int requests = 0;
};

// Made with reference count 0, like every framework object; the test takes the first one.
class FakeFilter : public CBaseFilter {
public:
    FakeFilter();
    ~FakeFilter() override;

    // A new pin owned by the filter, not yet among its visible pins.
    FakePin* CreatePin(const WCHAR* name);
    // CreatePin and append it to the visible pins, leaving the pin version alone.
    FakePin* AddPin(const WCHAR* name);
    // The visible pins in order; a null entry makes GetPin fail at that index.
    void SetPins(const std::vector<FakePin*>& visible) { pins = visible; }
    void BumpPinVersion() { IncrementPinVersion(); }
    // The current reference count, read by an AddRef/Release pair.
    ULONG References();

    int GetPinCount() override { return static_cast<int>(pins.size()); }
    CBasePin* GetPin(int n) override;

private:
    CCritSec stateLock;
    std::vector<FakePin*> pins;
    std::vector<std::unique_ptr<FakePin>> owned;
};
