#pragma once
// A filter whose pins record the state-change calls they receive and answer them with codes a
// test chooses, so every transition rule can be shown with pins that succeed and pins that fail.
#include "basefilter.h"
#include "basepin.h"
#include "mediatype.h"
#include "sync.h"

#include <memory>
#include <string>
#include <vector>

// One entry per call, "name.Active", "name.Inactive" or "name.Run", in call order across pins.
using PinCallLog = std::vector<std::string>;

class RecordingPin : public CBasePin {
public:
    RecordingPin(CBaseFilter* filter, CCritSec* lock, const char* label, PinCallLog* log);
    ~RecordingPin() override;

    // A connected pin stands in as its own peer; no reference is taken on it.
    void SetConnected(bool on) {
        connected.Detach();
        *connected.GetAddressOf() = on ? static_cast<IPin*>(this) : nullptr;
    }
    void SetActiveResult(HRESULT hr) { activeResult = hr; }
    void SetInactiveResult(HRESULT hr) { inactiveResult = hr; }
    void SetRunResult(HRESULT hr) { runResult = hr; }
    void SetTypeVersion(LONG version) { typeVersionShown = version; }
    void AddProposal(const COwnedMediaType& type) { proposals.push_back(type); }
    REFERENCE_TIME LastRunStart() const { return lastRunStart; }

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    LONG GetMediaTypeVersion() override { return typeVersionShown; }
    // Accepts exactly the proposed types.
    HRESULT CheckMediaType(const COwnedMediaType* type) override;
    HRESULT GetMediaType(int position, COwnedMediaType* type) override;

private:
    void Record(const char* call) { log->push_back(label + "." + call); }

    const std::string label;
    PinCallLog* const log;
    HRESULT activeResult = S_OK;
    HRESULT inactiveResult = S_OK;
    HRESULT runResult = S_OK;
    LONG typeVersionShown = 1;
    REFERENCE_TIME lastRunStart = -1;
    std::vector<COwnedMediaType> proposals;
};

// Made with reference count 0, like every framework object; the test takes the first one.
class RecordingFilter : public CBaseFilter {
public:
    RecordingFilter();
    ~RecordingFilter() override;

    // A new pin, visible after those added before it.
    RecordingPin* AddPin(const char* label);
    const PinCallLog& Calls() const { return calls; }
    void ClearCalls() { calls.clear(); }
    CCritSec* Lock() { return &stateLock; }
    // Calls that reached Pause through the interface table.
    int PauseCalls() const { return pauseCalls; }

    STDMETHODIMP Pause() override;
    int GetPinCount() override { return static_cast<int>(pins.size()); }
    CBasePin* GetPin(int n) override;

private:
    CCritSec stateLock;
    PinCallLog calls;
    std::vector<std::unique_ptr<RecordingPin>> pins;
    int pauseCalls = 0;
};
