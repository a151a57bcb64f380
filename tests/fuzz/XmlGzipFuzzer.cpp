// The gzip path of the XML file reader: the input is a ".gz" file. What ReadXmlFile parses must be what
// LoadDocument hands out, and parsing those bytes directly must give the same result.
#include "FuzzEnv.h"
#include "SaxCheckingHandler.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = FuzzEnv::FreshWork() + "/document.xml.gz";
    FUZZ_CHECK(FuzzEnv::WriteFile(path, FuzzEnv::Bytes(data, size)));

    std::vector<char> inflated;
    const HRESULT loaded = KELDASax::LoadDocument(path, &inflated);
    SaxCheckingHandler fromFile;
    const HRESULT hr = KELDASax::ReadXmlFileUtf8(path, &fromFile);
    if (FAILED(loaded)) {
        FUZZ_CHECK(FAILED(hr));
        return 0;
    }
    fromFile.CheckComplete(hr);
    if (inflated.empty()) return 0;
    SaxCheckingHandler fromMemory;
    const HRESULT direct = KELDASax::ReadXml(inflated.data(), inflated.size(), &fromMemory);
    FUZZ_CHECK(direct == hr);
    FUZZ_CHECK(fromMemory.Sum() == fromFile.Sum());
    return 0;
}
