// SPDX-License-Identifier: GPL-3.0-or-later
#include "command_line/publish_command.h"

#include "command_line/console_services.h"
#include "history/published_store.h"
#include "local_choice/local_choice.h"
#include "platform/desktop_notification.h"
#include "platform/lasting_clipboard.h"
#include "platform/options_file.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "publish/link_set_check.h"
#include "session/publishing_session.h"
#include "transfer/ftp_server_address.h"
#include "transfer/internet_transfer.h"
#include "transfer/program_transfer.h"
#include "transfer/remote_folder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

constexpr int kBarWidth = 30;

// Why a file given can't be sent; empty when it can be read.
QString unreadable(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return u"Cannot read \"%1\": it is a folder."_s.arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"Cannot read \"%1\": %2"_s.arg(path, file.errorString());
    return {};
}

bool sameFingerprint(const ServerIdentity& identity, const QString& given)
{
    // A certificate's is hexadecimal, written in either case; a host key's is base64.
    return identity.fingerprint.compare(given, identity.kind == ServerIdentity::Kind::Certificate
                                                   ? Qt::CaseInsensitive
                                                   : Qt::CaseSensitive) == 0;
}

void print(const QString& line)
{
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
}

} // namespace

PublishCommand::PublishCommand(PublishOptions options, Services& services, PublishingSession& session, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_services(services), m_session(session),
      m_barOnTerminal(::isatty(STDERR_FILENO) == 1)
{}

PublishCommand::~PublishCommand() = default;

std::optional<int> PublishCommand::start()
{
    QHash<QString, QString> named; // the file each name on the server is sent from
    for (const QString& file : m_options.files) {
        if (const QString why = unreadable(file); !why.isEmpty()) {
            trouble(why);
            return kUsage;
        }
        // The second would replace the first.
        const QString name = QFileInfo(file).fileName();
        if (named.contains(name)) {
            trouble(u"\"%1\" and \"%2\" would both be sent as %3."_s.arg(named[name], file, name));
            return kUsage;
        }
        named.insert(name, file);
    }
    if (const std::optional<int> refused = readLogOn())
        return refused;
    publish(m_options.files);
    return std::nullopt;
}

void PublishCommand::publish(const QStringList& files)
{
    m_files = files;
    m_published = QList<std::optional<PublishedFile>>(files.size());
    m_toSend.clear();
    m_sent.clear();
    m_sentPlaces.clear();
    m_troubles.clear();
    m_unprepared.clear();
    m_failed = false;
    m_triedAgain = false;
    m_started = 0;
    takePublished();
}

std::optional<int> PublishCommand::readLogOn()
{
    m_session.readProgramSettings();
    if (!m_options.profile.isEmpty()) {
        if (const QString why = unreadable(m_options.profile); !why.isEmpty()) {
            trouble(why);
            return kUsage;
        }
        // A short profile fills what it has, as in the window.
        m_session.loadProfile(m_options.profile);
    }
    const bool otherLogOn = (m_options.server && *m_options.server != m_session.text(SessionText::Server)) ||
                            (m_options.user && *m_options.user != m_session.text(SessionText::UserName));
    if (m_options.server)
        m_session.setText(SessionText::Server, *m_options.server);
    if (m_options.user)
        m_session.setText(SessionText::UserName, *m_options.user);
    // The password read belongs to another log-on.
    if (otherLogOn) {
        m_session.setText(SessionText::Password, QString());
        m_session.fillPasswordFromKeyring();
    }
    if (m_options.webAddress)
        m_session.setText(SessionText::WebServer, *m_options.webAddress);

    const QString server = m_session.text(SessionText::Server);
    if (server.isEmpty()) {
        trouble(u"No server is set: give --server or --profile, or log on once in the FTP window."_s);
        return kUsage;
    }
    FtpServerAddress address;
    QString error;
    if (!parseFtpServerAddress(server, &address, &error)) {
        trouble(error);
        return kUsage;
    }
    m_folder = RemoteFolder().entered(m_options.folder).path();
    const QString base = m_session.text(SessionText::PermanentUrl);
    if (!namesTypedHost(base + m_folder, base)) {
        trouble(u"No web address is set, so no link can be built or checked: give --web-address, or type the web "
                u"server's name under \"Permanente URL\" in the FTP window."_s);
        return kUsage;
    }
    if (qEnvironmentVariableIsSet("LUMAPORT_PASSWORD"))
        m_session.setText(SessionText::Password, qEnvironmentVariable("LUMAPORT_PASSWORD"));
    const QString user = m_session.text(SessionText::UserName);
    if (m_session.text(SessionText::Password).isEmpty() && !user.isEmpty() && inputIsTerminal())
        m_session.setText(SessionText::Password,
                          m_services.passwordBox(u"Password for %1 on %2: "_s.arg(user, server), kAppTitle));
    return std::nullopt;
}

void PublishCommand::takePublished()
{
    QList<LinkSetItem> items;
    QList<PublishedRecord> records;
    PublishedStore store(publishedHistoryPath(m_services.programFolder()));
    QString ignored;
    // Without a history every file is sent.
    const bool readable = !m_options.sendAgain && store.open(&ignored);
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        const QString& path = m_files[i];
        const std::optional<PublishedRecord> published = readable ? store.workingLinkOf(path) : std::nullopt;
        if (!published) {
            m_toSend.append(i);
            continue;
        }
        records.append(*published);
        items.append({i, {published->address, published->size, isPictureName(published->address), kRecheckTimeoutMs}});
    }
    if (items.isEmpty()) {
        logOn();
        return;
    }
    // Its last check may have passed on a server long gone.
    m_results = QList<LinkCheckResult>(m_files.size());
    m_check = std::make_unique<LinkSetCheck>(items);
    connect(m_check.get(), &LinkSetCheck::checked, this,
            [this](qint64 index, const LinkCheckResult& result) { m_results[index] = result; });
    connect(m_check.get(), &LinkSetCheck::finished, this, [this, items, records] {
        for (qsizetype i = 0; i < items.size(); ++i) {
            const qsizetype place = items[i].id;
            const LinkCheckResult& result = m_results[place];
            const PublishedRecord& record = records[i];
            m_session.recordCheck(record.address, {0, result.verdict(), result.text, QDateTime::currentDateTimeUtc()});
            if (result.verdict() != LinkVerdict::Works) {
                m_toSend.append(place);
                continue;
            }
            m_published[place] =
                PublishedFile{m_files[place], record.address, record.thumbnailAddress, record.size, LinkVerdict::Works};
            tell(u"%1 was published before, and its link works: %2 (--send-again sends it all the same)"_s.arg(
                m_files[place], record.address));
        }
        std::sort(m_toSend.begin(), m_toSend.end());
        if (m_toSend.isEmpty())
            end();
        else
            logOn();
    });
}

