#pragma once

#include <QByteArray>

namespace history {

// What tells one run file's bytes from another's in the store: their SHA-256, in lower-case hex.
// OpenSSL's, which uses the processor's SHA instructions where it has them: a first import hashes
// thousands of files, and Qt's own SHA-256 took more of it than reading them.
QByteArray contentHash(const QByteArray &bytes);

} // namespace history
