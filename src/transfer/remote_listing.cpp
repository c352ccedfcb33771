// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/remote_listing.h"

#include "transfer/upload_temporary.h"

#include <QDateTime>
#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <limits>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Every test below looks at a line once, or at a word of bounded length, so a reply of any content parses in
// time linear in its length: no regular expressions, no backtracking.

constexpr qsizetype kAnyGap = std::numeric_limits<qsizetype>::max();

constexpr qsizetype kListingSlice = 256 * 1024;
// How far back from the last line end a place to cut a piece is looked for.
constexpr qsizetype kCutSearch = 64 * 1024;

// A line cut at blanks. A word past the end reads as empty, so a format's tests simply fail on short lines.
// Names are read from the line itself, blanks included.
class Words
{
public:
    explicit Words(QStringView line) : m_line(line)
    {
        qsizetype i = 0;
        while (i < line.size()) {
            while (i < line.size() && line[i] == u' ')
                ++i;
            const qsizetype start = i;
            while (i < line.size() && line[i] != u' ')
                ++i;
            if (i > start)
                m_spans.append({start, i});
        }
    }

    qsizetype size() const { return m_spans.size(); }
    QStringView line() const { return m_line; }

    QStringView operator[](qsizetype i) const
    {
        return i < size() ? m_line.mid(m_spans[i].first, m_spans[i].second - m_spans[i].first) : QStringView();
    }

    // What follows word i once at most `gap` blanks are skipped: blanks beyond those belong to the name.
    QStringView after(qsizetype i, qsizetype gap) const
    {
        const qsizetype end = m_spans[i].second;
        qsizetype p = end;
        while (p < m_line.size() && m_line[p] == u' ' && p - end < gap)
            ++p;
        return m_line.mid(p);
    }

private:
    QStringView m_line;
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 24> m_spans;
};

std::optional<RemoteEntry> named(QStringView name, bool isFolder)
{
    if (name.isEmpty())
        return std::nullopt;
    return RemoteEntry{name.toString(), isFolder};
}

// A set of ASCII characters as a bit mask: looked up for several characters of every line of a listing.
class AsciiSet
{
public:
    consteval explicit AsciiSet(std::u16string_view letters)
    {
        for (const char16_t c : letters)
            (c < 64 ? m_low : m_high) |= quint64(1) << (c % 64);
    }

    bool contains(QChar c) const
    {
        const char16_t u = c.unicode();
        return u < 128 && ((u < 64 ? m_low : m_high) >> (u % 64) & 1) != 0;
    }

private:
    quint64 m_low = 0;
    quint64 m_high = 0;
};

constexpr AsciiSet kDateSeparators(u"-/.");
constexpr AsciiSet kSizeUnits(u"kKmMgGtTpPeE");
constexpr AsciiSet kUnixTypes(u"-dlcbpsD");
constexpr AsciiSet kUnixPermissions(u"-rwxsStTlL");
constexpr AsciiSet kOs2Attributes(u"ARHS");

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads `min` to `max` digits at `pos`.
bool readDigits(QStringView w, qsizetype& pos, qsizetype min, qsizetype max)
{
    const qsizetype start = pos;
    while (pos < w.size() && pos - start < max && isAsciiDigit(w[pos]))
        ++pos;
    return pos - start >= min;
}

bool readChar(QStringView w, qsizetype& pos, QChar c)
{
    if (pos >= w.size() || w[pos] != c)
        return false;
    ++pos;
    return true;
}

bool isDigits(QStringView w, qsizetype min, qsizetype max)
{
    qsizetype p = 0;
    return readDigits(w, p, min, max) && p == w.size();
}

// Servers write "Okt.", "26.", "Juli,": the mark after a day or month means nothing here.
QStringView withoutMark(QStringView w)
{
    return !w.isEmpty() && (w.back() == u'.' || w.back() == u',') ? w.chopped(1) : w;
}

