#pragma once
// What the pin and media-type enumerators share: a reference count of their own (interlocked,
// one for the creator), answers for IUnknown and their one interface, the reference they hold
// on their owner for their whole life, the position and the owner's version as last read, and
// Clone. `Derived` supplies OwnerVersion() and Copy(out), a new enumerator that continues
// from this one.
#include "com_owners.h"
#include "unknown.h"

#include <dshow.h>

template <class Derived, class Interface, const IID& interfaceId>
class CEnumBase : public Interface {
public:
    virtual ~CEnumBase() = default;
    CEnumBase(const CEnumBase&) = delete;
    CEnumBase& operator=(const CEnumBase&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, interfaceId) || IsEqualIID(riid, IID_IUnknown)) {
            return GetInterface(static_cast<Interface*>(this), out);
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&referenceCount); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&referenceCount);
        if (count == 0) {
            delete this;
        }
        return count;
    }
    STDMETHODIMP Clone(Interface** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (OutOfSync()) {
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        return static_cast<Derived*>(this)->Copy(out);
    }

protected:
    // `owner` (the filter's IBaseFilter or the pin's IPin) stays alive while this enumerator
    // does.
    explicit CEnumBase(IUnknown* owner) : keptAlive(owner) {}

    // The owner changed since its version was last read here.
    bool OutOfSync() const { return OwnerVersion() != version; }
    // From the derived constructor: carries on from `source`'s position and version, or starts
    // at the beginning of the owner as it is now.
    void ContinueFrom(const CEnumBase* source) {
        if (source != nullptr) {
            position = source->position;
            version = source->version;
        } else {
            Restart();
        }
    }
    // Back to the beginning, with the owner's current version.
    void Restart() {
        position = 0;
        version = OwnerVersion();
    }

    int position = 0;
    LONG version = 0;

private:
    LONG OwnerVersion() const { return static_cast<const Derived*>(this)->OwnerVersion(); }

    ComPtr<IUnknown> keptAlive;
    volatile LONG referenceCount = 1;
};
