// CGalleryCRC against zlib's crc32 on random data (every length around the block sizes of the fast
// paths, unaligned starts, split feeds), and the stream form that must leave the position unchanged.
#include "gallery/manifest/GalleryCRC.h"
#include "gallery/manifest/GallerySerializationStream.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace
{

uint64_t Zlib(const unsigned char *p, size_t n)
{
    return crc32(crc32(0L, Z_NULL, 0), p, static_cast<uInt>(n));
}

std::vector<unsigned char> RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<unsigned char> bytes(n);
    for (auto &b : bytes)
        b = static_cast<unsigned char>(rng());
    return bytes;
}

} // namespace

TEST(GalleryCRC, EqualsZlibOnRandomInputs)
{
    CGalleryCRC none;
    EXPECT_EQ(none.GetChecksum(), 0u);
    CGalleryCRC check;
    check.Add("123456789", 9);
    EXPECT_EQ(check.GetChecksum(), 0xCBF43926u);

    const std::vector<unsigned char> data = RandomBytes((1 << 20) + 77, 1);
    std::mt19937 rng(2);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 600; ++n)
        lengths.push_back(n);
    for (int i = 0; i < 200; ++i)
        lengths.push_back(rng() % (data.size() - 16));
    lengths.push_back(data.size() - 16);
    for (size_t n : lengths) {
        const size_t start = rng() % 16; // unaligned starts
        CGalleryCRC crc;
        crc.Add(data.data() + start, n);
        ASSERT_EQ(crc.GetChecksum(), Zlib(data.data() + start, n)) << "length " << n << " start " << start;
        EXPECT_EQ(crc.GetChecksum() >> 32, 0u);
    }
}

TEST(GalleryCRC, SplitFeedsGiveTheSameSum)
{
    const std::vector<unsigned char> data = RandomBytes(100000, 3);
    std::mt19937 rng(4);
    for (int round = 0; round < 50; ++round) {
        CGalleryCRC crc;
        size_t at = 0;
        while (at < data.size()) {
            const size_t n = std::min<size_t>(data.size() - at, rng() % 3000);
            crc.Add(data.data() + at, n);
            at += n;
        }
        ASSERT_EQ(crc.GetChecksum(), Zlib(data.data(), data.size()));
    }
}

TEST(GalleryCRC, StreamFormSumsTheRestAndSeeksBack)
{
    TestEnv::TempDir dir;
    const std::vector<unsigned char> data = RandomBytes(3 * 4096 + 123, 5);
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("data.bin"), std::string(data.begin(), data.end())));
    CGallerySerializationStream *stream = nullptr;
    ASSERT_EQ(CGallerySerializationStream::CreateInstance(&stream), S_OK);
    ASSERT_EQ(stream->Open(Text::FromUtf8(dir.file("data.bin")), false), S_OK);
    ASSERT_EQ(stream->Seek(100), S_OK);
    CGalleryCRC crc;
    EXPECT_EQ(crc.Add(stream), S_OK);
    EXPECT_EQ(crc.GetChecksum(), Zlib(data.data() + 100, data.size() - 100));
    EXPECT_EQ(stream->GetPosition(), 100u);
    CGallerySerializationStream::DeleteInstance(&stream);
}
