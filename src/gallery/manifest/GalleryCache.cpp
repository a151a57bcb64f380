// Writing and loading the binary manifest cache (layout and trust rules in GalleryCache_p.h), and the
// cache operations of CGalleryManifest.
#include "gallery/manifest/GalleryCache_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/manifest/GalleryCRC.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMemory.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryPairBuffer_p.h"
#include "gallery/manifest/GallerySerializationStream.h"
#include "gallery/records/GalleryStringCollection.h"
#include "support/FileManipulator.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

namespace GalleryCache
{
const char kHeader[] = "Kelda Vellum Binary Manifest\r\nFormat: 2010-06-03(a)\r\n\x0c"
                       "abcd1234";
static_assert(sizeof(kHeader) - 1 == kHeaderLength);
} // namespace GalleryCache

using namespace GalleryCache;

#define CACHE_TRY(expression)                                                                                          \
    do {                                                                                                               \
        const HRESULT hr_ = (expression);                                                                              \
        if (FAILED(hr_)) return hr_;                                                                                   \
    } while (0)

namespace
{

// Collections whose only (or first) field is their data pointer; a collection is pointer-interconvertible
// with that field because the types are standard-layout.
static_assert(sizeof(CGalleryLanguageStringCollection) == sizeof(void *));
static_assert(sizeof(CGalleryKeyedStringCollection) == sizeof(void *));
static_assert(sizeof(CGalleryStringCollection) == 16 && sizeof(CGalleryStringEntry) == 16);
static_assert(sizeof(CGalleryFileCollection) == 16 && sizeof(CGalleryActivityCollection) == 16 &&
              sizeof(CGalleryOrganizationCollection) == 16);
static_assert(sizeof(wchar_t) == 4, "cache strings are 4 bytes per character");

// The counts of a record collection or string collection block: { data, uint32 count, uint32 capacity }.
struct ArrayBlock {
    uint64_t data;
    uint32_t count;
    uint32_t capacity;
};
static_assert(sizeof(ArrayBlock) == 16);

// A large image is read, checksummed and relocated in one sweep; asking for 2 MiB pages before the
// first touch spares a page fault and a TLB refill per 4 KiB page. Only advice: without it the image
// loads all the same.
void AdviseLargePages(unsigned char *block, size_t size)
{
#ifdef MADV_HUGEPAGE
    // The advice covers whole pages around the block; a large block is a mapping of its own, so this
    // marks that one mapping and splits nothing.
    constexpr size_t kLargeBlock = size_t(4) << 20;
    if (size < kLargeBlock) return;
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t start = reinterpret_cast<uintptr_t>(block) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size + page - 1) & ~(page - 1);
    ::madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

} // namespace

// Writes and relocates the records; a friend of the types with private fields.
struct CGalleryCacheAccess {
    // ----- writing -----
    struct Writer {
        CGallerySerializationStream *s;
        uint64_t emptySlot = 0;

        HRESULT Append(const void *bytes, uint64_t count, uint64_t *position)
        {
            CACHE_TRY(s->PadTo(kImageStart, 8));
            if (s->GetPosition() != s->GetLength()) CACHE_TRY(s->Seek(s->GetLength()));
            *position = s->GetLength();
            return s->Write(bytes, count);
        }
        HRESULT Patch(uint64_t record, uint64_t field, uint64_t value) { return s->Serialize(record, field, value); }
        HRESULT String(uint64_t record, uint64_t field, const wchar_t *text)
        {
            if (!text || !*text) return Patch(record, field, emptySlot);
            CACHE_TRY(s->PadTo(kImageStart, 8));
            return s->Serialize(record, field, text);
        }
        HRESULT Pairs(uint64_t record, uint64_t field, const wchar_t *buffer)
        {
            if (!buffer || !*buffer) return Patch(record, field, emptySlot);
            CACHE_TRY(s->PadTo(kImageStart, 8));
            return s->Serialize(record, field, buffer, GalleryPairBuffer::Length(buffer) * sizeof(wchar_t));
        }
    };

