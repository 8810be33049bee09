#pragma once
// Media-type records: an owning value class and the task-memory helpers around it.
#include <windows.h>
#include <dshow.h>

// An AM_MEDIA_TYPE that owns its format block and its pUnk reference. It adds no
// members, so a received AM_MEDIA_TYPE* may be viewed as one for comparison.
class COwnedMediaType : public AM_MEDIA_TYPE {
public:
    COwnedMediaType() { InitDefaults(); }
    COwnedMediaType(const COwnedMediaType& other);
    ~COwnedMediaType();
    COwnedMediaType& operator=(const AM_MEDIA_TYPE& source);
    COwnedMediaType& operator=(const COwnedMediaType& source);

    void InitDefaults();
    HRESULT AssignFrom(const AM_MEDIA_TYPE* source);
    bool operator==(const COwnedMediaType& other) const;
    bool operator!=(const COwnedMediaType& other) const { return !(*this == other); }

    void SetMajorType(const GUID* type) { majortype = *type; }
    void SetSubType(const GUID* type) { subtype = *type; }
    void SetFormatTypeGuid(const GUID* type) { formattype = *type; }
    void SetTemporallyCompressed(BOOL compressed) { bTemporalCompression = compressed; }
    void SetFixedSampleSize(ULONG size);
    void SetVariableSampleSize() { bFixedSizeSamples = FALSE; }

    BYTE* ReserveFormat(ULONG length);
    BOOL IsIncomplete() const;
    BOOL MatchesTemplate(const COwnedMediaType* partial) const;
};

static_assert(sizeof(COwnedMediaType) == sizeof(AM_MEDIA_TYPE), "no members may be added");

inline const COwnedMediaType* AsOwned(const AM_MEDIA_TYPE* type) {
    return static_cast<const COwnedMediaType*>(type);
}

HRESULT DeepCopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
void ClearMediaType(AM_MEDIA_TYPE& type);
AM_MEDIA_TYPE* DuplicateMediaType(const AM_MEDIA_TYPE* source);
void DestroyMediaType(AM_MEDIA_TYPE* type);
