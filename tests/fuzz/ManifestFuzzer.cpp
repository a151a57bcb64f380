// Opening a manifest, then writing it and reading it back: the input is "imsmanifest.xml". What opens
// must write out, and the written document must read back to the same document, both as XML and
// through the binary cache image written beside it.
#include "FuzzEnv.h"
#include "gallery/manifest/GalleryManifest.h"
#include "support/XmlWriter.h"

#include <memory>

namespace
{

struct ManifestDeleter {
    void operator()(CGalleryManifest *m) const { CGalleryManifest::DeleteInstance(&m); }
};
using ManifestPtr = std::unique_ptr<CGalleryManifest, ManifestDeleter>;

ManifestPtr Open(const std::string &path, bool useCache, HRESULT *hr)
{
    CGalleryManifest *m = nullptr;
    FUZZ_CHECK(CGalleryManifest::CreateInstance(&m) == S_OK);
    ManifestPtr owned(m);
    *hr = owned->Open(FuzzEnv::W(path).c_str(), nullptr, useCache);
    return owned;
}

std::string Written(const CGalleryManifest *m)
{
    IKELDAXMLWriter *writer = nullptr;
    FUZZ_CHECK(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer) == S_OK);
    CAtlStringA text;
    const HRESULT hr = m->WriteXml(writer);
    FUZZ_CHECK(hr == S_OK);
    FUZZ_CHECK(writer->get_output(&text) == S_OK);
    writer->Release();
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    const std::string input = work + "/imsmanifest.xml";
    FUZZ_CHECK(FuzzEnv::WriteFile(input, FuzzEnv::Bytes(data, size)));

    HRESULT hr = E_FAIL;
    ManifestPtr first = Open(input, false, &hr);
    if (FAILED(hr) || hr == S_FALSE) return 0;
    (void)first->PerformSanityChecks(true);
    const std::string written = Written(first.get());

    // The written document, saved with its cache image, reads back to the same text both ways.
    const std::string saved = work + "/saved.xml";
    FUZZ_CHECK(first->SaveAs(FuzzEnv::W(saved).c_str(), true) == S_OK);
    first.reset();
    FUZZ_CHECK(FuzzEnv::ReadFile(saved) == written);

    ManifestPtr reread = Open(saved, false, &hr);
    FUZZ_CHECK(hr == S_OK);
    FUZZ_CHECK(Written(reread.get()) == written);
    reread.reset();

    ManifestPtr cached = Open(saved, true, &hr);
    FUZZ_CHECK(hr == S_OK);
    FUZZ_CHECK(cached->GetMemory() != nullptr);
    FUZZ_CHECK(Written(cached.get()) == written);
    return 0;
}