    static HRESULT Serialize(Writer &w, const CGalleryLanguageStringCollection *c, uint64_t *position)
    {
        const uint64_t zero = 0;
        CACHE_TRY(w.Append(&zero, sizeof zero, position));
        return w.Pairs(*position, 0, c->GetBuffer());
    }
    static HRESULT Serialize(Writer &w, const CGalleryKeyedStringCollection *c, uint64_t *position)
    {
        const uint64_t zero = 0;
        CACHE_TRY(w.Append(&zero, sizeof zero, position));
        return w.Pairs(*position, 0, c->GetBuffer());
    }
    static HRESULT Serialize(Writer &w, const CGalleryStringCollection *c, uint64_t *position)
    {
        const uint32_t count = c->GetCount();
        const ArrayBlock block{0, count, count};
        CACHE_TRY(w.Append(&block, sizeof block, position));
        if (!count) return S_OK;
        std::vector<CGalleryStringEntry> entries(count);
        for (uint32_t i = 0; i < count; ++i)
            entries[i] = {nullptr, c->GetFlagAt(i)};
        uint64_t array = 0;
        CACHE_TRY(w.Append(entries.data(), count * sizeof(CGalleryStringEntry), &array));
        CACHE_TRY(w.Patch(*position, 0, array));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(w.String(array, i * sizeof(CGalleryStringEntry), c->GetAt(i)));
        return S_OK;
    }
    // A record collection: the block, its item array, then each record.
    template <class C, class F>
    static HRESULT SerializeArray(Writer &w, const C *c, uint64_t *position, F serializeItem)
    {
        const uint32_t count = c->GetCount();
        const ArrayBlock block{0, count, count};
        CACHE_TRY(w.Append(&block, sizeof block, position));
        if (!count) return S_OK;
        const std::vector<uint64_t> zeros(count, 0);
        uint64_t array = 0;
        CACHE_TRY(w.Append(zeros.data(), count * sizeof(uint64_t), &array));
        CACHE_TRY(w.Patch(*position, 0, array));
        for (uint32_t i = 0; i < count; ++i) {
            uint64_t item = 0;
            CACHE_TRY(serializeItem(c->GetAt(i), &item));
            CACHE_TRY(w.Patch(array, i * sizeof(uint64_t), item));
        }
        return S_OK;
    }

