// CGalleryObject: the two fields every gallery record begins with (its metadata and its kind) and the
// operations shared by all records. Each record holds a CGalleryObject as its first member, so a record
// pointer and its CGalleryObject pointer are interchangeable (both are standard-layout).
#pragma once

#include "gallery/records/GalleryTypes.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <type_traits>
#include <vector>

// Operations a user may apply to a record (bit flags).
enum eGalleryObjectAction : uint32_t {
    eGalleryObjectActionNone = 0,
    eGalleryObjectActionOpen = 1,
    eGalleryObjectActionCopy = 2,
    eGalleryObjectActionRename = 4,
    eGalleryObjectActionDelete = 8,
    eGalleryObjectActionAddContent = 16,
};

struct CGalleryObject {
    CGalleryMetadata *m_metadata;
    eGalleryObjectType m_type;

    CGalleryMetadata *GetMetadata() const { return m_metadata; }
    eGalleryObjectType GetObjectType() const { return m_type; }
    // The metadata identifier; the empty string without metadata.
    const wchar_t *GetIdentifier() const;
    // The title in the current language (the fallback of CGalleryLanguageStringCollection::GetString).
    const wchar_t *GetTitle() const;
    // The title, or for a file without one its href's file name, or "Untitled".
    CAtlString GetDisplayTitle() const;
    // The manifest the record belongs to (itself for a manifest); null when detached.
    CGalleryManifest *GetManifest() const;
    // The enclosing records, outermost first (manifest, organization, activities), without the record.
    void GetAncestry(std::vector<const CGalleryObject *> &out) const;
    uint32_t GetActions() const;
    bool GetAction(eGalleryObjectAction action) const { return (GetActions() & action) != 0; }

    // Manifest model kinds: file, activity, organization, manifest and their disconnected forms.
    static bool IsManifestObjectModelType(eGalleryObjectType type);
    // By title (CGallery::CompareStrings), then by identifier.
    static int CompareObjects(const CGalleryObject *a, const CGalleryObject *b);
    // Sorts with CompareObjects and drops repeated records (the same pointer or the same identifier).
    static void SortRemoveDuplicates(std::vector<CGalleryObject *> &objects);
};
static_assert(std::is_standard_layout_v<CGalleryObject>);
static_assert(sizeof(CGalleryObject) == 16);

// Forwards the shared operations from a record to its leading CGalleryObject. Has no data of its own,
// so records stay standard-layout.
template <class T> class CGalleryRecord
{
  public:
    CGalleryObject *AsObject() { return reinterpret_cast<CGalleryObject *>(static_cast<T *>(this)); }
    const CGalleryObject *AsObject() const
    {
        return reinterpret_cast<const CGalleryObject *>(static_cast<const T *>(this));
    }
    CGalleryMetadata *GetMetadata() const { return AsObject()->m_metadata; }
    eGalleryObjectType GetObjectType() const { return AsObject()->m_type; }
    const wchar_t *GetIdentifier() const { return AsObject()->GetIdentifier(); }
    const wchar_t *GetTitle() const { return AsObject()->GetTitle(); }
    CAtlString GetDisplayTitle() const { return AsObject()->GetDisplayTitle(); }
    // The record behind a CGalleryObject of kind expected (or alternate), else null.
    static T *FromObject(CGalleryObject *object, eGalleryObjectType expected,
                         eGalleryObjectType alternate = eGalleryObjectTypeNone)
    {
        if (!object ||
            (object->m_type != expected && (alternate == eGalleryObjectTypeNone || object->m_type != alternate)))
            return nullptr;
        return reinterpret_cast<T *>(object);
    }
};
