// i18n tables: the input is "i18n.xml". A table that reads must write out, and the written table must
// read back and write the same text again.
#include "FuzzEnv.h"
#include "gallery/manifest/GalleryI18N.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string work = FuzzEnv::FreshWork();
    const std::string input = work + "/i18n.xml";
    FUZZ_CHECK(FuzzEnv::WriteFile(input, FuzzEnv::Bytes(data, size)));

    CGalleryI18N table;
    table.SetLanguage(L"de");
    if (table.Read(CKeldaFilePath(FuzzEnv::W(input))) != S_OK) return 0;
    CAtlStringA written;
    FUZZ_CHECK(table.WriteToString(written) == S_OK);

    const std::string again = work + "/again.xml";
    FUZZ_CHECK(FuzzEnv::WriteFile(again, written));
    CGalleryI18N reread;
    reread.SetLanguage(L"de");
    FUZZ_CHECK(reread.Read(CKeldaFilePath(FuzzEnv::W(again))) == S_OK);
    CAtlStringA rewritten;
    FUZZ_CHECK(reread.WriteToString(rewritten) == S_OK);
    FUZZ_CHECK(rewritten == written);
    FUZZ_CHECK(reread.GetManifests().size() == table.GetManifests().size());
    return 0;
}
