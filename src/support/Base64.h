// Standard Base64 (RFC 4648 alphabet, "=" padding) for attribute data such as embedded images and
// Flash objects, which the documents carry as "data:;base64,..." texts.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// prefix followed by the Base64 text of the bytes (its length is a multiple of four).
CAtlStringA ConvertRawBytesIntoBase64String(const void *bytes, size_t count, std::string_view prefix = {});
// The same for a whole file; E_FAIL when it cannot be read (out unchanged).
[[nodiscard]] HRESULT ConvertBinaryFileToBase64String(const CAtlString &path, CAtlStringA *out,
                                                      std::string_view prefix = {});
// Decodes Base64 text; white space is skipped. A leading data prefix ("data:...;base64,") is removed
// first. False for any other character or a bad length (out unchanged).
[[nodiscard]] bool ConvertBase64StringIntoRawBytes(std::string_view text, std::vector<uint8_t> *out);
