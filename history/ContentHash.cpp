#include "history/ContentHash.h"

#include <QCryptographicHash>

#include <openssl/evp.h>

namespace history {

QByteArray contentHash(const QByteArray &bytes)
{
    // Fetched once: looking the algorithm up costs more than hashing a run file.
    static EVP_MD *const sha256 = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (sha256 && EVP_Digest(bytes.constData(), size_t(bytes.size()), digest, &size, sha256, nullptr) == 1)
        return QByteArray(reinterpret_cast<const char *>(digest), int(size)).toHex();
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace history