void PublishCommand::logOn()
{
    if (m_publisher) {
        // Lists the folder again, for what is already there; a session the server dropped is logged on afresh.
        m_publisher->logOn();
        return;
    }
    std::unique_ptr<FtpTransfer> transfer = programTransfer(m_services.programFolder());
    if (m_options.publicSends)
        transfer->setPublicSends(true);
    m_publisher =
        std::make_unique<Publisher>(std::move(transfer), Publisher::LogOn{m_session.text(SessionText::Server),
                                                                          m_session.text(SessionText::UserName),
                                                                          m_session.text(SessionText::Password)});
    m_publisher->recordIn(m_session);
    Publisher& publisher = *m_publisher;
    connect(&publisher, &Publisher::trustAsked, this, &PublishCommand::Publisher_TrustAsked);
    connect(&publisher, &Publisher::passphraseAsked, this, &PublishCommand::Publisher_PassphraseAsked);
    connect(&publisher, &Publisher::loggedOn, this, [this](const QStringList& entries) {
        if (!m_folder.isEmpty() && !m_entered)
            m_publisher->enterFolder(m_options.folder);
        else
            send(entries);
    });
    connect(&publisher, &Publisher::folderEntered, this, [this](const QString& folder) {
        // Where the server says it led, while that is under the log-on folder the web address stands for.
        const RemoteFolder entered = RemoteFolder().entered(folder);
        m_entered = entered.withinLogOnFolder() ? entered.path() : m_folder;
        // Listed again, now the folder entered: its names decide what would be replaced.
        m_publisher->logOn();
    });
    connect(&publisher, &Publisher::requestFailed, this, &PublishCommand::Publisher_RequestFailed);
    connect(&publisher, &Publisher::sending, this, &PublishCommand::Publisher_Sending);
    connect(&publisher, &Publisher::progress, this, &PublishCommand::Publisher_Progress);
    connect(&publisher, &Publisher::pictureNote, this, &PublishCommand::tell);
    connect(&publisher, &Publisher::notPrepared, this,
            [this](qsizetype index, const QString&) { m_unprepared.append(m_toSend.value(index)); });
    connect(&publisher, &Publisher::fileSent, this, &PublishCommand::Publisher_FileSent);
    connect(&publisher, &Publisher::sendsEnded, this, &PublishCommand::Publisher_SendsEnded);
    tell(u"Logging on to %1"_s.arg(m_session.text(SessionText::Server)));
    publisher.logOn();
}

