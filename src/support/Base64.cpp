// Base64 encoding and decoding on QByteArray, with the documented checks around it.
#include "support/Base64.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>

namespace
{

// QByteArray sizes are int: long inputs go through in pieces. A piece of whole 3-byte groups encodes,
// and a piece of whole 4-symbol groups decodes, exactly as its share of the whole does.
constexpr size_t kEncodePiece = size_t(3) << 20;
constexpr size_t kDecodePiece = size_t(4) << 20;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

CAtlStringA ConvertRawBytesIntoBase64String(const void *bytes, size_t count, std::string_view prefix)
{
    CAtlStringA out(prefix);
    if (!bytes) count = 0;
    out.reserve(prefix.size() + (count + 2) / 3 * 4);
    const auto *p = static_cast<const char *>(bytes);
    for (size_t at = 0; at < count; at += kEncodePiece) {
        const size_t n = std::min(kEncodePiece, count - at);
        const QByteArray encoded = QByteArray::fromRawData(p + at, static_cast<int>(n)).toBase64();
        out.append(encoded.constData(), static_cast<size_t>(encoded.size()));
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
    // Without the white space: whole groups of four, with at most two "=" and only at the very end.
    std::string symbols;
    symbols.reserve(text.size());
    for (const char c : text)
        if (!IsBlank(c)) symbols += c;
    if (symbols.size() % 4 != 0) return false;
    const size_t padding = symbols.find('=');
    if (padding != std::string::npos &&
        (symbols.size() - padding > 2 || symbols.find_first_not_of('=', padding) != std::string::npos))
        return false;
    std::vector<uint8_t> bytes;
    bytes.reserve(symbols.size() / 4 * 3);
    for (size_t at = 0; at < symbols.size(); at += kDecodePiece) {
        const size_t n = std::min(kDecodePiece, symbols.size() - at);
        // Strict decoding: any character outside the alphabet fails.
        const QByteArray::FromBase64Result result =
            QByteArray::fromBase64Encoding(QByteArray::fromRawData(symbols.data() + at, static_cast<int>(n)),
                                           QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
        if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok) return false;
        bytes.insert(bytes.end(), result.decoded.cbegin(), result.decoded.cend());
    }
    *out = std::move(bytes);
    return true;
}