bool isDay(QStringView w)
{
    w = withoutMark(w);
    if (!isDigits(w, 1, 2))
        return false;
    const auto digit = [](QChar c) { return c.unicode() - u'0'; };
    const int day = w.size() == 1 ? digit(w[0]) : digit(w[0]) * 10 + digit(w[1]);
    return day >= 1 && day <= 31;
}

bool isYear(QStringView w)
{
    return isDigits(w, 4, 4);
}

// Month names as servers print them in their own language. In a date's place the first three letters are
// enough to know one, abbreviated or in full.
bool isMonth(QStringView w)
{
    w = withoutMark(w);
    if (w.size() >= 2 && w.size() <= 3 && (w.back() == u'月' || w.back() == u'월'))
        return isDigits(w.chopped(1), 1, 2);
    if (w.size() < 3 || w.size() > 12 || !std::all_of(w.begin(), w.end(), [](QChar c) { return c.isLetter(); }))
        return false;
    static const QSet<QString> stems{
        u"jan"_s, u"feb"_s, u"mar"_s, u"apr"_s, u"may"_s, u"jun"_s, u"jul"_s, u"aug"_s,
        u"sep"_s, u"oct"_s, u"nov"_s, u"dec"_s,                                         // English
        u"mär"_s, u"mrz"_s, u"mai"_s, u"okt"_s, u"dez"_s,                               // German
        u"fév"_s, u"fev"_s, u"avr"_s, u"jui"_s, u"aoû"_s, u"aou"_s, u"déc"_s,           // French
        u"ene"_s, u"abr"_s, u"ago"_s, u"dic"_s,                                         // Spanish
        u"gen"_s, u"mag"_s, u"giu"_s, u"lug"_s, u"set"_s, u"ott"_s,                     // Italian
        u"mrt"_s, u"mei"_s,                                                             // Dutch
        u"out"_s,                                                                       // Portuguese
        u"maj"_s, u"des"_s,                                                             // Scandinavian
        u"sty"_s, u"lut"_s, u"kwi"_s, u"cze"_s, u"lip"_s, u"sie"_s, u"wrz"_s, u"paź"_s, // Polish
        u"lis"_s, u"gru"_s,                                                             //
        u"tam"_s, u"hel"_s, u"maa"_s, u"huh"_s, u"tou"_s, u"kes"_s, u"hei"_s, u"elo"_s, // Finnish
        u"syy"_s, u"lok"_s, u"jou"_s,                                                   //
        u"már"_s, u"ápr"_s, u"máj"_s, u"jún"_s, u"júl"_s, u"sze"_s,                     // Hungarian
        u"янв"_s, u"фев"_s, u"мар"_s, u"апр"_s, u"май"_s, u"июн"_s, u"июл"_s, u"авг"_s, // Russian
        u"сен"_s, u"окт"_s, u"ноя"_s, u"дек"_s};
    // Most dates are in plain letters: fold those on the stack rather than in a new string for every line.
    const QStringView stem = w.first(3);
    if (std::all_of(stem.begin(), stem.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        QChar folded[3];
        std::transform(stem.begin(), stem.end(), folded, [](QChar c) { return c.toLower(); });
        return stems.contains(QString::fromRawData(folded, 3));
    }
    return stems.contains(stem.toString().toLower());
}

// "9:05", "09:05", "09:05:33", "09:05:33.25"
bool isClock(QStringView w)
{
    qsizetype p = 0;
    if (!readDigits(w, p, 1, 2) || !readChar(w, p, u':') || !readDigits(w, p, 2, 2))
        return false;
    if (readChar(w, p, u':') && !readDigits(w, p, 2, 2))
        return false;
    if (readChar(w, p, u'.') && !readDigits(w, p, 1, 9))
        return false;
    return p == w.size();
}

// "09:12AM" as well as "21:05".
bool isDosClock(QStringView w)
{
    if (w.size() > 2 && (w.endsWith(u"AM", Qt::CaseInsensitive) || w.endsWith(u"PM", Qt::CaseInsensitive)))
        w.chop(2);
    return isClock(w);
}

bool isMeridiem(QStringView w)
{
    return w.compare(u"AM", Qt::CaseInsensitive) == 0 || w.compare(u"PM", Qt::CaseInsensitive) == 0;
}

// "2025-06-07", "03-14-25", "03/14/26", "14.03.26", "03-14-126" (OS/2 counts years from 1900).
bool isNumericDate(QStringView w)
{
    qsizetype p = 0;
    if (!readDigits(w, p, 1, 4) || p >= w.size() || !kDateSeparators.contains(w[p]))
        return false;
    const QChar separator = w[p++];
    return readDigits(w, p, 1, 2) && readChar(w, p, separator) && readDigits(w, p, 1, 4) && p == w.size();
}

// "07-06" of "07-06 2025"
bool isMonthDay(QStringView w)
{
    qsizetype p = 0;
    return readDigits(w, p, 1, 2) && readChar(w, p, u'-') && readDigits(w, p, 1, 2) && p == w.size();
}

// A size is the digits at the end of its word: a long group name may run into it. "33.5k" is a size too.
bool isUnixSize(QStringView w)
{
    if (!w.isEmpty() && kSizeUnits.contains(w.back()))
        w.chop(1);
    return !w.isEmpty() && isAsciiDigit(w.back());
}

// "207431", "12,480", "9.730"
bool isGroupedNumber(QStringView w)
{
    return !w.isEmpty() && isAsciiDigit(w[0]) &&
           std::all_of(w.begin(), w.end(), [](QChar c) { return isAsciiDigit(c) || c == u',' || c == u'.'; });
}

// The last word of a Unix date starting at word i, or -1.
qsizetype unixDateEnd(const Words& w, qsizetype i)
{
    const auto isClockOrYear = [](QStringView word) { return isClock(word) || isYear(word); };
    // Cheap tests first: a mode line of a million words is scanned at every word.
    if (isDay(w[i + 1]) && isClockOrYear(w[i + 2]) && isMonth(w[i])) {
        // With seconds a year may follow: "Mar  3 14:05:33 2026".
        return w[i + 2].size() > 5 && isYear(w[i + 3]) ? i + 3 : i + 2;
    }
    if (isDay(w[i]) && isClockOrYear(w[i + 2]) && isMonth(w[i + 1]))
        return i + 2; // "12 Mar 11:00", "26. Juli, 2020"
    if (isNumericDate(w[i]) && isClock(w[i + 1]))
        return i + 1; // "2025-06-07 21:22"
    if (isMonthDay(w[i]) && isClockOrYear(w[i + 1]))
        return i + 1; // "07-06 2025"
    return -1;
}

// "size date name" from word `from` on. The date is found by its shape right after a size, since owner and
// group before it may be missing, be several words, or run into the size.
std::optional<RemoteEntry> sizeDateName(const Words& w, qsizetype from, qsizetype gap, QChar type)
{
    for (qsizetype i = from; i < w.size(); ++i) {
        if (!isUnixSize(w[i - 1]))
            continue;
        const qsizetype last = unixDateEnd(w, i);
        if (last < 0)
            continue;
        QStringView name = w.after(last, gap);
        if (type == u'l') {
            // A link names what it points at too; whether that is a folder, LIST does not tell.
            const qsizetype arrow = name.indexOf(u" -> ");
            if (arrow >= 0)
                name = name.left(arrow);
        }
        return named(name, type == u'd');
    }
    return std::nullopt;
}

bool isUnixMode(QStringView w)
{
    if (w.size() < 10 || !kUnixTypes.contains(w[0]))
        return false;
    return std::all_of(w.begin() + 1, w.begin() + 10, [](QChar c) { return kUnixPermissions.contains(c); });
}

bool beginsUnix(const Words& w)
{
    return isUnixMode(w[0]);
}

// drwxr-xr-x  2 owner group  4096 Jan  1 12:00 name with blanks
// The name starts after the one blank that follows the date; further blanks are its own.
std::optional<RemoteEntry> readUnix(const Words& w)
{
    return sizeDateName(w, 2, 1, w[0][0]);
}

bool beginsNetWare(const Words& w)
{
    return (w[0] == u"d" || w[0] == u"-") && w[1].startsWith(u'[') && w[1].endsWith(u']');
}

// d [RWCEAFMS] owner        512 Mar 02 11:20    name
std::optional<RemoteEntry> readNetWare(const Words& w)
{
    return sizeDateName(w, 3, kAnyGap, w[0][0]);
}

// 03-14-25  09:12AM       <DIR>          name
// 2025-03-14  21:06               12,480 name
bool beginsDos(const Words& w)
{
    return isNumericDate(w[0]);
}

std::optional<RemoteEntry> readDos(const Words& w)
{
    if (!isDosClock(w[1]))
        return std::nullopt;
    const qsizetype i = isMeridiem(w[2]) ? 3 : 2;
    // The size is right-aligned and one blank precedes the name; "<DIR>" is left-aligned in the same
    // column, ten blanks before it.
    if (w[i] == u"<DIR>")
        return named(w.after(i, 10), true);
    if (!isGroupedNumber(w[i]))
        return std::nullopt;
    return named(w.after(i, 1), false);
}

bool beginsEplf(const Words& w)
{
    return w.line().startsWith(u'+');
}

// +i8388621.48594,m825718503,r,s280,<TAB>name    ("/" among the facts marks a folder)
std::optional<RemoteEntry> readEplf(const Words& w)
{
    const QStringView line = w.line();
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 0)
        return std::nullopt;
    bool isFolder = false;
    for (const QStringView fact : line.first(tab).sliced(1).tokenize(u','))
        isFolder = isFolder || fact == u"/";
    return named(line.sliced(tab + 1), isFolder);
}

