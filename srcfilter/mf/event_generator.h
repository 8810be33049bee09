#pragma once
// What the camera's source and stream share: the reference count, and the event generator
// answered from the object's own queue under its lock, refused once it has shut down.
// The queue's own calls are thread-safe and answer MF_E_SHUTDOWN once it is shut down; the
// pointer is used under the lock so that it is not released meanwhile.
#include "com_owners.h"
#include "sync.h"

#include <mferror.h>
#include <mfidl.h>

template <class Interface> class EventGenerator : public Interface {
public:
    STDMETHODIMP_(ULONG) AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references));
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    STDMETHODIMP GetEvent(DWORD flags, IMFMediaEvent** event) override {
        ComPtr<IMFMediaEventQueue> queue;
        {
            CScopedLock guard(&lock);
            if (shutDown) {
                return MF_E_SHUTDOWN;
            }
            queue = events;
        }
        return queue->GetEvent(flags, event); // may block: never under the lock
    }
    STDMETHODIMP BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override {
        CScopedLock guard(&lock);
        return shutDown ? MF_E_SHUTDOWN : events->BeginGetEvent(callback, state);
    }
    STDMETHODIMP EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override {
        CScopedLock guard(&lock);
        return shutDown ? MF_E_SHUTDOWN : events->EndGetEvent(result, event);
    }
    STDMETHODIMP QueueEvent(MediaEventType type, REFGUID extended, HRESULT status,
                            const PROPVARIANT* value) override {
        CScopedLock guard(&lock);
        return shutDown ? MF_E_SHUTDOWN : events->QueueEventParamVar(type, extended, status, value);
    }

protected:
    explicit EventGenerator(IMFMediaEventQueue* events = nullptr) : events(events) {}
    virtual ~EventGenerator() = default;

    // The object's lock: guards what follows and the object's own state. Its place in the
    // lock order is given where the object is declared.
    CCritSec lock;
    ComPtr<IMFMediaEventQueue> events;
    bool shutDown = false;

private:
    volatile LONG references = 1;
};
