// Shared by the cache, merge and i18n tests: owning manifest pointers, a small record builder, and a
// dump of every value and link of a manifest so that two manifests can be compared record for record.
#pragma once

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryStringCollection.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace CacheTest
{

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};
using ManifestPtr = std::unique_ptr<CGalleryManifest, ManifestDeleter>;

inline ManifestPtr NewManifest()
{
    CGalleryManifest *m = nullptr;
    EXPECT_EQ(CGalleryManifest::CreateInstance(&m), S_OK);
    return ManifestPtr(m);
}

inline CAtlString W(const std::string &utf8)
{
    return Text::FromUtf8(utf8);
}

inline void Describe(CGalleryMetadata *m, const wchar_t *id, const wchar_t *title)
{
    m->SetIdentifier(id);
    if (title) m->GetTitle()->Add(L"en", title);
}

inline CGalleryOrganization *AddOrganization(CGalleryManifest *m, const wchar_t *id, const wchar_t *title)
{
    CGalleryOrganization *o = nullptr;
    CGalleryOrganization::CreateInstance(&o);
    o->SetManifest(m);
    Describe(o->GetMetadata(), id, title);
    m->GetOrganizations()->Add(o);
    return o;
}

inline CGalleryActivity *AddActivity(CGalleryOrganization *o, CGalleryActivity *parent, const wchar_t *id,
                                     const wchar_t *title)
{
    CGalleryActivity *a = nullptr;
    CGalleryActivity::CreateInstance(&a);
    a->SetOrganization(o);
    a->SetParent(parent);
    Describe(a->GetMetadata(), id, title);
    (parent ? parent->GetActivities() : o->GetActivities())->Add(a);
    return a;
}

inline CGalleryFile *AddFile(CGalleryActivity *a, const wchar_t *id, const wchar_t *title, const wchar_t *href)
{
    CGalleryFile *f = nullptr;
    CGalleryFile::CreateInstance(&f);
    f->SetParent(a);
    f->SetHref(href);
    Describe(f->GetMetadata(), id, title);
    a->GetFiles()->Add(f);
    return f;
}

// A manifest with every kind of value: several organizations, nested activities, multilingual titles,
// repeated keywords, requirements, a date, string versions, language lists and empty strings.
inline ManifestPtr RichManifest()
{
    ManifestPtr m = NewManifest();
    CGalleryMetadata *meta = m->GetMetadata();
    Describe(meta, L"urn:manifest", L"Science & <Nature>");
    meta->GetTitle()->Add(L"fr", L"Sciences");
    meta->SetVersion(L"2009-05-01");
    meta->SetCreationDateTime(CGalleryMetadata::ParseDateTime(L"2008-03-04T05:06:07"));
    m->GetStringVersions()->Add(L"en", L"2009-05-01");
    m->GetStringVersions()->Add(L"fr", L"2009-06-01");
    CGalleryOrganization *o1 = AddOrganization(m.get(), L"urn:org1", L"Animals");
    o1->SetReadOnly(true);
    CGalleryActivity *a1 = AddActivity(o1, nullptr, L"urn:act1", L"Insects");
    a1->GetMetadata()->SetSortOverride(L"001");
    CGalleryActivity *a2 = AddActivity(o1, a1, L"urn:act2", nullptr); // empty title
    a2->GetMetadata()->GetTitle()->Add(L"de-AT", L"Tiere \u00e4\u00f6");
    for (int i = 0; i < 3; ++i) {
        const std::wstring n = std::to_wstring(i);
        CGalleryFile *f = AddFile(i ? a1 : a2, (L"urn:file" + n).c_str(), (L"File " + n).c_str(),
                                  (L"items/f" + n + L".galleryitem").c_str());
        CGalleryMetadata *fm = f->GetMetadata();
        fm->GetKeywords()->Add(L"en", L"insect");
        fm->GetKeywords()->Add(L"en", L"small");
        fm->GetKeywords()->Add(L"fr", L"insecte");
        fm->SetFormat(L"application/x-keldalabs-galleryitem;x-original-type=image/png");
        fm->GetMinimumRequirements()->Add(L"x-keldalabs-vellum", L"10.0");
        fm->GetMaximumRequirements()->Add(L"other", L"2.*");
        fm->SetOriginalId(L"urn:orig");
        fm->SetShowInLanguages(L"en;fr");
        fm->SetHideInLanguages(L"de");
    }
    CGalleryOrganization *o2 = AddOrganization(m.get(), L"urn:org2", L"Plants");
    AddActivity(o2, nullptr, L"urn:empty", L"Nothing here");
    AddOrganization(m.get(), L"urn:org3", L"No activities");
    return m;
}

