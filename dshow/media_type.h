// Media types: AM_MEDIA_TYPE with deep copies of its format block, and the free functions of
// the platform's contract for types handed across interfaces (task-allocator memory).
#pragma once
#include <windows.h>
#include <dshow.h>

// Releases the format block and the held interface of `mt` (not `mt` itself).
void FreeMediaType(AM_MEDIA_TYPE& mt);
// FreeMediaType, then CoTaskMemFree of `mt`.
void DeleteMediaType(AM_MEDIA_TYPE* mt);
// A deep copy into `target` (whose old content is not freed). E_OUTOFMEMORY on failure, with
// `target` left empty.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A deep copy in task-allocator memory, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* majorType);
    CMediaType(const AM_MEDIA_TYPE& source);  // deep copy
    CMediaType(const CMediaType& source);
    CMediaType& operator=(const AM_MEDIA_TYPE& source);
    CMediaType& operator=(const CMediaType& source);
    ~CMediaType();

    // Deep copy; E_OUTOFMEMORY leaves an empty type.
    HRESULT Set(const AM_MEDIA_TYPE& source);
    // Equal major type, subtype, format type and format bytes.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }
    bool IsValid() const { return majortype != GUID_NULL; }
    // Major type, subtype and format type all given.
    bool IsFullySpecified() const;
    // True when every part this type gives (non-null GUIDs) agrees with `other`.
    bool MatchesPartial(const CMediaType* partial) const;

    const GUID* Type() const { return &majortype; }
    const GUID* Subtype() const { return &subtype; }
    const GUID* FormatType() const { return &formattype; }
    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }

    void SetType(const GUID* type) { majortype = *type; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    // Replaces the format block with a copy of `length` bytes; false when out of memory.
    bool SetFormat(const BYTE* format, ULONG length);
    // A zeroed format block of `length` bytes, or null when out of memory.
    BYTE* AllocFormatBuffer(ULONG length);
    void ResetFormatBuffer();
    void InitMediaType();
};
