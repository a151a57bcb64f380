// The byte-wise table update, widened for speed: eight bytes at a time through eight derived tables,
// and on processors with carry-less multiplication, 64-byte blocks folded with PCLMULQDQ. Every path
// gives the value of the plain byte-wise update; the fast ones only decide how many bytes go at once.
#include "gallery/manifest/GalleryCRC.h"

#include "gallery/manifest/GallerySerializationStream.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TROVE_CRC_CLMUL 1
#endif

namespace
{

constexpr uint32_t kPolynomial = 0xEDB88320u;

struct Tables {
    uint32_t t[8][256];
    // Folding constants (see FoldConstant): forward by 128 and by 512 bits.
    uint64_t k128lo, k128hi, k512lo, k512hi;
    bool clmul;
};

// x^n mod P in the normal (not reflected) bit order; P = 0x104C11DB7.
uint32_t PowerModP(unsigned n)
{
    uint32_t r = 1; // x^0
    for (unsigned i = 0; i < n; ++i)
        r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
    return r;
}

// A polynomial of degree < 32 as a 64-bit reflected operand: bit i holds the coefficient of x^(63-i).
uint64_t Reflect64(uint32_t normal)
{
    uint64_t out = 0;
    for (unsigned d = 0; d < 32; ++d)
        if (normal & (1u << d)) out |= uint64_t(1) << (63 - d);
    return out;
}

// A 16-byte lane X = lo * x^64 + hi (reflected halves) moved forward by D bits is
// clmul(lo, x^(D+63) mod P) ^ clmul(hi, x^(D-1) mod P): the reflected carry-less product carries one
// extra factor x, hence the "- 1".
void FoldConstants(unsigned distance, uint64_t &lo, uint64_t &hi)
{
    lo = Reflect64(PowerModP(distance + 64 - 1));
    hi = Reflect64(PowerModP(distance - 1));
}

Tables MakeTables()
{
    Tables tables{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ kPolynomial : (c >> 1);
        tables.t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s)
            tables.t[s][i] = (tables.t[s - 1][i] >> 8) ^ tables.t[0][tables.t[s - 1][i] & 0xFF];
    FoldConstants(128, tables.k128lo, tables.k128hi);
    FoldConstants(512, tables.k512lo, tables.k512hi);
#ifdef TROVE_CRC_CLMUL
    __builtin_cpu_init();
    tables.clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
#endif
    return tables;
}

const Tables &TheTables()
{
    static const Tables tables = MakeTables();
    return tables;
}

uint32_t UpdateBytes(const Tables &tables, uint32_t state, const unsigned char *p, size_t count)
{
    const auto &t = tables.t;
    while (count >= 8) {
        uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + 4, 4);
        a ^= state; // little-endian hosts only (x86_64, aarch64)
        state = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^ t[3][b & 0xFF] ^
                t[2][(b >> 8) & 0xFF] ^ t[1][(b >> 16) & 0xFF] ^ t[0][b >> 24];
        p += 8;
        count -= 8;
    }
    while (count--)
        state = t[0][(state ^ *p++) & 0xFF] ^ (state >> 8);
    return state;
}

#ifdef TROVE_CRC_CLMUL
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i k)
{
    // k: low half multiplies x's low half, high half multiplies x's high half.
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

// Folds count bytes (a multiple of 16, at least 64) down to one lane, starting from state; the lane is
// then run through the byte-wise update from state 0, which gives the same result because the raw CRC
// of a message depends only on its residue modulo P.
__attribute__((target("pclmul,sse4.1"))) uint32_t UpdateClmul(const Tables &tables, uint32_t state,
                                                              const unsigned char *p, size_t count)
{
    const __m128i k512 = _mm_set_epi64x(static_cast<long long>(tables.k512hi), static_cast<long long>(tables.k512lo));
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(tables.k128hi), static_cast<long long>(tables.k128lo));
    __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16));
    __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 32));
    __m128i x3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 48));
    // The initial state joins the first four message bytes.
    x0 = _mm_xor_si128(x0, _mm_cvtsi32_si128(static_cast<int>(state)));
    p += 64;
    count -= 64;
    while (count >= 64) {
        x0 = _mm_xor_si128(Fold(x0, k512), _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        x1 = _mm_xor_si128(Fold(x1, k512), _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16)));
        x2 = _mm_xor_si128(Fold(x2, k512), _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 32)));
        x3 = _mm_xor_si128(Fold(x3, k512), _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 48)));
        p += 64;
        count -= 64;
    }
    x1 = _mm_xor_si128(Fold(x0, k128), x1);
    x2 = _mm_xor_si128(Fold(x1, k128), x2);
    x3 = _mm_xor_si128(Fold(x2, k128), x3);
    while (count >= 16) {
        x3 = _mm_xor_si128(Fold(x3, k128), _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        p += 16;
        count -= 16;
    }
    unsigned char lane[16];
    _mm_storeu_si128(reinterpret_cast<__m128i *>(lane), x3);
    return UpdateBytes(tables, 0, lane, sizeof lane);
}
#endif

} // namespace

const uint32_t *CGalleryCRC::GetTable()
{
    return TheTables().t[0];
}

uint32_t CGalleryCRC::Update(uint32_t state, const void *bytes, size_t count)
{
    if (!bytes || !count) return state;
    const Tables &tables = TheTables();
    const auto *p = static_cast<const unsigned char *>(bytes);
#ifdef TROVE_CRC_CLMUL
    if (tables.clmul && count >= 256) {
        const size_t block = count & ~size_t(15);
        state = UpdateClmul(tables, state, p, block);
        p += block;
        count -= block;
    }
#endif
    return UpdateBytes(tables, state, p, count);
}

void CGalleryCRC::Add(const void *bytes, size_t count)
{
    m_state = Update(m_state, bytes, count);
}

HRESULT CGalleryCRC::Add(CGallerySerializationStream *stream)
{
    if (!stream) return E_INVALIDARG;
    const uint64_t start = stream->GetPosition();
    unsigned char block[4096];
    for (;;) {
        uint64_t got = 0;
        const HRESULT hr = stream->Read(block, sizeof block, &got, false);
        if (FAILED(hr)) return hr;
        if (!got) break;
        Add(block, static_cast<size_t>(got));
        if (got < sizeof block) break;
    }
    return stream->Seek(start);
}
