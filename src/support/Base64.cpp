// Base64 encoding and decoding.
#include "support/Base64.h"

#include <cstdio>

namespace
{

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct DecodeTable {
    int8_t v[256];
    constexpr DecodeTable() : v()
    {
        for (int i = 0; i < 256; ++i)
            v[i] = -1;
        for (int i = 0; i < 64; ++i)
            v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int8_t>(i);
    }
};
constexpr DecodeTable kDecode;

} // namespace

CAtlStringA ConvertRawBytesIntoBase64String(const void *bytes, size_t count, std::string_view prefix)
{
    CAtlStringA out(prefix);
    if (!bytes) count = 0;
    const auto *p = static_cast<const uint8_t *>(bytes);
    out.reserve(prefix.size() + (count + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const uint32_t v = (uint32_t(p[i]) << 16) | (uint32_t(p[i + 1]) << 8) | p[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (count - i == 1) {
        const uint32_t v = uint32_t(p[i]) << 16;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (count - i == 2) {
        const uint32_t v = (uint32_t(p[i]) << 16) | (uint32_t(p[i + 1]) << 8);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

HRESULT ConvertBinaryFileToBase64String(const CAtlString &path, CAtlStringA *out, std::string_view prefix)
{
    if (!out) return E_INVALIDARG;
    FILE *file = std::fopen(Text::ToUtf8(path).c_str(), "rb");
    if (!file) return E_FAIL;
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok) return E_FAIL;
    *out = ConvertRawBytesIntoBase64String(bytes.data(), bytes.size(), prefix);
    return S_OK;
}

bool ConvertBase64StringIntoRawBytes(std::string_view text, std::vector<uint8_t> *out)
{
    if (!out) return false;
    if (text.substr(0, 5) == "data:") {
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos) return false;
        text.remove_prefix(comma + 1);
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    size_t symbols = 0, padding = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if (c == '=') {
            ++padding;
            ++symbols;
            continue;
        }
        const int v = kDecode.v[static_cast<unsigned char>(c)];
        if (v < 0 || padding) return false; // data after padding
        ++symbols;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<uint8_t>(acc >> bits));
            acc &= (1u << bits) - 1;
        }
    }
    if (symbols % 4 != 0 || padding > 2) return false;
    *out = std::move(bytes);
    return true;
}
