// SPDX-License-Identifier: GPL-3.0-or-later
// The trust file's reader and its rewrite on any file. The input's first line names the server to look up and
// trust; the rest is the file.
#include "fuzz_check.h"
#include "transfer/trusted_servers.h"

#include <algorithm>

using namespace lumaport;

namespace {

// The file's lines without their line breaks.
QList<QByteArray> linesOf(const QByteArray& file)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] == '\n' || (file[i] == '\r' && (i + 1 == file.size() || file[i + 1] != '\n'))) {
            lines.append(
                file.sliced(start, i - start).chopped(file[i] == '\n' && i > start && file[i - 1] == '\r' ? 1 : 0));
            start = i + 1;
        }
    }
    if (start < file.size())
        lines.append(file.sliced(start));
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::quiet();
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype firstBreak = input.indexOf('\n');
    if (firstBreak < 0)
        return 0;
    // Servers are named as FtpServerAddress::name() gives them: never a blank or a control character.
    const QString server = QString::fromLatin1(input.first(firstBreak));
    if (server.isEmpty() || std::any_of(server.begin(), server.end(), [](QChar c) { return c.unicode() <= ' '; }))
        return 0;
    const QByteArray file = input.sliced(firstBreak + 1);
    const QString fingerprint = QStringLiteral("SHA256:fuzz");

    const QString before = trustedFingerprint(file, server);
    fuzz::check(!before.contains(u' ') && !before.contains(u'\r') && !before.contains(u'\n'),
                "a fingerprint is one word");
    const QByteArray rewritten = withTrustedFingerprint(file, server, fingerprint);
    fuzz::check(trustedFingerprint(rewritten, server) == fingerprint, "the new fingerprint is found");

    // Only the server's own line changes, or one is added: every other line is there byte for byte.
    const QList<QByteArray> old = linesOf(file);
    const QList<QByteArray> now = linesOf(rewritten);
    fuzz::check(now.size() == old.size() || now.size() == old.size() + 1, "one line at most is added");
    qsizetype changed = 0;
    for (qsizetype i = 0; i < old.size(); ++i) {
        if (now[i] != old[i])
            ++changed;
    }
    fuzz::check(changed <= 1, "one line at most is changed");
    fuzz::check(changed == 0 || !before.isEmpty(), "only a line the reader took is changed");
    fuzz::check(before.isEmpty() ? rewritten.startsWith(file) : now.size() == old.size(),
                "a line is added, after all the file held, only when none was found");
    return 0;
}
