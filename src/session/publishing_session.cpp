// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/publishing_session.h"

#include "history/published_recorder.h"
#include "local_choice/local_choice.h"
#include "platform/directory_settings.h"
#include "platform/file_digest.h"
#include "platform/options_file.h"
#include "platform/password_keyring.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "publish/server_profile.h"
#include "session/link_checks.h"
#include "session/remote_requests.h"
#include "transfer/ftp_server_address.h"
#include "transfer/internet_transfer.h"
#include "transfer/storage_request.h"

#include <QDateTime>

#include <vector>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kKeyringKey = u"Passwords/InKeyring"_s;

// The texts the settings file keeps, a line each, read and written through this one table.
struct SettingsText
{
    DirectoryLine line;
    QString DirectorySettings::*field;
    SessionText text;
};
constexpr SettingsText kSettingsTexts[] = {
    {DirectoryLine::Server, &DirectorySettings::server, SessionText::Server},
    {DirectoryLine::UserName, &DirectorySettings::userName, SessionText::UserName},
    {DirectoryLine::Password, &DirectorySettings::password, SessionText::Password},
    {DirectoryLine::OpeningTag, &DirectorySettings::openingTag, SessionText::OpeningTag},
    {DirectoryLine::ClosingTag, &DirectorySettings::closingTag, SessionText::ClosingTag},
    {DirectoryLine::UrlName, &DirectorySettings::urlName, SessionText::UrlName},
    {DirectoryLine::LinkText, &DirectorySettings::linkText, SessionText::LinkText},
    {DirectoryLine::PermanentUrl, &DirectorySettings::permanentUrl, SessionText::PermanentUrl},
    {DirectoryLine::WebServer, &DirectorySettings::webServer, SessionText::WebServer},
};

// The texts a profile keeps, in the file's order.
struct ProfileText
{
    QString ServerProfile::*field;
    SessionText text;
};
constexpr ProfileText kProfileTexts[] = {
    {&ServerProfile::server, SessionText::Server},
    {&ServerProfile::userName, SessionText::UserName},
    {&ServerProfile::password, SessionText::Password},
    {&ServerProfile::urlName, SessionText::UrlName},
    {&ServerProfile::permanentUrl, SessionText::PermanentUrl},
    {&ServerProfile::webServer, SessionText::WebServer},
};
static_assert(std::size(kProfileTexts) == kServerProfileLines);
constexpr qsizetype kProfilePasswordLine = 2;

// A file that keeps a password, and where: the user name follows the server, the password the user name.
struct PasswordFile
{
    QString path;
    int lines = 0;
    int serverLine = 0;
};

} // namespace

PublishingSession::PublishingSession(Services& services, LocalChoice& local, TransferFactory makeTransfer)
    : m_services(services), m_local(local), m_makeTransfer(std::move(makeTransfer)),
      m_settingsPath(directorySettingsPath(services.programFolder()))
{
    m_texts[std::size_t(SessionText::Ending)] = u"/"_s;
    m_texts[std::size_t(SessionText::OpeningTag)] = u"[img]"_s;
    m_texts[std::size_t(SessionText::ClosingTag)] = u"[/img]"_s;
    m_passwordsInKeyring = readOptions(programOptionsPath(services.programFolder())).value(kKeyringKey, false).toBool();
}

PublishingSession::~PublishingSession() = default;

RemoteRequests* PublishingSession::requests()
{
    if (!m_requests && m_makeTransfer) {
        if (std::unique_ptr<InternetTransfer> transfer = std::exchange(m_makeTransfer, {})())
            m_requests = std::make_unique<RemoteRequests>(std::move(transfer));
    }
    return m_requests.get();
}

QString PublishingSession::folderAddress() const
{
    return text(SessionText::Folder).isEmpty() ? text(SessionText::PermanentUrl) : text(SessionText::FolderUrl);
}

LinkChecks& PublishingSession::linkChecks()
{
    if (!m_linkChecks)
        m_linkChecks = std::make_unique<LinkChecks>(*this, programOptionsPath(m_services.programFolder()));
    return *m_linkChecks;
}

void PublishingSession::setText(SessionText which, const QString& value)
{
    QString& kept = m_texts[std::size_t(which)];
    if (kept == value)
        return;
    kept = value;
    Q_EMIT textChanged(which, value);
    if (which == SessionText::Keyword) {
        const TagPair tags = tagPair(value);
        setText(SessionText::OpeningTag, tags.opening);
        setText(SessionText::ClosingTag, tags.closing);
    }
    // A picture's tag has no text of its own.
    if (which == SessionText::OpeningTag && value == QLatin1String("[img]"))
        setText(SessionText::LinkText, QString());
    if (which != SessionText::WebServer && which != SessionText::Server)
        return;
    if (which == SessionText::WebServer)
        setText(SessionText::PermanentUrl, permanentAddress(value, text(SessionText::Ending)));
    // A permanent address loaded from a profile stays as long as the server is no bucket or share.
    const QString ownAddress =
        text(SessionText::WebServer).isEmpty() ? storagePublicBase(text(SessionText::Server)) : QString();
    if (!ownAddress.isEmpty())
        setText(SessionText::PermanentUrl, ownAddress);
    else if (!m_ownAddress.isEmpty() && text(SessionText::PermanentUrl) == m_ownAddress)
        setText(SessionText::PermanentUrl, permanentAddress(text(SessionText::WebServer), text(SessionText::Ending)));
    m_ownAddress = ownAddress;
}

