// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/file_digest.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace lumaport {

namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context started(const EVP_MD* kind)
{
    Context context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), kind, nullptr) != 1)
        context.reset();
    return context;
}

QByteArray finished(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context, digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

} // namespace

QByteArray sha256Hex(QIODevice& device, QByteArray* md5)
{
    const Context sha256 = started(EVP_sha256());
    const Context second = md5 ? started(EVP_md5()) : Context(nullptr, EVP_MD_CTX_free);
    if (!sha256 || (md5 && !second))
        return {};
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = device.read(buffer.data(), buffer.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        EVP_DigestUpdate(sha256.get(), buffer.constData(), size_t(got));
        if (second)
            EVP_DigestUpdate(second.get(), buffer.constData(), size_t(got));
    }
    if (md5)
        *md5 = finished(second.get());
    return finished(sha256.get());
}

QString fileSha256(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(sha256Hex(file)) : QString();
}

} // namespace lumaport
