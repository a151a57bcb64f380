// Name and kind tables of QtDownloader::Hash.
#include "net/Hash.h"

namespace QtDownloader
{

namespace
{

struct HashName {
    const char *name;
    Hash::Algorithm algorithm;
    QCryptographicHash::Algorithm qtAlgorithm;
};

const HashName kHashes[] = {
    {"md5", Hash::Md5, QCryptographicHash::Md5},
    {"sha224", Hash::Sha224, QCryptographicHash::Sha224},
    {"sha256", Hash::Sha256, QCryptographicHash::Sha256},
    {"sha384", Hash::Sha384, QCryptographicHash::Sha384},
    {"sha512", Hash::Sha512, QCryptographicHash::Sha512},
    {"sha3_224", Hash::Sha3_224, QCryptographicHash::Keccak_224},
    {"sha3_256", Hash::Sha3_256, QCryptographicHash::Keccak_256},
    {"sha3_384", Hash::Sha3_384, QCryptographicHash::Keccak_384},
    {"sha3_512", Hash::Sha3_512, QCryptographicHash::Keccak_512},
};

} // namespace

Hash::Algorithm Hash::fromString(const QString &name)
{
    for (const HashName &entry : kHashes) {
        if (name == QLatin1String(entry.name)) return entry.algorithm;
    }
    return None;
}

QCryptographicHash::Algorithm Hash::toQAlgorithm(int algorithm)
{
    for (const HashName &entry : kHashes) {
        if (entry.algorithm == algorithm) return entry.qtAlgorithm;
    }
    return QCryptographicHash::Md5;
}

} // namespace QtDownloader