    static HRESULT Serialize(Writer &w, const CGalleryMetadata *m, uint64_t *position)
    {
        CGalleryMetadata copy;
        std::memcpy(static_cast<void *>(&copy), m, sizeof copy);
        copy.m_identifier = copy.m_version = copy.m_sortOverride = copy.m_format = nullptr;
        copy.m_originalId = copy.m_showInLanguages = copy.m_hideInLanguages = nullptr;
        copy.m_title = copy.m_keywords = nullptr;
        copy.m_minimumRequirements = copy.m_maximumRequirements = nullptr;
        uint64_t p = 0, child = 0;
        CACHE_TRY(w.Append(&copy, sizeof copy, &p));
        *position = p;
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_identifier), m->m_identifier));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_version), m->m_version));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_sortOverride), m->m_sortOverride));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_format), m->m_format));
        CACHE_TRY(Serialize(w, m->m_title, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryMetadata, m_title), child));
        CACHE_TRY(Serialize(w, m->m_keywords, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryMetadata, m_keywords), child));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_originalId), m->m_originalId));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_showInLanguages), m->m_showInLanguages));
        CACHE_TRY(w.String(p, offsetof(CGalleryMetadata, m_hideInLanguages), m->m_hideInLanguages));
        CACHE_TRY(Serialize(w, m->m_minimumRequirements, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryMetadata, m_minimumRequirements), child));
        CACHE_TRY(Serialize(w, m->m_maximumRequirements, &child));
        return w.Patch(p, offsetof(CGalleryMetadata, m_maximumRequirements), child);
    }

    static uint64_t MetadataField() { return offsetof(CGalleryObject, m_metadata); }

    static HRESULT Serialize(Writer &w, const CGalleryFile *f, uint64_t *position)
    {
        CGalleryFile copy;
        std::memcpy(static_cast<void *>(&copy), f, sizeof copy);
        copy.m_object.m_metadata = nullptr;
        copy.m_parent = nullptr; // re-established on loading
        copy.m_href = nullptr;
        uint64_t p = 0, child = 0;
        CACHE_TRY(w.Append(&copy, sizeof copy, &p));
        *position = p;
        CACHE_TRY(Serialize(w, f->m_object.m_metadata, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryFile, m_object) + MetadataField(), child));
        return w.String(p, offsetof(CGalleryFile, m_href), f->m_href);
    }

    static HRESULT Serialize(Writer &w, const CGalleryActivity *a, uint64_t *position, int depth)
    {
        if (depth >= kMaxDepth) return E_FAIL; // top-level activities are at depth 0
        CGalleryActivity copy;
        std::memcpy(static_cast<void *>(&copy), a, sizeof copy);
        copy.m_object.m_metadata = nullptr;
        copy.m_parent = nullptr;
        copy.m_organization = nullptr;
        copy.m_files = nullptr;
        copy.m_activities = nullptr;
        uint64_t p = 0, child = 0;
        CACHE_TRY(w.Append(&copy, sizeof copy, &p));
        *position = p;
        CACHE_TRY(Serialize(w, a->m_object.m_metadata, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryActivity, m_object) + MetadataField(), child));
        CACHE_TRY(SerializeArray(w, a->m_files, &child,
                                 [&w](const CGalleryFile *f, uint64_t *at) { return Serialize(w, f, at); }));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryActivity, m_files), child));
        CACHE_TRY(SerializeArray(w, a->m_activities, &child, [&w, depth](const CGalleryActivity *c, uint64_t *at) {
            return Serialize(w, c, at, depth + 1);
        }));
        return w.Patch(p, offsetof(CGalleryActivity, m_activities), child);
    }

    static HRESULT Serialize(Writer &w, const CGalleryOrganization *o, uint64_t *position)
    {
        CGalleryOrganization copy;
        std::memcpy(static_cast<void *>(&copy), o, sizeof copy);
        copy.m_object.m_metadata = nullptr;
        copy.m_languages = nullptr;
        copy.m_manifest = nullptr; // re-established on loading
        copy.m_activities = nullptr;
        uint64_t p = 0, child = 0;
        CACHE_TRY(w.Append(&copy, sizeof copy, &p));
        *position = p;
        CACHE_TRY(Serialize(w, o->m_object.m_metadata, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryOrganization, m_object) + MetadataField(), child));
        CACHE_TRY(Serialize(w, o->m_languages, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryOrganization, m_languages), child));
        CACHE_TRY(SerializeArray(w, o->m_activities, &child,
                                 [&w](const CGalleryActivity *a, uint64_t *at) { return Serialize(w, a, at, 0); }));
        return w.Patch(p, offsetof(CGalleryOrganization, m_activities), child);
    }

    static HRESULT Serialize(CGallerySerializationStream *s, const CGalleryManifest *m)
    {
        Writer w{s};
        CGalleryManifest copy;
        std::memcpy(static_cast<void *>(&copy), m, sizeof copy);
        copy.m_object.m_metadata = nullptr;
        copy.m_xmlPath = copy.m_cachePath = nullptr;
        copy.m_updated = copy.m_temporary = 0;
        copy.m_memory = nullptr;
        copy.m_stringVersions = nullptr;
        copy.m_organizations = nullptr;
        copy.m_fileStamp = nullptr;
        uint64_t p = 0, child = 0;
        CACHE_TRY(w.Append(&copy, sizeof copy, &p));
        if (p != kImageStart) return E_FAIL;
        const uint64_t empty = 0;
        CACHE_TRY(w.Append(&empty, sizeof empty, &w.emptySlot));
        CACHE_TRY(Serialize(w, m->m_object.m_metadata, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryManifest, m_object) + MetadataField(), child));
        CACHE_TRY(w.String(p, offsetof(CGalleryManifest, m_xmlPath), m->m_xmlPath));
        CACHE_TRY(w.String(p, offsetof(CGalleryManifest, m_cachePath), nullptr));
        CACHE_TRY(Serialize(w, m->m_stringVersions, &child));
        CACHE_TRY(w.Patch(p, offsetof(CGalleryManifest, m_stringVersions), child));
        CACHE_TRY(SerializeArray(w, m->m_organizations, &child,
                                 [&w](const CGalleryOrganization *o, uint64_t *at) { return Serialize(w, o, at); }));
        return w.Patch(p, offsetof(CGalleryManifest, m_organizations), child);
    }

    // ----- loading -----
    // Walks the image in the writer's order. cursor is the first offset a further block may use.
    struct Reader {
        unsigned char *base; // address of file offset 0
        uint64_t length;     // file length
        uint64_t cursor;
        uint64_t emptySlot;

        static uint64_t Stored(const void *field)
        {
            uint64_t value = 0;
            std::memcpy(&value, field, sizeof value);
            return value;
        }
        bool Fits(uint64_t offset, uint64_t size) const
        {
            return offset >= cursor && offset < length && (offset - kImageStart) % 8 == 0 && size <= length - offset;
        }
        // A block of size bytes for the pointer field; the field then holds its address.
        template <class T> HRESULT Take(T **field, uint64_t size = sizeof(T))
        {
            const uint64_t offset = Stored(field);
            if (!Fits(offset, size)) return E_POINTER;
            cursor = offset + size;
            *field = reinterpret_cast<T *>(base + offset);
            return S_OK;
        }
        // Characters up to a terminating zero inside the image, from offset; the count includes it.
        HRESULT Terminated(uint64_t offset, uint64_t *characters) const
        {
            const uint64_t room = (length - offset) / sizeof(wchar_t);
            const auto *text = reinterpret_cast<const wchar_t *>(base + offset);
            const wchar_t *end = std::wmemchr(text, L'\0', static_cast<size_t>(room));
            if (!end) return E_POINTER;
            *characters = static_cast<uint64_t>(end - text) + 1;
            return S_OK;
        }
        HRESULT TakeString(const wchar_t **field)
        {
            const uint64_t offset = Stored(field);
            if (offset == emptySlot) {
                *field = CGallery::EmptyString;
                return S_OK;
            }
            if (!Fits(offset, sizeof(wchar_t))) return E_POINTER;
            uint64_t characters = 0;
            CACHE_TRY(Terminated(offset, &characters));
            // An empty string is only ever written as the shared one.
            if (characters < 2) return E_POINTER;
            cursor = offset + characters * sizeof(wchar_t);
            *field = reinterpret_cast<const wchar_t *>(base + offset);
            return S_OK;
        }
        // A pair buffer: (non-empty first, second) pairs, then one zero.
        HRESULT TakePairs(const wchar_t **field)
        {
            const uint64_t offset = Stored(field);
            if (offset == emptySlot) {
                *field = CGallery::EmptyString;
                return S_OK;
            }
            if (!Fits(offset, sizeof(wchar_t))) return E_POINTER;
            uint64_t at = offset;
            bool any = false;
            for (;;) {
                if (length - at < sizeof(wchar_t)) return E_POINTER;
                if (*reinterpret_cast<const wchar_t *>(base + at) == 0) break;
                for (int part = 0; part < 2; ++part) {
                    if (length - at < sizeof(wchar_t)) return E_POINTER;
                    uint64_t characters = 0;
                    CACHE_TRY(Terminated(at, &characters));
                    at += characters * sizeof(wchar_t);
                }
                any = true;
            }
            if (!any) return E_POINTER;
            cursor = at + sizeof(wchar_t);
            *field = reinterpret_cast<const wchar_t *>(base + offset);
            return S_OK;
        }
        // The block of a collection with its count; the item array follows when count is not zero.
        template <class Item> HRESULT TakeArray(void *collectionField, Item **items, uint32_t *count)
        {
            auto **field = static_cast<ArrayBlock **>(collectionField);
            CACHE_TRY(Take(field));
            ArrayBlock *block = *field;
            if (block->count != block->capacity) return E_POINTER;
            *count = block->count;
            if (!block->count) {
                if (block->data) return E_POINTER;
                *items = nullptr;
                return S_OK;
            }
            if (block->count > (length - kImageStart) / sizeof(Item)) return E_POINTER;
            auto **data = reinterpret_cast<Item **>(&block->data);
            CACHE_TRY(Take(data, uint64_t(block->count) * sizeof(Item)));
            *items = *data;
            return S_OK;
        }
    };

    template <class C> static HRESULT FixupPairCollection(Reader &r, C **field)
    {
        CACHE_TRY(r.Take(field));
        // The collection's one field is its buffer (pointer-interconvertible, standard-layout).
        return r.TakePairs(reinterpret_cast<const wchar_t **>(*field));
    }

    static HRESULT Fixup(Reader &r, CGalleryStringCollection **field)
    {
        CGalleryStringEntry *entries = nullptr;
        uint32_t count = 0;
        CACHE_TRY(r.TakeArray(field, &entries, &count));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(r.TakeString(&entries[i].m_text));
        return S_OK;
    }

    static HRESULT Fixup(Reader &r, CGalleryMetadata **field)
    {
        CACHE_TRY(r.Take(field));
        CGalleryMetadata *m = *field;
        CACHE_TRY(r.TakeString(&m->m_identifier));
        CACHE_TRY(r.TakeString(&m->m_version));
        CACHE_TRY(r.TakeString(&m->m_sortOverride));
        CACHE_TRY(r.TakeString(&m->m_format));
        CACHE_TRY(FixupPairCollection(r, &m->m_title));
        CACHE_TRY(FixupPairCollection(r, &m->m_keywords));
        CACHE_TRY(r.TakeString(&m->m_originalId));
        CACHE_TRY(r.TakeString(&m->m_showInLanguages));
        CACHE_TRY(r.TakeString(&m->m_hideInLanguages));
        CACHE_TRY(FixupPairCollection(r, &m->m_minimumRequirements));
        return FixupPairCollection(r, &m->m_maximumRequirements);
    }

    static HRESULT Fixup(Reader &r, CGalleryFile **field, CGalleryActivity *parent)
    {
        CACHE_TRY(r.Take(field));
        CGalleryFile *f = *field;
        if (f->m_object.m_type != eGalleryObjectTypeFile) return E_POINTER;
        f->m_parent = parent;
        CACHE_TRY(Fixup(r, &f->m_object.m_metadata));
        return r.TakeString(&f->m_href);
    }

    static HRESULT Fixup(Reader &r, CGalleryActivity **field, CGalleryActivity *parent,
                         CGalleryOrganization *organization, int depth)
    {
        if (depth >= kMaxDepth) return E_POINTER; // top-level activities are at depth 0
        CACHE_TRY(r.Take(field));
        CGalleryActivity *a = *field;
        if (a->m_object.m_type != eGalleryObjectTypeActivity && a->m_object.m_type != eGalleryObjectTypeFolderActivity)
            return E_POINTER;
        a->m_parent = parent;
        a->m_organization = organization;
        CACHE_TRY(Fixup(r, &a->m_object.m_metadata));
        CGalleryFile **files = nullptr;
        uint32_t count = 0;
        CACHE_TRY(r.TakeArray(&a->m_files, &files, &count));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(Fixup(r, &files[i], a));
        CGalleryActivity **children = nullptr;
        CACHE_TRY(r.TakeArray(&a->m_activities, &children, &count));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(Fixup(r, &children[i], a, organization, depth + 1));
        return S_OK;
    }

    static HRESULT Fixup(Reader &r, CGalleryOrganization **field)
    {
        CACHE_TRY(r.Take(field));
        CGalleryOrganization *o = *field;
        if (o->m_object.m_type != eGalleryObjectTypeOrganization) return E_POINTER;
        o->m_manifest = nullptr; // set by the manifest that takes the image over
        CACHE_TRY(Fixup(r, &o->m_object.m_metadata));
        CACHE_TRY(Fixup(r, &o->m_languages));
        CGalleryActivity **activities = nullptr;
        uint32_t count = 0;
        CACHE_TRY(r.TakeArray(&o->m_activities, &activities, &count));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(Fixup(r, &activities[i], nullptr, o, 0));
        return S_OK;
    }

    static HRESULT Fixup(unsigned char *base, uint64_t length, CGalleryManifest **image)
    {
        Reader r{base, length, kImageStart, 0};
        // The manifest record and the shared empty string are fixed.
        if (length < kImageStart + sizeof(CGalleryManifest) + 8) return E_POINTER;
        auto *m = reinterpret_cast<CGalleryManifest *>(base + kImageStart);
        if (m->m_object.m_type != eGalleryObjectTypeManifest) return E_POINTER;
        r.emptySlot = kImageStart + sizeof(CGalleryManifest);
        if (*reinterpret_cast<const wchar_t *>(base + r.emptySlot) != 0) return E_POINTER;
        r.cursor = r.emptySlot + 8;
        m->m_memory = nullptr;
        m->m_fileStamp = nullptr;
        m->m_updated = m->m_temporary = 0;
        CACHE_TRY(Fixup(r, &m->m_object.m_metadata));
        CACHE_TRY(r.TakeString(&m->m_xmlPath));
        CACHE_TRY(r.TakeString(&m->m_cachePath));
        CACHE_TRY(FixupPairCollection(r, &m->m_stringVersions));
        if (Reader::Stored(&m->m_organizations) == 0) return E_POINTER;
        CGalleryOrganization **organizations = nullptr;
        uint32_t count = 0;
        CACHE_TRY(r.TakeArray(&m->m_organizations, &organizations, &count));
        for (uint32_t i = 0; i < count; ++i)
            CACHE_TRY(Fixup(r, &organizations[i]));
        // Nothing but the padding of the last block may follow.
        if (length - r.cursor >= 8) return E_POINTER;
        *image = m;
        return S_OK;
    }
};