// "NAME.EXT;3": a name with its version.
bool isVmsName(QStringView w)
{
    const qsizetype semicolon = w.lastIndexOf(u';');
    return semicolon > 0 && isDigits(w.sliced(semicolon + 1), 1, 5);
}

// "14-MAR-2026"
bool isVmsDate(QStringView w)
{
    qsizetype p = 0;
    if (!readDigits(w, p, 1, 2) || !readChar(w, p, u'-') || w.size() != p + 8 || !isMonth(w.sliced(p, 3)))
        return false;
    p += 3;
    return readChar(w, p, u'-') && readDigits(w, p, 4, 4);
}

bool beginsVms(const Words& w)
{
    return isVmsName(w[0]);
}

// PHOTOS.DIR;1     1  14-MAR-2026 09:12:44  [WEB]  (RWE,RWE,RE,)    the used size may read "1/3"
std::optional<RemoteEntry> readVms(const Words& w)
{
    qsizetype p = 0;
    const bool isSize = readDigits(w[1], p, 1, 18) && (p == w[1].size() || w[1][p] == u'/');
    if (!isSize || !isVmsDate(w[2]) || !isClock(w[3]))
        return std::nullopt;
    // A folder is a file "NAME.DIR;1"; files keep their version, which tells them apart on the server.
    const QStringView name = w[0];
    const QStringView stem = name.first(name.lastIndexOf(u';'));
    if (stem.endsWith(u".DIR", Qt::CaseInsensitive))
        return named(stem.chopped(4), true);
    return named(name, false);
}

