// SPDX-License-Identifier: GPL-3.0-or-later
// What the publishing road knows, apart from the windows that show it: the server's log-on, the addresses the
// links are built on, the files handed over to send, the settings file and profiles they come from, the passwords
// in the keyring, the history of what was sent and the checks of its links.
#pragma once

#include <QObject>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace lumaport {

class InternetTransfer;
class LinkChecks;
class LocalChoice;
class PublishedRecorder;
class RemoteRequests;
class Services;
struct PublishedCheck;

inline const QString kKeyringCaption = QStringLiteral("Keep passwords in the keyring");

/// The texts the session keeps; the FTP window's box of each is named beside it.
enum class SessionText {
    Server,       // txtServer
    UserName,     // txtUserName
    Password,     // txtPassword
    UrlName,      // txtname: the address a link is built on
    PermanentUrl, // txtpermurl: the log-on folder's web address
    WebServer,    // Text3: the web address typed
    Ending,       // Text4: what ends a folder's address
    Keyword,      // Text1
    LinkText,     // Text2
    OpeningTag,   // txturl1
    ClosingTag,   // txturl2
    SaveName,     // txtsaveftp: the name the file is sent under
    Folder,       // txtfolder: the remote folder from the log-on folder
    FolderUrl,    // txtserverurl: that folder's web address
    File,         // txtfile: the remote file a link is built for
    ProfilePath,  // Text78: the server profile last read or written
};
inline constexpr int kSessionTexts = int(SessionText::ProfilePath) + 1;

/// How the FTP window was reached, which decides what it offers.
enum class HandOver {
    Server,      // from the menu: the server alone, nothing to send
    File,        // a file of any kind, with its tag
    TaglessFile, // a file whose kind has no tag
    Picture,     // from the save-picture window
};

/// A file that reached the server under its name.
struct SentFile
{
    QString localPath;
    QString remoteFolder; // from the log-on folder, as SessionText::Folder holds it
    QString remoteName;
    QString address;          // empty: no web address was typed to build it on
    QString thumbnailAddress; // empty: no thumbnail went with it, or no address
    qint64 bytes = -1;        // as sent, after the picture choices
    qint64 thumbnailBytes = -1;
    QString link; // as "URL with Tags" would build it for this file alone
};

class PublishingSession : public QObject
{
    Q_OBJECT
public:
    using TransferFactory = std::function<std::unique_ptr<InternetTransfer>()>;

    PublishingSession(Services& services, LocalChoice& local, TransferFactory makeTransfer = {});
    ~PublishingSession() override;

    LocalChoice& local() const { return m_local; }
    /// The requests to the user's server, on a transfer component made at the first call; null without one.
    RemoteRequests* requests();

    QString text(SessionText which) const { return m_texts[std::size_t(which)]; }
    /// The web address of the remote folder in use: the permanent address in the log-on folder.
    QString folderAddress() const;
    /// The web address typed and the server decide the permanent address: a bucket or a share with no web
    /// address typed is published at its own.
    void setText(SessionText which, const QString& value);
    /// Empties the log-on and the addresses a profile fills.
    void clearServer();

    /// A file to send: the FTP window's local panes show it, and no set is handed over any more.
    void handOverFile(const QString& drive, const QString& folder, const QString& name);
    /// Files of one folder to send as a set, in order; the first is shown as handOverFile shows it.
    void handOverSet(const QString& drive, const QString& folder, const QStringList& names);
    /// The set handed over; fewer than two names: the one-file road.
    const QStringList& fileSet() const { return m_fileSet; }
    void dropFileSet() { m_fileSet.clear(); }
    void present(HandOver how);
    HandOver presented() const { return m_handOver; }
    struct LocalFile
    {
        QString drive;
        QString folder;
        QString name;
    };
    /// The file last handed over; empty when none was.
    const LocalFile& localFile() const { return m_localFile; }

    /// The settings file in use, written by every "Save": the program's own until another is read.
    QString settingsPath() const { return m_settingsPath; }
    /// Reads the settings file one line at a time in file order, the lists' lines through the local choice, and
    /// makes it the one in use. A file that can't be read changes nothing else.
    void readSettings(const QString& path);
    /// Reads the program's own settings file, beside the program.
    void readProgramSettings();
    /// Writes the settings file in use; false after a box told the user why not.
    bool saveSettings();
    /// Fills the log-on and addresses from a profile; true when it had every line.
    bool loadProfile(const QString& path);
    /// False after a box told the user why not.
    bool saveProfile(const QString& path);

    /// "Keep passwords in the keyring", kept in the program's options file.
    bool passwordsInKeyring() const { return m_passwordsInKeyring; }
    /// Moves the passwords of the settings file and the fixed profile into the keyring (after asking) or back out
    /// of it; false, with the choice as it was, when the user said no or a step failed (a box has said which).
    bool choosePasswordsInKeyring(bool on);
    /// Why the keyring did not answer the last call; empty when it did.
    QString keyringError() const { return m_keyringError; }
    /// The password line a file is written with: empty once the keyring holds the password.
    QString passwordLine();
    /// After a file with an empty password line was read: the password from the keyring, when it keeps one.
    void fillPasswordFromKeyring();

    /// The files sent since the set was handed over or last sent, in the order they reached the server.
    const QList<SentFile>& sentSet() const { return m_sentSet; }
    void fileSent(const SentFile& file) { m_sentSet.append(file); }
    void forgetSent() { m_sentSet.clear(); }

    /// The checks of published links from the web side, made at the first call.
    LinkChecks& linkChecks();

    /// Keeps a file sent in the history; sentFile is what went (the local file or a picture made from it).
    void recordSent(const QString& sentFile, const SentFile& file);
    /// Keeps the outcome of a check with the history's newest row of that address, if it has one.
    void recordCheck(const QString& address, const PublishedCheck& check);

Q_SIGNALS:
    void textChanged(SessionText which, const QString& value);
    void fileHandedOver(const QString& drive, const QString& folder, const QString& name);
    void fileSetHandedOver(const QString& drive, const QString& folder, const QStringList& names);
    void presentedAs(HandOver how);
    void settingsRead();
    void passwordStoreChanged();
    void historyRecorded();
    void historyFailed();
    /// Files went from this server behind the FTP window's back (the history deleted them).
    void filesDeleted(const QString& server);

private:
    void keyringAnswered(bool answered, const QString& error);
    bool movePasswords(bool intoKeyring);
    PublishedRecorder& recorder();

    Services& m_services;
    LocalChoice& m_local;
    TransferFactory m_makeTransfer;
    std::unique_ptr<RemoteRequests> m_requests;
    std::array<QString, kSessionTexts> m_texts;
    QString m_ownAddress; // the bucket's or share's own address while it stands in for a typed one
    LocalFile m_localFile;
    QStringList m_fileSet;
    QList<SentFile> m_sentSet;
    HandOver m_handOver = HandOver::Server;
    QString m_settingsPath;
    bool m_passwordsInKeyring = false;
    QString m_keyringError;
    bool m_keyringWarned = false;
    std::unique_ptr<PublishedRecorder> m_recorder;
    std::unique_ptr<LinkChecks> m_linkChecks; // keeps its verdicts through m_recorder
};

} // namespace lumaport
