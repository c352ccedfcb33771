// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: a broken rule stops the run where the input that broke it can be kept.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace lumaport::fuzz {

inline void check(bool holds, const char* rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken: %s\n", rule);
    std::abort();
}

// Warnings about hostile input are expected by the thousand and would drown the fuzzer's own output.
inline void quiet()
{
    static const bool done =
        (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);
    Q_UNUSED(done);
}

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace lumaport::fuzz
