// Shared by the fuzz harnesses: the private folders every run uses instead of the real home, settings
// and temporary folder, a work folder emptied for each input, and small file helpers.
//
// Each harness defines LLVMFuzzerTestOneInput. LLVMFuzzerInitialize (FuzzEnv.cpp) sets up the folders
// and a core application once; the fuzzing build calls it through libFuzzer, the replay driver itself.
#pragma once

#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace FuzzEnv
{

// Removes everything in the work folder and returns its path (it exists and is empty).
std::string FreshWork();
// The sysroot that TROVE_SYSROOT names for this process.
std::string SysRoot();

bool WriteFile(const std::string &path, std::string_view bytes);
std::string ReadFile(const std::string &path);
inline CAtlString W(const std::string &utf8)
{
    return Text::FromUtf8(utf8);
}
inline std::string_view Bytes(const uint8_t *data, size_t size)
{
    return std::string_view(reinterpret_cast<const char *>(data), size);
}

// A broken invariant: prints what broke and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char *what);

} // namespace FuzzEnv

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) FuzzEnv::Fail(#condition);                                                                   \
    } while (0)
