// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a server's folder listing into the transfer component's "DIR" reply: one entry per line, each
// ended by carriage return and line feed, folder names ending in "/", in the server's order.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <deque>
#include <future>
#include <optional>

namespace lumaport {

struct RemoteEntry
{
    QString name;
    bool isFolder = false;

    bool operator==(const RemoteEntry&) const = default;
};

enum class ListingFormat { Mlsd, List };

/// One MLSD line ("type=dir;modify=...; name"). Empty for the folder itself, its parent and malformed lines.
std::optional<RemoteEntry> parseMlsdLine(QStringView line);

/// One LIST line: Unix "ls -l" (months in many languages), DOS/IIS, EPLF, NetWare, VMS, OS/2, AS/400 or MVS. Symbolic
/// links lose their " -> target" part and count as files, since LIST does not tell what they point at. Empty
/// for "total" and other lines that name nothing. Time linear in the line's length, whatever it holds.
std::optional<RemoteEntry> parseListLine(QStringView line);

/// Whether a name may appear in a reply: not empty or blank, not "." or "..", and free of "/" and control
/// characters, so an entry always names something inside the listed folder and always is one line.
bool isSafeEntryName(QStringView name);

/// The reply text for a whole listing as the server sent it (UTF-8). Unsafe names, our upload temporaries and
/// lines that can't be read are left out. A line that doesn't even begin like the entry before it is the rest
/// of that entry's name, broken by a line feed, and takes the entry with it; no other line touches its
/// neighbours.
QString buildDirReply(const QByteArray& listing, ListingFormat format);

/// A listing read: its reply, and our upload temporaries it says were last written more than a day ago, which a
/// copy of the program stopped mid-send left behind. Only the dates of MLSD and of Unix lines in English are
/// read; a temporary whose date is not read is never stale.
struct DirReading
{
    QString reply;
    QStringList staleTemporaries;
};

/// The same reply built while the listing arrives. Each piece of about 256 KiB of whole lines is read as soon as
/// it is in, on threads of its own, a few at a time: many servers send a large listing only once they have
/// made all of it, faster than one thread reads it. Pieces are cut only between lines that the rules joining a
/// line to its neighbour leave apart, so the reply is the one of the whole listing. A cancel never waits for
/// more than those few pieces.
class DirReplyBuilder
{
public:
    explicit DirReplyBuilder(ListingFormat format) : m_format(format) {}

    void append(const char* data, qsizetype length);
    /// The reply, once the listing has ended.
    QString finish();
    /// After finish: the stale temporaries of the listing (see DirReading).
    QStringList staleTemporaries() const { return m_staleTemporaries; }

private:
    qsizetype placeToCut() const;
    // Adds the replies of the pieces read so far, in order, until at most `keep` are left being read.
    void collect(std::size_t keep);
    void add(DirReading&& read);

    ListingFormat m_format;
    QByteArray m_pending;
    qsizetype m_afterLineFeed = 0; // in m_pending: just after its last line feed, or 0
    bool m_crLf = false;           // lines end in CR LF
    std::deque<std::future<DirReading>> m_reading;
    QString m_reply;
    QStringList m_staleTemporaries;
};

} // namespace lumaport
