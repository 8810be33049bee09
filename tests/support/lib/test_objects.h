#pragma once
// Small COM classes built on the framework's object base, for tests of the base and the class
// factory. Each class counts its destructions so a test can see "destroyed exactly once".
#include "classfactory.h"
#include "unknown.h"

// A second interface whose IUnknown entries forward to the object's owner.
struct ITestFace : public IUnknown {
    // Stores the address of the object that implements this face.
    virtual HRESULT STDMETHODCALLTYPE Identify(const void** object) = 0;
};

inline constexpr IID IID_ITestFace = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x01}};
inline constexpr CLSID CLSID_TestObject = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x10}};
inline constexpr CLSID CLSID_FailingObject = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x11}};
inline constexpr CLSID CLSID_SelfReferencingObject = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x12}};
inline constexpr CLSID CLSID_NullCreation = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x13}};
inline constexpr CLSID CLSID_NullCreationWithFailure = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x14}};
inline constexpr CLSID CLSID_ThrowingCreation = {
    0x5b0e61a4, 0x2c3d, 0x4f7e, {0x9a, 0x11, 0x6d, 0x2f, 0x80, 0x4c, 0x13, 0x15}};

// The code the failing classes report.
inline constexpr HRESULT testCreationFailure = E_ACCESSDENIED;

// An ordinary object with one extra interface.
class CTestObject : public CUnknown, public ITestFace {
public:
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* result);
    ~CTestObject() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP Identify(const void** object) override;

    static inline LONG destroyed = 0;

protected:
    explicit CTestObject(IUnknown* outer);
};

// Takes and drops a reference to itself while it is being destroyed.
class CSelfReferencingObject : public CUnknown {
public:
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* result);
    ~CSelfReferencingObject() override;

    static inline LONG destroyed = 0;

protected:
    explicit CSelfReferencingObject(IUnknown* outer);
};

// Its constructor reports testCreationFailure; its destructor also touches its own count, as a
// filter tearing down half-built pins might.
class CFailingObject : public CSelfReferencingObject {
public:
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* result);
    ~CFailingObject() override;

    static inline LONG destroyed = 0;

private:
    CFailingObject(IUnknown* outer, HRESULT* result);
};

// Creation functions that make no object: one leaves the result alone, one reports failure,
// one throws as plain `new` would when memory runs out.
CUnknown* CreateNothing(IUnknown* outer, HRESULT* result);
CUnknown* CreateNothingWithFailure(IUnknown* outer, HRESULT* result);
CUnknown* CreateThrowing(IUnknown* outer, HRESULT* result);

// Init routine that records its calls.
struct InitRoutineLog {
    int loading = 0;
    int unloading = 0;
    const CLSID* lastClsid = nullptr;
};
extern InitRoutineLog initRoutineLog;
void RecordInitRoutine(BOOL loading, const CLSID* clsid);

// A plain outer object for aggregation: answers IUnknown itself and asks the inner object for
// everything else, counting the references it is given.
class CTestOuter : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    void SetInner(IUnknown* innerUnknown) { inner = innerUnknown; }
    LONG References() const { return references; }

private:
    IUnknown* inner = nullptr;
    LONG references = 1; // owned by the test, on its stack
};
