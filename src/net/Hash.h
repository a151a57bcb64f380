// QtDownloader::Hash: the digest algorithms a download can compute over the stored bytes, by their
// fixed textual names and numeric values.
#pragma once

#include <QCryptographicHash>
#include <QString>

namespace QtDownloader
{

struct Hash {
    enum Algorithm {
        None = 0,
        Md5 = 1,
        Sha224 = 2,
        Sha256 = 3,
        Sha384 = 4,
        Sha512 = 5,
        Sha3_224 = 6, // the "sha3_" names select Keccak (pre-standard), not FIPS 202
        Sha3_256 = 7,
        Sha3_384 = 8,
        Sha3_512 = 9,
    };

    // Exact, case-sensitive lookup of "md5", "sha224", ...; any other text gives None.
    static Algorithm fromString(const QString &name);
    // Values 1 to 9 map to their Qt hash kinds; anything else maps to MD5.
    static QCryptographicHash::Algorithm toQAlgorithm(int algorithm);
};

} // namespace QtDownloader