inline void DumpPairs(std::wostringstream &out, const wchar_t *name, const wchar_t *buffer)
{
    out << name << "[";
    for (const wchar_t *p = buffer; p && *p;) {
        out << p << "=";
        p += std::wcslen(p) + 1;
        out << p << ";";
        p += std::wcslen(p) + 1;
    }
    out << "] ";
}

inline void DumpMetadata(std::wostringstream &out, const CGalleryMetadata *m)
{
    out << "id=" << m->GetIdentifier() << " v=" << m->GetVersion() << " sort=" << m->GetSortOverride()
        << " fmt=" << m->GetFormat() << " date=" << m->GetCreationDateTime() << " orig=" << m->GetOriginalId()
        << " show=" << m->GetShowInLanguages() << " hide=" << m->GetHideInLanguages() << " ";
    DumpPairs(out, L"title", m->GetTitle()->GetBuffer());
    DumpPairs(out, L"kw", m->GetKeywords()->GetBuffer());
    DumpPairs(out, L"min", m->GetMinimumRequirements()->GetBuffer());
    DumpPairs(out, L"max", m->GetMaximumRequirements()->GetBuffer());
    out << "\n";
}

inline void DumpActivity(std::wostringstream &out, const CGalleryActivity *a, const CGalleryActivity *parent,
                         const CGalleryOrganization *o, int depth)
{
    out << std::wstring(depth * 2, L' ') << "activity kind=" << a->GetObjectType()
        << (a->GetParent() == parent && a->GetOrganization() == o ? L"" : L" BAD-LINKS") << " ";
    DumpMetadata(out, a->GetMetadata());
    for (uint32_t i = 0; i < a->GetActivities()->GetCount(); ++i)
        DumpActivity(out, a->GetActivities()->GetAt(i), a, o, depth + 1);
    for (uint32_t i = 0; i < a->GetFiles()->GetCount(); ++i) {
        const CGalleryFile *f = a->GetFiles()->GetAt(i);
        out << std::wstring(depth * 2 + 2, L' ') << "file kind=" << f->GetObjectType() << " href=" << f->GetHref()
            << (f->GetParent() == a ? L"" : L" BAD-LINKS") << " ";
        DumpMetadata(out, f->GetMetadata());
    }
}

// Every value and every link of the manifest (XML path included), as text.
inline std::wstring Dump(const CGalleryManifest *m)
{
    std::wostringstream out;
    out << "manifest kind=" << m->GetObjectType() << " xml=" << m->GetXmlPath() << " ";
    DumpPairs(out, L"versions", m->GetStringVersions()->GetBuffer());
    DumpMetadata(out, m->GetMetadata());
    for (uint32_t i = 0; i < m->GetOrganizations()->GetCount(); ++i) {
        const CGalleryOrganization *o = m->GetOrganizations()->GetAt(i);
        out << "organization ro=" << o->GetReadOnly() << (o->GetManifest() == m ? L"" : L" BAD-LINKS") << " langs=";
        for (uint32_t l = 0; l < o->GetLanguages()->GetCount(); ++l)
            out << o->GetLanguages()->GetAt(l) << ",";
        out << " ";
        DumpMetadata(out, o->GetMetadata());
        for (uint32_t a = 0; a < o->GetActivities()->GetCount(); ++a)
            DumpActivity(out, o->GetActivities()->GetAt(a), nullptr, o, 1);
    }
    return out.str();
}

} // namespace CacheTest
