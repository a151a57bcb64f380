// Generated imsmanifest.xml documents for the benchmarks, written by the gallery's own writer from a
// generated model: organizations of `activities` activities with 10 files each, every record with a
// title in two languages and a version, and for files keywords, a format and a requirement, so the
// readers see the same shape as a real gallery.
#pragma once

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/XmlWriter.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace BenchManifest
{

// The generator cannot go on without a step that failed.
inline void Must(HRESULT hr)
{
    if (FAILED(hr)) {
        std::fprintf(stderr, "manifest generator: a step failed (0x%08x)\n", static_cast<unsigned>(hr));
        std::abort();
    }
}

inline void Describe(CGalleryMetadata *m, const std::wstring &id, const std::wstring &title)
{
    Must(m->SetIdentifier(CAtlString(CGallery::IdentifierPrefix + std::wstring(L"?type=record&id=") + id).c_str()));
    Must(m->GetTitle()->Add(L"en", title.c_str()));
    Must(m->GetTitle()->Add(L"fr", (title + L" (fr)").c_str()));
    Must(m->SetVersion(L"2010-06-03"));
}

// A manifest of at least `bytes` bytes of XML. With stringVersions, the manifest also carries
// per-language string versions.
inline std::string Generate(size_t bytes, int activities = 40, const std::wstring &manifestId = L"manifest",
                            bool stringVersions = false)
{
    CGalleryManifest *manifest = nullptr;
    Must(CGalleryManifest::CreateInstance(&manifest));
    Describe(manifest->GetMetadata(), manifestId, L"Generated gallery");
    if (stringVersions) {
        Must(manifest->GetStringVersions()->Add(L"en", L"2010-06-03"));
        Must(manifest->GetStringVersions()->Add(L"fr", L"2010-06-04"));
    }
    std::string text;
    int counter = 0;
    // Grow organization by organization: one gives the size of each, the rest follow in one batch.
    size_t batch = 1;
    while (text.size() < bytes && batch) {
        for (size_t b = 0; b < batch; ++b) {
            CGalleryOrganization *organization = nullptr;
            Must(CGalleryOrganization::CreateInstance(&organization));
            organization->SetManifest(manifest);
            Describe(organization->GetMetadata(), L"o" + std::to_wstring(++counter), L"Organization");
            Must(manifest->GetOrganizations()->Add(organization));
            for (int a = 0; a < activities; ++a) {
                CGalleryActivity *activity = nullptr;
                Must(CGalleryActivity::CreateInstance(&activity));
                activity->SetOrganization(organization);
                Describe(activity->GetMetadata(), L"a" + std::to_wstring(++counter), L"Activity " + std::to_wstring(a));
                Must(organization->GetActivities()->Add(activity));
                for (int f = 0; f < 10; ++f) {
                    CGalleryFile *file = nullptr;
                    Must(CGalleryFile::CreateInstance(&file));
                    file->SetParent(activity);
                    const std::wstring n = std::to_wstring(++counter);
                    Describe(file->GetMetadata(), L"f" + n, L"Picture " + n);
                    Must(file->GetMetadata()->GetKeywords()->Add(L"en", L"picture"));
                    Must(file->GetMetadata()->GetKeywords()->Add(L"fr", L"image"));
                    Must(file->GetMetadata()->SetFormat(
                        L"application/x-keldalabs-galleryitem;x-original-type=image/png"));
                    Must(file->GetMetadata()->GetMinimumRequirements()->Add(L"x-keldalabs-vellum", L"10.0"));
                    Must(file->SetHref((L"items/picture" + n + L".galleryitem").c_str()));
                    Must(activity->GetFiles()->Add(file));
                }
            }
        }
        IKELDAXMLWriter *writer = nullptr;
        Must(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer));
        Must(manifest->WriteXml(writer));
        writer->get_output(&text);
        writer->Release();
        const size_t organizations = manifest->GetOrganizations()->GetCount();
        const size_t each = text.size() / organizations + 1;
        batch = text.size() < bytes ? (bytes - text.size()) / each + 1 : 0;
    }
    CGalleryManifest::DeleteInstance(&manifest);
    return text;
}

} // namespace BenchManifest