bool beginsOs2(const Words& w)
{
    return isDigits(w[0], 1, 18);
}

//     2048  DIR  A   03-14-126  09:12  name
std::optional<RemoteEntry> readOs2(const Words& w)
{
    const auto isAttributes = [](QStringView word) {
        return word.size() <= 4 &&
               std::all_of(word.begin(), word.end(), [](QChar c) { return kOs2Attributes.contains(c); });
    };
    qsizetype i = 1;
    while (i < 4 && (w[i] == u"DIR" || (!w[i].isEmpty() && isAttributes(w[i]))))
        ++i;
    if (!isNumericDate(w[i]) || !isClock(w[i + 1]))
        return std::nullopt;
    return named(w.after(i + 1, 2), w[1] == u"DIR");
}

// A member line has only "*MEM" and its name.
bool beginsAs400(const Words& w)
{
    return w[0].startsWith(u'*') || w[4].startsWith(u'*');
}

// OWNER    8192 03/14/26 09:12:44 *DIR   pics/
std::optional<RemoteEntry> readAs400(const Words& w)
{
    if (!isDigits(w[1], 1, 18) || !isNumericDate(w[2]) || !isClock(w[3]) || !w[4].startsWith(u'*'))
        return std::nullopt;
    QStringView name = w.after(4, kAnyGap);
    const bool isFolder = w[4] == u"*DIR";
    if (isFolder && name.endsWith(u'/'))
        name.chop(1);
    return named(name, isFolder);
}

// Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
// WORK01 3390   2026/03/14  1   15  FB      80  3120  PO  PHOTOS.JCL     (a partitioned data set is a folder)
std::optional<RemoteEntry> readMvsDataset(const Words& w)
{
    if (w.size() != 10 || !isDigits(w[1], 1, 6) || !isNumericDate(w[2]) || !isDigits(w[3], 1, 6) ||
        !isDigits(w[4], 1, 9))
        return std::nullopt;
    return named(w[9], w[8].startsWith(u"PO"));
}

// Name     VV.MM   Created       Changed      Size  Init   Mod   Id
// PHOTO1   01.01 2026/03/14 2026/03/14 09:12    10    10     0 WEBUSR
std::optional<RemoteEntry> readMvsMember(const Words& w)
{
    qsizetype p = 0;
    const bool isVersion = readDigits(w[1], p, 2, 2) && readChar(w[1], p, u'.') && readDigits(w[1], p, 2, 2);
    if (!isVersion || p != w[1].size() || !isNumericDate(w[2]) || !isNumericDate(w[3]) || !isClock(w[4]))
        return std::nullopt;
    return named(w[0], false);
}

// MVS lines begin with any word, and a line that can't be read says nothing about its neighbours.
bool beginsAnyhow(const Words&)
{
    return true;
}

// The facts end at the first blank; a few servers put a TAB there instead.
qsizetype mlsdFactsEnd(QStringView line)
{
    qsizetype end = 0;
    while (end < line.size() && line[end] != u' ' && line[end] != u'\t')
        ++end;
    return end;
}

bool beginsMlsd(const Words& w)
{
    const QStringView facts = w.line().first(mlsdFactsEnd(w.line()));
    return facts.isEmpty() || facts.contains(u'=');
}

struct LineFormat
{
    // Whether a line begins the way this format's lines do, including lines it can't read.
    bool (*begins)(const Words&);
    std::optional<RemoteEntry> (*read)(const Words&);
};

// Tried in order; the first format that reads a line gives its entry.
constexpr LineFormat kListFormats[] = {
    {beginsUnix, readUnix},   {beginsNetWare, readNetWare},   {beginsDos, readDos},
    {beginsEplf, readEplf},   {beginsVms, readVms},           {beginsOs2, readOs2},
    {beginsAs400, readAs400}, {beginsAnyhow, readMvsDataset}, {beginsAnyhow, readMvsMember},
};
constexpr LineFormat kMlsdFormats[] = {{beginsMlsd, [](const Words& w) { return parseMlsdLine(w.line()); }}};

std::span<const LineFormat> formatsOf(ListingFormat format)
{
    return format == ListingFormat::Mlsd ? std::span<const LineFormat>(kMlsdFormats)
                                         : std::span<const LineFormat>(kListFormats);
}