void PublishCommand::Publisher_TrustAsked(const ServerIdentity& identity)
{
    if (!m_options.trust.isEmpty() && sameFingerprint(identity, m_options.trust)) {
        m_publisher->answerTrust(true);
        return;
    }
    m_trustRefused = true;
    const QString what = identity.kind == ServerIdentity::Kind::Certificate ? u"certificate"_s : u"host key"_s;
    trouble(u"The %1 of %2 is not trusted: %3.\nIts fingerprint is %4; if it is your server's, run again with "
            u"--trust %4"_s.arg(what, identity.server, identity.reason, identity.fingerprint));
    m_publisher->answerTrust(false);
}

void PublishCommand::Publisher_PassphraseAsked(const QString& keyFile, bool again)
{
    const QString prompt = again ? u"That passphrase does not open %1; passphrase: "_s.arg(keyFile)
                                 : u"Passphrase for %1: "_s.arg(keyFile);
    m_publisher->answerPassphrase(inputIsTerminal() ? m_services.passwordBox(prompt, kAppTitle) : QString());
}

void PublishCommand::send(const QStringList& entries)
{
    const QString folder = m_entered.value_or(QString());
    SendOrder order;
    bool pictures = true;
    QList<qsizetype> sending;
    for (const qsizetype place : std::as_const(m_toSend)) {
        const QString& path = m_files[place];
        const QString name = QFileInfo(path).fileName();
        // The window asks before it replaces a file; nobody is here to say yes.
        if (!m_options.sendAgain && entries.contains(name)) {
            trouble(u"%1 was not sent: %2 is already in the folder; give the file another name, or replace it with "
                    u"--send-again"_s.arg(path, name));
            m_failed = true;
            continue;
        }
        sending.append(place);
        order.files.append({path, name});
        pictures = pictures && isPictureName(path);
    }
    m_toSend = sending;
    if (order.files.isEmpty()) {
        end();
        return;
    }
    order.choices = m_options.choices;
    order.connections =
        m_options.connections.value_or(connectionsOption(programOptionsPath(m_services.programFolder())));
    order.remoteFolder = folder;
    const QString base = m_session.text(SessionText::PermanentUrl);
    order.link.urlName = base + folder;
    order.link.typedBase = base;
    // The history keeps each link as "URL with Tags" builds it.
    order.link.keyword = pictures ? u"img"_s : u"url"_s;
    const TagPair tags = tagPair(order.link.keyword);
    order.link.openingTag = tags.opening;
    order.link.closingTag = tags.closing;
    order.link.thumbnailChosen = m_options.choices.thumbnail;
    m_publisher->sendFiles(order);
}

void PublishCommand::Publisher_Sending(qsizetype index)
{
    m_sendingLine =
        u"Sending %1 of %2: %3"_s.arg(++m_started).arg(m_toSend.size()).arg(m_files.value(m_toSend.value(index)));
    if (m_barOnTerminal)
        showBar(m_sendingLine);
    else
        tell(m_sendingLine);
}

