// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_reply.h"

#include <QList>

#include <algorithm>
#include <cctype>

namespace lumaport {

bool isReplyLine(QByteArrayView line)
{
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) && std::isdigit(static_cast<unsigned char>(line[2])) &&
           line[3] == ' ';
}

QByteArray verbOf(QByteArrayView command)
{
    qsizetype end = 0;
    while (end < command.size() && command[end] != ' ' && command[end] != '\r' && command[end] != '\n')
        ++end;
    return command.first(end).toByteArray().toUpper();
}

bool changesTheServer(const QByteArray& verb)
{
    static const QList<QByteArray> verbs{"STOR", "APPE", "STOU", "MKD", "RMD", "DELE", "RNFR", "RNTO", "SITE"};
    return verbs.contains(verb);
}

std::optional<qint64> sizeFromReply(QByteArrayView line)
{
    if (line.size() < 4)
        return std::nullopt;
    const QByteArrayView digits = line.sliced(4).trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool fits = false;
    const qint64 size = digits.toLongLong(&fits);
    return fits ? std::optional(size) : std::nullopt;
}

QString pathFromFolderReply(QByteArrayView line)
{
    const qsizetype open = line.indexOf('"');
    if (open < 0)
        return {};
    QByteArray path;
    for (qsizetype i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"')
            path += line[i];
        else if (i + 1 < line.size() && line[i + 1] == '"')
            path += line[++i];
        else
            return QString::fromUtf8(path);
    }
    return {};
}

} // namespace lumaport
