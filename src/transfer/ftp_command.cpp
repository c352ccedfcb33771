// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ftp_command.h"

#include <algorithm>
#include <array>

namespace lumaport {

namespace {

struct Keyword
{
    const char* text;
    FtpCommand::Kind kind;
    int names;
};

constexpr std::array kKeywords{
    Keyword{"DIR", FtpCommand::Kind::Dir, 0},       Keyword{"CD", FtpCommand::Kind::Cd, 1},
    Keyword{"CDUP", FtpCommand::Kind::CdUp, 0},     Keyword{"MKDIR", FtpCommand::Kind::MkDir, 1},
    Keyword{"RENAME", FtpCommand::Kind::Rename, 2}, Keyword{"DELETE", FtpCommand::Kind::Delete, 1},
    Keyword{"RMDIR", FtpCommand::Kind::RmDir, 1},   Keyword{"SIZE", FtpCommand::Kind::Size, 1},
    Keyword{"PUT", FtpCommand::Kind::Put, 2},       Keyword{"GET", FtpCommand::Kind::Get, 2},
    Keyword{"CHMOD", FtpCommand::Kind::Chmod, 1},   Keyword{"CLOSE", FtpCommand::Kind::Close, 0},
};

// A quoted name runs from its opening quote to the quote that ends the text or is followed by blanks and the
// next name's opening quote. With two names a quote-blank-quote inside one of them makes the split ambiguous;
// that is refused rather than guessed.
bool splitNames(const QString& rest, int count, QStringList* names)
{
    if (rest.isEmpty())
        return false;
    if (!rest.startsWith(u'"')) {
        // Bare words: no blanks or quotes inside.
        if (rest.contains(u'"'))
            return false;
        const QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
        if (words.size() != count)
            return false;
        *names = words;
        return true;
    }
    if (rest.size() < 2 || !rest.endsWith(u'"'))
        return false;
    const QString inner = rest.mid(1, rest.size() - 2);
    if (count == 1) {
        *names = {inner};
        return true;
    }
    QList<std::pair<qsizetype, qsizetype>> separators; // start of the closing quote, end of the opening one
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] != u'"')
            continue;
        qsizetype j = i + 1;
        while (j < inner.size() && inner[j] == u' ')
            ++j;
        if (j > i + 1 && j < inner.size() && inner[j] == u'"')
            separators.append({i, j});
    }
    if (separators.size() != 1)
        return false;
    *names = {inner.left(separators[0].first), inner.mid(separators[0].second + 1)};
    return true;
}

} // namespace

QString commandLine(const FtpCommand& command)
{
    const auto keyword = std::find_if(kKeywords.begin(), kKeywords.end(),
                                      [&command](const Keyword& each) { return each.kind == command.kind; });
    QString line = QLatin1String(keyword->text);
    for (const QString& name : command.arguments)
        line += QLatin1Char(' ') + quotedName(name);
    return line;
}

QString quotedName(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

bool holdsControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return (c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f; });
}

bool parseFtpCommand(const QString& operation, FtpCommand* command, QString* error)
{
    if (holdsControlCharacter(operation)) {
        *error = QStringLiteral("The command holds a line break or another control character and was not sent.");
        return false;
    }
    const QString trimmed = operation.trimmed();
    const qsizetype blank = trimmed.indexOf(u' ');
    const QString word = blank < 0 ? trimmed : trimmed.left(blank);
    const QString rest = blank < 0 ? QString() : trimmed.mid(blank + 1).trimmed();

    const auto keyword = std::find_if(kKeywords.begin(), kKeywords.end(), [&](const Keyword& k) {
        return word.compare(QLatin1String(k.text), Qt::CaseInsensitive) == 0;
    });
    if (keyword == kKeywords.end()) {
        *error = trimmed.isEmpty() ? QStringLiteral("No command was given.")
                                   : QStringLiteral("Unknown command \"%1\".").arg(word);
        return false;
    }
    const QString name = QLatin1String(keyword->text);
    QStringList names;
    if (keyword->names == 0) {
        if (!rest.isEmpty()) {
            *error = QStringLiteral("%1 takes no name.").arg(name);
            return false;
        }
    } else if (!splitNames(rest, keyword->names, &names)) {
        *error = keyword->names == 1 ? QStringLiteral("%1 needs one name in double quotes.").arg(name)
                                     : QStringLiteral("%1 needs two names, each in double quotes.").arg(name);
        return false;
    }
    if (std::any_of(names.cbegin(), names.cend(), [](const QString& n) { return n.isEmpty(); })) {
        *error = QStringLiteral("%1 was given an empty name.").arg(name);
        return false;
    }
    command->kind = keyword->kind;
    command->arguments = names;
    return true;
}

} // namespace lumaport