HRESULT GalleryCache::Write(const CGalleryManifest *manifest, const CAtlString &path)
{
    if (!manifest) return E_INVALIDARG;
    CGallerySerializationStream *stream = nullptr;
    CACHE_TRY(CGallerySerializationStream::CreateInstance(&stream));
    HRESULT hr = stream->Open(path, true);
    if (SUCCEEDED(hr)) hr = stream->Write(kHeader, kHeaderLength);
    if (SUCCEEDED(hr)) hr = stream->Write(uint64_t(0));
    if (SUCCEEDED(hr)) hr = CGalleryCacheAccess::Serialize(stream, manifest);
    if (SUCCEEDED(hr)) {
        const uint64_t end = stream->GetLength();
        CGalleryCRC crc;
        crc.Add(stream->GetWrittenBytes() + kImageStart, static_cast<size_t>(end - kImageStart));
        hr = stream->Serialize(kHeaderLength, 0, crc.GetChecksum());
        if (SUCCEEDED(hr)) hr = stream->Seek(end);
    }
    if (FAILED(hr)) stream->Cancel();
    const HRESULT closed = stream->Close();
    if (SUCCEEDED(hr)) hr = closed;
    CGallerySerializationStream::DeleteInstance(&stream);
    return hr;
}

HRESULT GalleryCache::Read(const CAtlString &path, CGalleryMemory **block, CGalleryManifest **image)
{
    if (!block || *block || !image) return E_INVALIDARG;
    CGallerySerializationStream *stream = nullptr;
    CACHE_TRY(CGallerySerializationStream::CreateInstance(&stream));
    HRESULT hr = stream->Open(path, false);
    if (hr == S_FALSE) hr = E_FAIL;
    const uint64_t length = stream->GetLength();
    if (SUCCEEDED(hr) && (length < kImageStart || length > CGallerySerializationStream::kMaxLength)) hr = E_FAIL;
    CGalleryMemory *memory = nullptr;
    if (SUCCEEDED(hr)) hr = CGalleryMemory::CreateInstance(static_cast<size_t>(length + kLoadBias), &memory);
    unsigned char *base = memory ? memory->GetBase() + kLoadBias : nullptr;
    if (base) AdviseLargePages(memory->GetBase(), static_cast<size_t>(length + kLoadBias));
    // The whole file into the one block, checksummed piece by piece while each piece is still in the
    // processor's cache; the header is then checked in memory.
    CGalleryCRC crc;
    constexpr uint64_t kPiece = Limits::kCacheReadPiece;
    for (uint64_t at = 0; SUCCEEDED(hr) && at < length;) {
        const uint64_t count = std::min(kPiece, length - at);
        uint64_t got = 0;
        hr = stream->Read(base + at, count, &got, true);
        if (SUCCEEDED(hr) && at + count > kImageStart) {
            const uint64_t from = std::max(at, kImageStart);
            crc.Add(base + from, static_cast<size_t>(at + count - from));
        }
        at += count;
    }
    (void)stream->Close(); // closing a read stream loses nothing
    CGallerySerializationStream::DeleteInstance(&stream);
    if (SUCCEEDED(hr) && std::memcmp(base, kHeader, kHeaderLength) != 0) hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        uint64_t stored = 0;
        for (int i = 0; i < 8; ++i)
            stored |= uint64_t(base[kHeaderLength + i]) << (8 * i);
        if (stored != crc.GetChecksum()) hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) hr = CGalleryCacheAccess::Fixup(base, length, image);
    if (FAILED(hr)) {
        // Nothing of a rejected image was handed out; the block goes with everything in it.
        CGalleryMemory::DeleteInstance(&memory);
        return hr;
    }
    *block = memory;
    return S_OK;
}