struct Reading
{
    std::optional<RemoteEntry> entry;
    const LineFormat* format = nullptr;
};

Reading readLine(const Words& words, std::span<const LineFormat> formats)
{
    for (const LineFormat& format : formats) {
        if (!format.begins(words))
            continue;
        if (auto entry = format.read(words))
            return {std::move(entry), &format};
    }
    return {};
}

// The separator's first character is searched for alone: a search for the pair costs several times more on a
// listing of many thousand lines.
qsizetype indexOfSeparator(QStringView text, QStringView separator)
{
    qsizetype at = text.indexOf(separator[0]);
    while (at >= 0 && !text.sliced(at).startsWith(separator))
        at = text.indexOf(separator[0], at + 1);
    return at;
}

QStringView takeLine(QStringView& rest, QStringView separator)
{
    qsizetype end = indexOfSeparator(rest, separator);
    if (end < 0)
        end = rest.size();
    const QStringView line = rest.first(end);
    rest = rest.sliced(std::min(end + separator.size(), rest.size()));
    return line;
}

// "modify=20261207093000" among MLSD's facts, in UTC.
QDateTime mlsdTime(QStringView line)
{
    for (const QStringView fact : line.first(mlsdFactsEnd(line)).tokenize(u';', Qt::SkipEmptyParts)) {
        if (fact.startsWith(u"modify=", Qt::CaseInsensitive) && fact.size() >= 21) {
            QDateTime time = QDateTime::fromString(fact.sliced(7, 14).toString(), u"yyyyMMddHHmmss"_s);
            time.setTimeSpec(Qt::UTC);
            return time;
        }
    }
    return {};
}

// "Mar  3 14:05" or "Mar  3  2025", or the day first, right before a name of one word, as Unix servers write it
// in English, read as UTC. A date without a year is the latest one before tomorrow.
QDateTime unixTime(QStringView line, const QDateTime& now)
{
    const Words w(line);
    const qsizetype n = w.size();
    if (n < 5)
        return {};
    static constexpr std::u16string_view kMonths[] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                                      u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
    const auto monthOf = [](QStringView word) {
        for (int month = 0; month < 12; ++month) {
            if (word.compare(kMonths[month], Qt::CaseInsensitive) == 0)
                return month + 1;
        }
        return 0;
    };
    const bool monthFirst = monthOf(w[n - 4]) != 0;
    const int month = monthFirst ? monthOf(w[n - 4]) : monthOf(w[n - 3]);
    const QStringView day = monthFirst ? w[n - 3] : w[n - 4];
    const QStringView last = w[n - 2];
    if (month == 0 || !isDay(day))
        return {};
    if (isYear(last))
        return QDateTime(QDate(last.toInt(), month, withoutMark(day).toInt()), QTime(0, 0), Qt::UTC);
    if (!isClock(last))
        return {};
    const qsizetype colon = last.indexOf(u':');
    const QTime clock(last.first(colon).toInt(), last.sliced(colon + 1, 2).toInt());
    const auto in = [&](int year) { return QDateTime(QDate(year, month, withoutMark(day).toInt()), clock, Qt::UTC); };
    const QDateTime time = in(now.date().year());
    return time > now.addDays(1) ? in(now.date().year() - 1) : time;
}

bool isStaleTemporary(QStringView line, ListingFormat format, const QDateTime& now)
{
    const QDateTime written = format == ListingFormat::Mlsd ? mlsdTime(line) : unixTime(line, now);
    return isStaleTemporaryTime(written, now);
}

// A long VMS name puts the rest of its line on the next one.
bool mayGoOnInTheNextLine(const Words& words, ListingFormat format)
{
    return format == ListingFormat::List && words.size() == 1 && isVmsName(words.line());
}