void PublishingSession::clearServer()
{
    for (SessionText which : {SessionText::UrlName, SessionText::Server, SessionText::UserName, SessionText::Password,
                              SessionText::PermanentUrl, SessionText::WebServer})
        setText(which, QString());
}

void PublishingSession::handOverFile(const QString& drive, const QString& folder, const QString& name)
{
    m_fileSet.clear();
    m_localFile = {drive, folder, name};
    Q_EMIT fileHandedOver(drive, folder, name);
}

void PublishingSession::handOverSet(const QString& drive, const QString& folder, const QStringList& names)
{
    handOverFile(drive, folder, names.value(0));
    m_fileSet = names.size() > 1 ? names : QStringList();
    if (!m_fileSet.isEmpty())
        m_sentSet.clear();
    Q_EMIT fileSetHandedOver(drive, folder, names);
}

void PublishingSession::present(HandOver how)
{
    m_handOver = how;
    if (how == HandOver::Picture) {
        setText(SessionText::Keyword, u"img"_s);
        setText(SessionText::LinkText, QString());
    }
    Q_EMIT presentedAs(how);
}

void PublishingSession::readSettings(const QString& path)
{
    QStringList lines;
    QString error;
    // A file that can't be read changes nothing but the path the next save writes to.
    if (readDirectorySettings(path, &lines, &error)) {
        for (int i = 0; i < lines.size(); ++i) {
            const auto line = DirectoryLine(i);
            if (LocalChoice::holds(line))
                m_local.restore(line, lines[i]);
            for (const SettingsText& kept : kSettingsTexts) {
                if (kept.line == line)
                    setText(kept.text, lines[i]);
            }
        }
        if (lines.size() > int(DirectoryLine::Password) && lines[int(DirectoryLine::Password)].isEmpty())
            fillPasswordFromKeyring();
    }
    m_settingsPath = path;
    Q_EMIT settingsRead();
}

void PublishingSession::readProgramSettings()
{
    readSettings(directorySettingsPath(m_services.programFolder()));
}

bool PublishingSession::saveSettings()
{
    DirectorySettings settings;
    const LocalChoice::Lists& lists = m_local.lists();
    settings.mainFolder = lists.folder;
    settings.mainDrive = lists.drive;
    settings.kinds = lists.kinds;
    settings.savePictureFolder = m_local.savePictureFolder();
    settings.savePictureDrive = m_local.savePictureDrive();
    for (const SettingsText& kept : kSettingsTexts)
        settings.*kept.field = text(kept.text);
    // Empty where the keyring now holds it.
    settings.password = passwordLine();
    QString error;
    if (writeDirectorySettings(m_settingsPath, settings, &error))
        return true;
    m_services.messageBox(error, QString(), MsgIcon::Exclamation);
    return false;
}

bool PublishingSession::loadProfile(const QString& path)
{
    QStringList lines;
    QString error;
    // A profile that can't be read fills nothing; a short one fills what it has, without a word either way.
    if (!readServerProfile(path, &lines, &error))
        return false;
    for (qsizetype i = 0; i < lines.size(); ++i)
        setText(kProfileTexts[i].text, lines[i]);
    if (lines.size() > kProfilePasswordLine && lines[kProfilePasswordLine].isEmpty())
        fillPasswordFromKeyring();
    if (lines.size() < kServerProfileLines)
        return false;
    setText(SessionText::ProfilePath, path);
    return true;
}

bool PublishingSession::saveProfile(const QString& path)
{
    ServerProfile profile;
    for (const ProfileText& kept : kProfileTexts)
        profile.*kept.field = text(kept.text);
    profile.password = passwordLine();
    QString error;
    if (writeServerProfile(path, profile, &error))
        return true;
    m_services.messageBox(error, QString(), MsgIcon::Exclamation);
    return false;
}

void PublishingSession::keyringAnswered(bool answered, const QString& error)
{
    m_keyringError = answered ? QString() : error;
    Q_EMIT passwordStoreChanged();
    if (answered || m_keyringWarned)
        return;
    m_keyringWarned = true;
    m_services.messageBox(error + u"\nUntil it answers, the passwords are kept in the files."_s, kKeyringCaption,
                          MsgIcon::Exclamation);
}

