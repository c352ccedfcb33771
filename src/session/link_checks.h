// SPDX-License-Identifier: GPL-3.0-or-later
// The checks of published links from the web side, run in the background for the session: one link with its
// thumbnail's checked behind it, or a block of links at once. Each outcome is told as the line to show, and an
// outcome after a send is kept with the history's row.
#pragma once

#include "publish/link_check.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace lumaport {

class LinkSetCheck;
class PublishingSession;
struct SentFile;

/// How the line under the address shows: plain (a check under way, a note, nothing), or how a check ended.
enum class CheckLine { Plain, Works, Broken };

class LinkChecks : public QObject
{
    Q_OBJECT
public:
    /// optionsPath: the program's options file, which keeps whether links are checked.
    LinkChecks(PublishingSession& session, QString optionsPath);
    ~LinkChecks() override;

    /// On unless the user turned the checks off.
    bool enabled() const { return m_enabled; }
    /// Keeps the choice; off stops the check under way. False, with error set, when it could not be kept.
    bool setEnabled(bool on, QString* error);

    /// After one file was sent: its address, then its thumbnail's when one went.
    void checkSent(const SentFile& file);
    /// After a builder: the address it built on the session's address; expectedSize -1 when not known.
    void checkBuilt(const QString& name, qint64 expectedSize, bool withThumbnail);
    /// After a set was sent: every file of it and every thumbnail that went with one.
    void checkSentSet(const QList<SentFile>& sent);
    /// A block of links, names in the same order; rows, after a send, the history row each one counts for.
    void checkSet(const QList<LinkCheckRequest>& requests, const QStringList& names, const QStringList& rows = {});
    /// Links the history offers instead of sending their files again, checked now with a short time-out: their last
    /// check may have passed on a server long gone. then gets each outcome in order; with checks off, nothing is
    /// checked and then is not called. Each outcome is kept with its row.
    bool checkOffered(const QList<LinkCheckRequest>& requests, std::function<void(const QList<LinkCheckResult>&)> then);
    /// Shows how a check made elsewhere ended.
    void tell(const LinkCheckResult& result);
    /// Says that no address is checked and where to type the web address that would make one.
    void tellNoWebAddress();
    /// Once the files told in unreadable() were made readable: the check that found them, again.
    void checkAgain();
    void stop();

Q_SIGNALS:
    /// The line to show under the address; details, where given, list what the line sums up.
    void shown(const QString& text, lumaport::CheckLine how, const QString& details);
    /// After a send: the web server may not read these files.
    void unreadable(const QStringList& names);

private:
    struct Link
    {
        QString address;
        QString name; // its kind says whether a picture must answer
        qint64 expectedSize = -1;
    };
    // The address of a file in the folder at urlName; empty when nothing is checked: checks are off, no file is
    // named, or no web address was typed, which the line then says.
    QString addressOf(const QString& urlName, const QString& name);
    // A history row's address, then its thumbnail's when it has one; false when nothing is checked: checks are
    // off, or no web address was typed to build the address on, which the line then says.
    bool checkRow(const QString& address, const QString& name, qint64 bytes, const QString& thumbnailAddress,
                  qint64 thumbnailBytes);
    void startLink(const Link& link);
    void LinkCheck_Finished(const LinkCheckResult& result);
    void LinkSetCheck_Finished();
    void show(const QString& text, CheckLine how, const QString& details = {});
    void record(const QString& address, bool works, bool sizeDiffers, const QString& note);

    PublishingSession& m_session;
    const QString m_optionsPath;
    bool m_enabled = true;
    QString m_shown; // the whole of the last line, details included
    CheckLine m_shownHow = CheckLine::Plain;

    std::unique_ptr<LinkCheck> m_check;
    QString m_row;                   // the history's row the check under way counts for; empty after a builder
    QString m_sentName;              // the file sent whose link is checked; empty after a builder
    std::optional<Link> m_thumbnail; // checked once the picture's check is done, its outcome shown behind it
    QString m_pictureOutcome;
    bool m_pictureWorks = false;
    bool m_pictureSizeDiffers = false;

    std::unique_ptr<LinkSetCheck> m_setCheck;
    std::unique_ptr<LinkSetCheck> m_offeredCheck; // not stopped by stop(): a send waits for it
    QStringList m_names;
    QStringList m_rows;
    QList<LinkCheckResult> m_results; // in the order asked, as the answers come

    std::function<void()> m_running; // starts the check under way again
    std::function<void()> m_again;   // the check that found files unreadable
};

} // namespace lumaport