void PublishCommand::Publisher_Progress(qint64 bytesDone, qint64 bytesTotal)
{
    if (!m_barOnTerminal || bytesTotal <= 0)
        return;
    const int filled = int(kBarWidth * std::clamp(bytesDone, qint64{0}, bytesTotal) / bytesTotal);
    showBar(u"[%1%2] %3%  "_s.arg(QString(filled, u'#'), QString(kBarWidth - filled, u' '))
                .arg(100 * bytesDone / bytesTotal) +
            m_sendingLine);
}

void PublishCommand::Publisher_FileSent(qsizetype index, const SentFile& file)
{
    m_sent.append(file);
    m_sentPlaces.append(m_toSend.value(index));
}

void PublishCommand::Publisher_SendsEnded(const SendOutcome& outcome)
{
    QList<qsizetype> unsent;
    for (const qsizetype place : std::as_const(m_toSend)) {
        if (!m_sentPlaces.contains(place) && !m_unprepared.contains(place))
            unsent.append(place);
    }
    const bool again = m_trySendsTwice && !m_triedAgain && !unsent.isEmpty();
    for (const QString& line : outcome.notSent)
        again ? tell(line) : trouble(line);
    if (again) {
        m_triedAgain = true;
        m_toSend = unsent;
        m_started = 0;
        tell(u"Logging on to %1 again, to send what was not sent once more"_s.arg(m_session.text(SessionText::Server)));
        m_publisher->logOn();
        return;
    }
    m_failed = m_failed || !unsent.isEmpty() || !m_unprepared.isEmpty();
    checkSent();
}

void PublishCommand::Publisher_RequestFailed(const RequestFailure& failure)
{
    trouble(failure.text);
    m_failed = true;
    end(m_trustRefused ? std::optional(kUsage) : std::nullopt);
}

void PublishCommand::checkSent()
{
    // Each file, then its thumbnail: a thumbnail that doesn't answer breaks a post as surely as its picture.
    QList<LinkSetItem> items;
    QStringList names;
    QStringList rows;
    for (const SentFile& file : std::as_const(m_sent)) {
        items.append({items.size(), {file.address, file.bytes, isPictureName(file.remoteName)}});
        names.append(file.remoteName);
        rows.append(file.address);
        if (!file.thumbnailAddress.isEmpty()) {
            items.append({items.size(), {file.thumbnailAddress, file.thumbnailBytes, true}});
            names.append(thumbnailName(file.remoteName));
            rows.append(file.address);
        }
    }
    if (items.isEmpty()) {
        end();
        return;
    }
    tell(items.size() == 1 ? u"Checking "_s + items.first().request.address : u"Checking %1 links"_s.arg(items.size()));
    m_results = QList<LinkCheckResult>(items.size());
    m_check = std::make_unique<LinkSetCheck>(items);
    connect(m_check.get(), &LinkSetCheck::checked, this,
            [this](qint64 index, const LinkCheckResult& result) { m_results[index] = result; });
    connect(m_check.get(), &LinkSetCheck::finished, this, [this, names, rows] {
        const SetCheckOutcome outcome = setCheckOutcome(m_results, names, rows);
        for (const SetCheckOutcome::Row& row : outcome.rows) {
            const LinkVerdict verdict = linkVerdictOf(row.works, row.sizeDiffers);
            m_session.recordCheck(row.address, {0, verdict, row.note, QDateTime::currentDateTimeUtc()});
            const qsizetype sent = std::find_if(m_sent.cbegin(), m_sent.cend(),
                                                [&row](const SentFile& file) { return file.address == row.address; }) -
                                   m_sent.cbegin();
            if (sent == m_sent.size())
                continue;
            const SentFile& file = m_sent[sent];
            const qsizetype place = m_sentPlaces[sent];
            m_published[place] =
                PublishedFile{m_files[place], file.address, file.thumbnailAddress, file.bytes, verdict};
            if (verdict != LinkVerdict::Works)
                trouble(u"%1: %2"_s.arg(m_files[place], row.note));
        }
        if (!outcome.unreadable.isEmpty())
            trouble(u"The web server may not read %1: make them readable by everyone on the server."_s.arg(
                outcome.unreadable.join(u", "_s)));
        end();
    });
}

