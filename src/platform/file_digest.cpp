// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_digest.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace lumaport {

QByteArray sha256Hex(QIODevice& device)
{
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return {};
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = device.read(buffer.data(), buffer.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.constData(), size_t(got));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

QString fileSha256(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(sha256Hex(file)) : QString();
}

} // namespace lumaport