// Whether a listing read in two pieces cut between these whole lines reads as if whole: the line before goes
// on in no other, and the line after is an entry, so it is not the rest of a name a line break cut.
bool isPlaceToCut(QStringView before, QStringView after, ListingFormat format)
{
    return !mayGoOnInTheNextLine(Words(before), format) && readLine(Words(after), formatsOf(format)).entry;
}

DirReading readListing(const QByteArray& listing, ListingFormat format);

} // namespace

std::optional<RemoteEntry> parseMlsdLine(QStringView line)
{
    const qsizetype cut = mlsdFactsEnd(line);
    if (cut == line.size())
        return std::nullopt;
    // Facts are "name=value;" each, strictly: a piece of a name broken off by a line break must not pass.
    const QStringView facts = line.first(cut);
    if (!facts.isEmpty() && !facts.endsWith(u';'))
        return std::nullopt;
    RemoteEntry entry{line.sliced(cut + 1).toString(), false};
    for (const QStringView fact : facts.tokenize(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = fact.indexOf(u'=');
        if (equals <= 0)
            return std::nullopt;
        if (fact.first(equals).compare(u"type", Qt::CaseInsensitive) != 0)
            continue;
        const QStringView type = fact.sliced(equals + 1);
        if (type.compare(u"cdir", Qt::CaseInsensitive) == 0 || type.compare(u"pdir", Qt::CaseInsensitive) == 0)
            return std::nullopt;
        entry.isFolder = type.compare(u"dir", Qt::CaseInsensitive) == 0;
    }
    return entry;
}

std::optional<RemoteEntry> parseListLine(QStringView line)
{
    return readLine(Words(line), kListFormats).entry;
}

bool isSafeEntryName(QStringView name)
{
    if (name == u"." || name == u"..")
        return false;
    bool onlyBlanks = true;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (c == u'/' || (u < 0x20 && c != u'\t') || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029)
            return false;
        onlyBlanks = onlyBlanks && c == u' ';
    }
    // The window drops a line of blanks and keeps its blanks for the next entry: such a name would corrupt it.
    return !onlyBlanks;
}

QString buildDirReply(const QByteArray& listing, ListingFormat format)
{
    return readListing(listing, format).reply;
}

namespace {

DirReading readListing(const QByteArray& listing, ListingFormat format)
{
    const QString text = QString::fromUtf8(listing);
    // Lines end in CR LF. Splitting on that pair alone keeps a name holding a lone CR or LF in one piece, so
    // the safety check can refuse it instead of it becoming two made-up names. Some servers end lines in LF,
    // and a listing fetched in text mode arrives with LF alone.
    const QStringView separator = indexOfSeparator(text, u"\r\n") >= 0 ? u"\r\n" : u"\n";
    const auto formats = formatsOf(format);
    DirReading read;
    QString& reply = read.reply;
    reply.reserve(text.size() / 2);
    QDateTime now; // once there is a temporary to judge
    const LineFormat* lastFormat = nullptr;
    qsizetype lastEntryStart = -1;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        const QStringView line = takeLine(rest, separator);
        const Words words(line);
        Reading reading = readLine(words, formats);
        if (!reading.entry && mayGoOnInTheNextLine(words, format)) {
            // A long VMS name puts the rest of its line on the next one.
            QStringView next = rest;
            QString joined = line.toString();
            joined += u' ';
            joined += takeLine(next, separator);
            reading = readLine(Words(joined), formats);
            if (reading.entry)
                rest = next;
        }
        if (!reading.entry) {
            // Listings come in text mode, where a line feed inside a name turns into a line end. A line that
            // doesn't even begin like the entry before it is the rest of that entry's name: leave it out. Other
            // lines that can't be read, blank ones among them, are passed over.
            if (lastEntryStart >= 0 && !line.isEmpty() && !lastFormat->begins(words))
                reply.truncate(lastEntryStart);
            lastEntryStart = -1;
            continue;
        }
        lastEntryStart = -1;
        if (isUploadTemporary(reading.entry->name)) {
            if (!now.isValid())
                now = QDateTime::currentDateTimeUtc();
            if (isStaleTemporary(line, format, now))
                read.staleTemporaries.append(reading.entry->name);
            continue;
        }
        if (!isSafeEntryName(reading.entry->name))
            continue;
        lastEntryStart = reply.size();
        lastFormat = reading.format;
        reply += reading.entry->name;
        if (reading.entry->isFolder)
            reply += u'/';
        reply += u"\r\n";
    }
    return read;
}

} // namespace