QString PublishingSession::passwordLine()
{
    const QString password = text(SessionText::Password);
    if (!m_passwordsInKeyring || password.isEmpty())
        return password;
    QString error;
    const bool stored = storeKeyringPassword(text(SessionText::Server), text(SessionText::UserName), password, &error);
    keyringAnswered(stored, error);
    return stored ? QString() : password;
}

void PublishingSession::fillPasswordFromKeyring()
{
    if (!m_passwordsInKeyring)
        return;
    std::optional<QString> password;
    QString error;
    const bool answered =
        lookupKeyringPassword(text(SessionText::Server), text(SessionText::UserName), &password, &error);
    keyringAnswered(answered, error);
    if (password)
        setText(SessionText::Password, *password);
}

bool PublishingSession::choosePasswordsInKeyring(bool on)
{
    // Asked for now: a failure is told even when one was told before.
    m_keyringWarned = false;
    if (!movePasswords(on)) {
        Q_EMIT passwordStoreChanged();
        return false;
    }
    m_passwordsInKeyring = on;
    QString error;
    if (!writeOptions(programOptionsPath(m_services.programFolder()), {{kKeyringKey, on}}, &error))
        m_services.messageBox(error, QString(), MsgIcon::Exclamation);
    Q_EMIT passwordStoreChanged();
    return true;
}

bool PublishingSession::movePasswords(bool intoKeyring)
{
    const PasswordFile files[] = {{m_settingsPath, kDirectorySettingsLines, int(DirectoryLine::Server)},
                                  {defaultProfilePath(m_services.programFolder()), kServerProfileLines, 0}};
    // Each file whose password line is to move: filled ones into the keyring, empty ones back out of it.
    std::vector<std::pair<PasswordFile, QStringList>> moving;
    for (const PasswordFile& file : files) {
        QStringList lines;
        QString error;
        if (readSettingsLines(file.path, file.lines, &lines, &error) && lines.size() > file.serverLine + 2 &&
            lines[file.serverLine + 2].isEmpty() != intoKeyring)
            moving.emplace_back(file, lines);
    }
    if (moving.empty())
        return true;
    if (intoKeyring && m_services.messageBox(u"Move the passwords kept in ooo.lbr and oof.lbr into the "
                                             u"keyring? The files then keep an empty password line."_s,
                                             kKeyringCaption, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return false;
    for (auto& [file, lines] : moving) {
        const QString server = lines[file.serverLine];
        const QString user = lines[file.serverLine + 1];
        QString& password = lines[file.serverLine + 2];
        QString error;
        std::optional<QString> kept;
        const bool answered = intoKeyring ? storeKeyringPassword(server, user, password, &error)
                                          : lookupKeyringPassword(server, user, &kept, &error);
        keyringAnswered(answered, error);
        if (!answered)
            return false;
        if (!intoKeyring && !kept)
            continue;
        // The keyring holds the password by now, so a file left as it was loses nothing.
        password = intoKeyring ? QString() : *kept;
        if (!writeSettingsLines(file.path, lines, &error)) {
            m_services.messageBox(error, QString(), MsgIcon::Exclamation);
            return false;
        }
    }
    return true;
}

PublishedRecorder& PublishingSession::recorder()
{
    if (!m_recorder) {
        m_recorder = std::make_unique<PublishedRecorder>(publishedHistoryPath(m_services.programFolder()));
        connect(m_recorder.get(), &PublishedRecorder::recorded, this, &PublishingSession::historyRecorded);
        connect(m_recorder.get(), &PublishedRecorder::failed, this, &PublishingSession::historyFailed);
        connect(m_recorder.get(), &PublishedRecorder::movedAside, this,
                [this](const QString& path, const QString& movedTo) {
                    m_services.messageBox(damagedHistoryText(path, movedTo), QString(), MsgIcon::Exclamation);
                });
    }
    return *m_recorder;
}

void PublishingSession::recordSent(const QString& sentFile, const SentFile& file)
{
    PublishedRecord record;
    record.sentAt = QDateTime::currentDateTimeUtc();
    FtpServerAddress server;
    QString ignored;
    const QString serverText = text(SessionText::Server);
    // The whole text, a bucket's or share's folder included: the row names its file again by it.
    record.server = parseFtpServerAddress(serverText, &server, &ignored) ? server.text() : serverText;
    record.user = text(SessionText::UserName).isEmpty() ? u"anonymous"_s : text(SessionText::UserName);
    record.remotePath = file.remoteFolder + file.remoteName;
    record.address = file.address;
    record.thumbnailAddress = file.thumbnailAddress;
    record.link = file.link;
    record.localPath = file.localPath;
    record.size = file.bytes;
    // A picture made for the send goes with its folder; the local file itself is read on the writing thread.
    if (sentFile != file.localPath)
        record.sha256 = fileSha256(sentFile);
    recorder().record(record, sentFile);
}

void PublishingSession::recordCheck(const QString& address, const PublishedCheck& check)
{
    if (!address.isEmpty())
        recorder().recordCheck(address, check);
}

} // namespace lumaport
