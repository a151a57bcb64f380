// ".strings" translation tables: tokens stay within their length limit and pairs come from tokens.
#include "FuzzEnv.h"
#include "settings/StringsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes = FuzzEnv::Bytes(data, size);
    const std::vector<CAtlString> tokens = StringsFile::Tokenize(bytes);
    for (const CAtlString &token : tokens)
        FUZZ_CHECK(token.size() <= StringsFile::MaxTokenLength);
    const auto pairs = StringsFile::ReadPairs(bytes);
    FUZZ_CHECK(pairs.size() <= tokens.size() / 2);
    for (const auto &pair : pairs)
        FUZZ_CHECK(!pair.second.empty());
    return 0;
}