void DirReplyBuilder::append(const char* data, qsizetype length)
{
    // Only the new bytes are searched, so a line that never ends costs no more than its length.
    const qsizetype from = m_pending.size();
    m_pending.append(data, length);
    if (const qsizetype lineFeed = QByteArrayView(m_pending).sliced(from).lastIndexOf('\n'); lineFeed >= 0)
        m_afterLineFeed = from + lineFeed + 1;
    m_crLf = m_crLf || QByteArrayView(m_pending).sliced(std::max<qsizetype>(from - 1, 0)).contains("\r\n");
    if (m_pending.size() < kListingSlice)
        return;
    const qsizetype cut = placeToCut();
    if (cut == 0)
        return;
    const QByteArray piece = m_pending.first(cut);
    m_pending.remove(0, cut);
    m_afterLineFeed -= cut;
    collect(std::max(std::thread::hardware_concurrency(), 1U) - 1);
    try {
        m_reading.push_back(
            std::async(std::launch::async, [piece, format = m_format] { return readListing(piece, format); }));
    } catch (const std::system_error&) { // no thread to be had: read it here
        collect(0);
        add(readListing(piece, m_format));
    }
}

QString DirReplyBuilder::finish()
{
    DirReading rest = readListing(std::exchange(m_pending, {}), m_format);
    m_afterLineFeed = 0;
    m_crLf = false;
    collect(0);
    add(std::move(rest));
    return std::exchange(m_reply, {});
}

// Just after a line end near the last one, where the two rules that join a line to the one before can't reach
// over; 0 when there is none yet. Only the end is looked at, so a listing with no such place costs no more
// than its length. A listing whose lines end in CR LF is never cut at a line feed inside a name.
qsizetype DirReplyBuilder::placeToCut() const
{
    const QByteArrayView separator = m_crLf ? QByteArrayView("\r\n") : QByteArrayView("\n");
    const qsizetype start = std::max<qsizetype>(m_afterLineFeed - kCutSearch, 0);
    const QByteArrayView end = QByteArrayView(m_pending).sliced(start, m_afterLineFeed - start);
    const auto lineEndBefore = [&](qsizetype at) { return at > 0 ? end.lastIndexOf(separator, at - 1) : -1; };
    // Both lines around a cut must have arrived whole.
    qsizetype afterEnd = end.lastIndexOf(separator);
    qsizetype cut = lineEndBefore(afterEnd);
    while (cut >= 0) {
        const qsizetype beforeEnd = lineEndBefore(cut);
        if (beforeEnd < 0 && start > 0)
            return 0;
        const qsizetype beforeStart = beforeEnd < 0 ? 0 : beforeEnd + separator.size();
        const qsizetype afterStart = cut + separator.size();
        if (isPlaceToCut(QString::fromUtf8(end.sliced(beforeStart, cut - beforeStart)),
                         QString::fromUtf8(end.sliced(afterStart, afterEnd - afterStart)), m_format))
            return start + afterStart;
        afterEnd = cut;
        cut = beforeEnd;
    }
    return 0;
}

void DirReplyBuilder::collect(std::size_t keep)
{
    for (; m_reading.size() > keep; m_reading.pop_front())
        add(m_reading.front().get());
}

void DirReplyBuilder::add(DirReading&& read)
{
    m_reply += read.reply;
    m_staleTemporaries += read.staleTemporaries;
}

} // namespace lumaport
