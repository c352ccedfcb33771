// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp/remote_listing.h"

#include <QRegularExpression>
#include <QVarLengthArray>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

struct Token
{
    qsizetype start;
    qsizetype end;
};

QVarLengthArray<Token, 24> tokenize(QStringView line)
{
    QVarLengthArray<Token, 24> tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == u' ')
            ++i;
        if (i == line.size())
            break;
        const qsizetype start = i;
        while (i < line.size() && line[i] != u' ')
            ++i;
        tokens.append({start, i});
    }
    return tokens;
}

bool isDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

bool isMonth(QStringView text)
{
    static const QStringList months{u"jan"_s, u"feb"_s, u"mar"_s, u"apr"_s, u"may"_s, u"jun"_s,
                                    u"jul"_s, u"aug"_s, u"sep"_s, u"oct"_s, u"nov"_s, u"dec"_s};
    return text.size() == 3 && months.contains(text.toString().toLower());
}

bool isDay(QStringView text)
{
    return text.size() <= 2 && isDigits(text) && text.toInt() >= 1 && text.toInt() <= 31;
}

// "12:00" or "2020".
bool isTimeOrYear(QStringView text)
{
    if (text.size() == 4 && isDigits(text))
        return true;
    const qsizetype colon = text.indexOf(u':');
    return colon > 0 && colon <= 2 && isDigits(text.left(colon)) && text.size() - colon == 3 &&
           isDigits(text.mid(colon + 1));
}

bool isUnixMode(QStringView text)
{
    static const QString types = u"-dlcbpsD"_s;
    static const QString rights = u"-rwxsStTlL"_s;
    if (text.size() < 10 || !types.contains(text[0]))
        return false;
    return std::all_of(text.begin() + 1, text.begin() + 10, [](QChar c) { return rights.contains(c); });
}

// drwxr-xr-x 2 owner group 4096 Jan  1 12:00 name with spaces
// The group column is missing on some servers, so the date is found by its shape, right after the size.
std::optional<RemoteEntry> parseUnixLine(QStringView line)
{
    const auto tokens = tokenize(line);
    if (tokens.size() < 6)
        return std::nullopt;
    const auto text = [&](qsizetype i) { return line.mid(tokens[i].start, tokens[i].end - tokens[i].start); };
    if (!isUnixMode(text(0)))
        return std::nullopt;
    for (qsizetype i = 2; i + 3 < tokens.size(); ++i) {
        if (!isDigits(text(i - 1)) || !isMonth(text(i)) || !isDay(text(i + 1)) || !isTimeOrYear(text(i + 2)))
            continue;
        // The name starts after the single blank that follows the time or year; further blanks are its own.
        QStringView name = line.mid(tokens[i + 2].end + 1);
        const QChar type = text(0)[0];
        if (type == u'l') {
            const qsizetype arrow = name.indexOf(u" -> ");
            if (arrow >= 0)
                name = name.left(arrow);
        }
        return RemoteEntry{name.toString(), type == u'd'};
    }
    return std::nullopt;
}

// 01-31-20  09:15PM       <DIR>          name
// 01-31-20  09:15PM                 1234 name
std::optional<RemoteEntry> parseDosLine(QStringView line)
{
    static const QRegularExpression pattern(
        uR"(^\d{1,2}-\d{1,2}-\d{2,4} +\d{1,2}:\d{2} *(?:[AaPp][Mm])? +(<DIR>|\d+) +(.+)$)"_s);
    const auto match = pattern.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return RemoteEntry{match.captured(2), match.capturedView(1) == u"<DIR>"};
}

} // namespace

std::optional<RemoteEntry> parseMlsdLine(QStringView line)
{
    const qsizetype blank = line.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    // Facts are "name=value;" each, strictly: a piece of a name broken off by a line break must not pass.
    const QStringView facts = line.left(blank);
    if (!facts.isEmpty() && !facts.endsWith(u';'))
        return std::nullopt;
    RemoteEntry entry{line.mid(blank + 1).toString(), false};
    for (QStringView fact : facts.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = fact.indexOf(u'=');
        if (equals <= 0)
            return std::nullopt;
        if (fact.left(equals).compare(u"type", Qt::CaseInsensitive) != 0)
            continue;
        const QStringView type = fact.mid(equals + 1);
        if (type.compare(u"cdir", Qt::CaseInsensitive) == 0 || type.compare(u"pdir", Qt::CaseInsensitive) == 0)
            return std::nullopt;
        entry.isFolder = type.compare(u"dir", Qt::CaseInsensitive) == 0;
    }
    return entry;
}

std::optional<RemoteEntry> parseListLine(QStringView line)
{
    if (auto entry = parseUnixLine(line))
        return entry;
    return parseDosLine(line);
}

bool isSafeEntryName(QStringView name)
{
    if (name == u"." || name == u"..")
        return false;
    bool onlyBlanks = true;
    for (const QChar c : name) {
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
        onlyBlanks = onlyBlanks && c == u' ';
    }
    // The window drops a line of blanks and keeps its blanks for the next entry: such a name would corrupt it.
    return !onlyBlanks;
}

QString buildDirReply(const QByteArray& listing, ListingFormat format)
{
    const QString text = QString::fromUtf8(listing);
    // Lines end in CR LF. Splitting on that pair alone keeps a name holding a lone CR or LF in one piece, so
    // the safety check can refuse it instead of it becoming two made-up names. Some servers end lines in LF.
    const QString separator = text.contains(u"\r\n") ? u"\r\n"_s : u"\n"_s;
    QString reply;
    reply.reserve(text.size() / 2);
    qsizetype lastEntryStart = -1;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(separator, start);
        if (end < 0)
            end = text.size();
        const QStringView line = QStringView(text).mid(start, end - start);
        start = end + separator.size();
        if (line.isEmpty())
            continue;
        const auto entry = format == ListingFormat::Mlsd ? parseMlsdLine(line) : parseListLine(line);
        if (!entry) {
            // Listings come in text mode, where a line feed inside a name turns into a line end. What follows
            // such a break is no listing line, so the entry before it lost the rest of its name: leave it out.
            if (lastEntryStart >= 0)
                reply.truncate(lastEntryStart);
            lastEntryStart = -1;
            continue;
        }
        lastEntryStart = -1;
        if (!isSafeEntryName(entry->name))
            continue;
        lastEntryStart = reply.size();
        reply += entry->name;
        if (entry->isFolder)
            reply += u'/';
        reply += u"\r\n";
    }
    return reply;
}

} // namespace lumaport
