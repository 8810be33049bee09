#pragma once
// Reference-counted, aggregatable COM object base and the module-wide live-object count.
#include <windows.h>
#include <unknwn.h>

struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CBaseObject {
public:
    explicit CBaseObject(const WCHAR* objectName);
    virtual ~CBaseObject();
    CBaseObject(const CBaseObject&) = delete;
    CBaseObject& operator=(const CBaseObject&) = delete;

    static LONG ObjectsActive();
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    CUnknown(const WCHAR* objectName, IUnknown* outer);
    ~CUnknown() override = default;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    IUnknown* GetOwner() const { return owner; }

private:
    IUnknown* const owner;
    volatile LONG referenceCount = 0;
};

// Stores p, adds a reference through p's own table (so it reaches the owner) and
// returns S_OK; E_POINTER for a null out-pointer.
HRESULT GetInterface(IUnknown* p, void** out);

// The three IUnknown entries of every interface face forward to the owner.
#define DECLARE_IUNKNOWN                                                                           \
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {                                \
        return GetOwner()->QueryInterface(riid, out);                                              \
    }                                                                                              \
    STDMETHODIMP_(ULONG) AddRef() override {                                                       \
        return GetOwner()->AddRef();                                                               \
    }                                                                                              \
    STDMETHODIMP_(ULONG) Release() override {                                                      \
        return GetOwner()->Release();                                                              \
    }