void PublishCommand::end(std::optional<int> status)
{
    if (m_barShown)
        showBar(QString());
    bool allWork = !m_failed;
    QStringList block;
    for (const std::optional<PublishedFile>& published : std::as_const(m_published)) {
        if (!published) {
            allWork = false;
            continue;
        }
        allWork = allWork && published->check == LinkVerdict::Works;
        const QString link = publishedLink(*published, m_options.form, m_options.alt);
        print(m_options.json ? publishedJson(*published, link) : link);
        block.append(link);
    }
    std::fflush(stdout);
    const int ending = status.value_or(allWork ? 0 : 1);
    bool copied = false;
    if (m_options.copy && !block.isEmpty()) {
        const ClipboardCopy copy = copyLasting(block.join(u'\n'));
        copied = copy.copied;
        if (!copy.why.isEmpty())
            trouble(copy.why);
    }
    if (!m_options.notify || !notify(block, copied)) {
        Q_EMIT finished(ending);
        return;
    }
    // A script reading the lines has them all; the command stays only to open the history if asked.
    std::fclose(stdout);
    constexpr int kLongestWaitMs = 60'000;
    QTimer::singleShot(kLongestWaitMs, this, [this, ending] { Q_EMIT finished(ending); });
    connect(m_notification.get(), &DesktopNotification::closed, this, [this, ending] { Q_EMIT finished(ending); });
    connect(m_notification.get(), &DesktopNotification::actionInvoked, this, [this, ending] {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {u"--history"_s});
        Q_EMIT finished(ending);
    });
}

bool PublishCommand::notify(const QStringList& block, bool copied)
{
    const qsizetype published = block.size();
    m_notification = std::make_unique<DesktopNotification>();
    const qsizetype asked = m_options.files.size();
    QString title;
    if (m_troubles.isEmpty())
        title = (published == 1 ? u"Published: 1 link"_s : u"Published: %1 links"_s.arg(published)) +
                (copied ? u" copied"_s : QString());
    else
        title = u"Published %1 of %2"_s.arg(published).arg(asked);
    return m_notification->notify(title, (m_troubles.isEmpty() ? block : m_troubles).join(u'\n'));
}

void PublishCommand::trouble(const QString& line)
{
    m_troubles.append(line);
    tell(line);
}

void PublishCommand::tell(const QString& line)
{
    if (m_barShown)
        showBar(QString());
    tellUser(line);
}

void PublishCommand::showBar(const QString& text)
{
    std::fputs(qPrintable(u"\r\x1b[K"_s + text), stderr);
    std::fflush(stderr);
    m_barShown = !text.isEmpty();
}

std::optional<int> answerOptions(PublishRequest read, const QString& help, const QString& error, const QString& command)
{
    switch (read) {
    case PublishRequest::Help:
        std::fputs(qPrintable(help), stdout);
        return 0;
    case PublishRequest::Refused:
        tellUser(error + u"\nSee \"lumaport %1 --help\"."_s.arg(command));
        return kUsage;
    case PublishRequest::Publish:
        break;
    }
    return std::nullopt;
}

int runPublish(int& argc, char** argv)
{
    const QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"Lumaport"_s);
    PublishOptions options;
    QString error;
    const PublishRequest read = readPublishOptions(QCoreApplication::arguments().mid(2), &options, &error);
    if (const std::optional<int> answered = answerOptions(read, publishHelp(), error, u"publish"_s))
        return *answered;
    ConsoleServices services;
    LocalChoice local;
    PublishingSession session(services, local);
    PublishCommand command(std::move(options), services, session);
    // Queued: the loop runs by the time it comes.
    QObject::connect(&command, &PublishCommand::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (const std::optional<int> ended = command.start())
        return *ended;
    return QCoreApplication::exec();
}

} // namespace lumaport