// ----- CGalleryManifest -----

HRESULT CGalleryManifest::SaveCache(const CKeldaFilePath &cachePath) const
{
    return GalleryCache::Write(this, cachePath.GetFilePathString());
}

HRESULT CGalleryManifest::OpenCache(const CKeldaFilePath &cachePath)
{
    CGalleryMemory *block = nullptr;
    CGalleryManifest *image = nullptr;
    CACHE_TRY(GalleryCache::Read(cachePath.GetFilePathString(), &block, &image));
    // Take the image over: its records replace this manifest's; they are never freed one by one.
    Dispose();
    CGalleryOrganizationCollection::DeleteInstance(&m_organizations);
    CGalleryLanguageStringCollection::DeleteInstance(&m_stringVersions);
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
    m_object.m_type = image->m_object.m_type;
    m_object.m_metadata = image->m_object.m_metadata;
    m_stringVersions = image->m_stringVersions;
    m_organizations = image->m_organizations;
    CGallery::FreeString(&m_xmlPath);
    m_xmlPath = image->m_xmlPath;
    CGalleryMemory::DeleteInstance(&m_memory);
    m_memory = block;
    HRESULT hr = SetCachePath(cachePath.GetFilePathString().c_str());
    for (uint32_t i = 0; i < m_organizations->GetCount(); ++i)
        m_organizations->GetAt(i)->SetManifest(this);
    SetUpdated(false);
    if (!m_fileStamp && SUCCEEDED(hr)) hr = CGalleryFileStamp::CreateInstance(&m_fileStamp);
    // Without a stamp (zero) the manifest counts as changed and is read again at the next look.
    if (m_fileStamp && FAILED(m_fileStamp->GetStampFromFile(cachePath.GetFilePathString().c_str())))
        m_fileStamp->SetSeconds(0);
    // From here on, whatever gets stored into the image makes the block dirty again.
    CGalleryMemory::MarkClean(m_memory);
    return hr;
}

HRESULT CGalleryManifest::RefreshCache(const CKeldaFilePath &xmlPath) const
{
    const CAtlString cachePath = CGallery::GetCachePath(xmlPath.GetFilePathString());
    CACHE_TRY(SaveCache(CKeldaFilePath(cachePath)));
    // Right after writing, the cache must count as current: move its stamp past the XML file's.
    CGalleryFileStamp stamp{};
    stamp.Initialize();
    CACHE_TRY(stamp.GetStampFromFile(xmlPath.GetFilePathString().c_str()));
    stamp.Increment(7.0);
    return stamp.SetStampOfFile(cachePath.c_str());
}
