// SPDX-License-Identifier: GPL-3.0-or-later
// Several files at once: a set handed over from the other windows, sent by one "Send" over the one connection,
// one block of addresses for it, and every address of the block checked from the web side.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/remote_files_panel.h"

#include "local_choice/local_choice.h"
#include "main_window/frm_load.h"
#include "picture_prep/picture_choices.h"
#include "picture_prep/prepared_picture.h"
#include "platform/options_file.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_check.h"
#include "session/link_checks.h"
#include "session/remote_requests.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"
#include "transfer/send_lanes.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <deque>
#include <map>
#include <memory>
#include <numeric>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// More than a few connections only queue at the server's limit, and many servers allow two to five.
constexpr int kMostConnections = 10;

} // namespace

void frmftp::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frmftp::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty() || !m_forms.frmload().chooseFiles(paths))
        return;
    event->acceptProposedAction();
    const LocalChoice::Chosen& chosen = m_forms.localChoice().chosen();
    if (chosen.names.size() > 1) {
        m_session.handOverSet(chosen.drive, chosen.folder, chosen.names);
    } else {
        m_session.handOverFile(chosen.drive, chosen.folder, chosen.names.value(0));
        fraLocalFiles->nameFile(chosen.names.value(0));
    }
    if (!chosen.note.isEmpty())
        setSystemStatus(chosen.note);
}

SentFile frmftp::sentFile(const QString& localPath, const QString& name, qint64 bytes, qint64 thumbnailBytes) const
{
    const QString folderAddress = m_session.folderAddress();
    // Sent all the same, but with no address to check or keep.
    if (!namesTypedHost(folderAddress, txtpermurl->text()))
        return {localPath, txtfolder->text(), name, QString(), QString(), bytes, thumbnailBytes, QString()};
    const QString thumbnail =
        thumbnailBytes >= 0 ? bareAddress(folderAddress, thumbnailName(name), txtpermurl->text()) : QString();
    TagFields fields = tagFields();
    fields.urlName = folderAddress;
    fields.fileName = name;
    fields.hasThumbnail = thumbnailBytes >= 0;
    return {localPath,      txtfolder->text(),
            name,           bareAddress(folderAddress, name, txtpermurl->text()),
            thumbnail,      bytes,
            thumbnailBytes, taggedAddress(fields).text};
}

QStringList frmftp::namesToSend(const QStringList& set)
{
    QStringList names;
    std::optional<bool> toAll;
    for (const QString& name : set) {
        if (listed(name) && !toAll) {
            const MsgAnswer answer = m_forms.services().messageBox(
                QStringLiteral("File ") + name + QStringLiteral(" already exists.\r\nOverwrite?"),
                QStringLiteral("Overwrite"), MsgIcon::Question, MsgButtons::YesNoToAll);
            if (answer == MsgAnswer::YesToAll || answer == MsgAnswer::NoToAll)
                toAll = answer == MsgAnswer::YesToAll;
            else if (answer != MsgAnswer::Yes)
                continue;
        }
        if (!listed(name) || toAll.value_or(true))
            names.append(name);
    }
    return names;
}

void frmftp::sendSetFile(const QString& name, std::function<void(const QString& why)> then)
{
    // The component would log on again unasked.
    if (!loggedOn()) {
        then(u"the connection was closed"_s);
        return;
    }
    const QString localPath = joinPath(fraLocalFiles->folder(), name);
    m_lastError.clear();
    sendPicture(localPath, name, true, [this, localPath, name, then](const PictureSend& send) {
        if (!send.sent) {
            then(send.unprepared.isEmpty() ? unsentWhy() : send.unprepared);
            return;
        }
        m_setBytesDone += QFileInfo(localPath).size();
        m_session.fileSent(sentFile(localPath, name, send.size, send.thumbnailSize));
        then({});
    });
}

QStringList frmftp::notStarted(const QStringList& names, const QString& failed) const
{
    QStringList lines;
    for (const QString& name : names)
        lines.append(name + (loggedOn() ? u" was not sent: the set stopped at "_s + failed
                                        : u" was not sent: the connection was closed"_s));
    return lines;
}

QString frmftp::unsentWhy() const
{
    return !m_lastError.isEmpty() ? m_lastError
           : loggedOn()           ? u"the server did not take it"_s
                                  : u"Log Off was pressed"_s;
}

void frmftp::sendSetFrom(const QStringList& names, qsizetype first,
                         std::function<void(const QStringList& notSent)> then)
{
    if (first == names.size()) {
        then({});
        return;
    }
    m_setStatus = u"Sending %1 of %2: %3"_s.arg(first + 1).arg(names.size()).arg(names[first]);
    setStatus(m_setStatus);
    sendSetFile(names[first], [this, names, first, then](const QString& why) {
        if (why.isEmpty()) {
            sendSetFrom(names, first + 1, then);
            return;
        }
        QStringList notSent{names[first] + u" was not sent: "_s + why};
        notSent.append(notStarted(names.mid(first + 1), names[first]));
        then(notSent);
    });
}

struct frmftp::SetAtOnce
{
    QStringList names;
    std::deque<qsizetype> waiting;
    std::map<qsizetype, PreparedPicture> prepared;
    std::map<qsizetype, SentFile> sent; // by place in the set: the block keeps the order chosen
    qsizetype lastStarted = -1;
    QStringList notSent;
    QString firstFailed;           // the files never started name it
    QStringList thumbnailsNotSent; // their pictures went: the set goes on, as over one connection
    std::unique_ptr<QObject> guard = std::make_unique<QObject>(); // the lanes' signals reach this set only
    bool starting = false;                                        // a start of more files is posted
};

bool frmftp::sendSetAtOnce(const QStringList& names, std::function<void(const QStringList& notSent)> then)
{
    const int connections = std::clamp(
        readOptions(programOptionsPath(m_forms.services().programFolder())).value(u"sending/connections"_s, 3).toInt(),
        1, kMostConnections);
    if (connections < 2)
        return false;
    SendLanes& lanes = m_requests->lanes();
    lanes.startSet(connections);

    // Held by the steps below, which the lanes' connections to its guard hold until the set is over.
    auto set = std::make_shared<SetAtOnce>();
    set->names = names;
    set->waiting.resize(size_t(names.size()));
    std::iota(set->waiting.begin(), set->waiting.end(), qsizetype{0});
    SetAtOnce* raw = set.get();
    const auto showSending = [this, raw, &lanes] {
        const int atOnce = lanes.running();
        const QString& name = raw->names[raw->lastStarted];
        m_setStatus = atOnce > 1 ? u"Sending %1 of %2 (%3 at once): %4"_s.arg(raw->lastStarted + 1)
                                       .arg(raw->names.size())
                                       .arg(atOnce)
                                       .arg(name)
                                 : u"Sending %1 of %2: %3"_s.arg(raw->lastStarted + 1).arg(raw->names.size()).arg(name);
        setStatus(m_setStatus);
    };
    const auto keepSent = [this, raw, showSending](qsizetype file, bool withThumbnail) {
        const PreparedPicture& picture = raw->prepared[file];
        const QString localPath = joinPath(fraLocalFiles->folder(), raw->names[file]);
        const qint64 thumbnailBytes =
            withThumbnail && !picture.thumbnail().isEmpty() ? QFileInfo(picture.thumbnail()).size() : -1;
        const SentFile record =
            sentFile(localPath, raw->names[file], QFileInfo(picture.picture()).size(), thumbnailBytes);
        m_session.recordSent(picture.picture(), record);
        raw->sent.emplace(file, record);
        m_setBytesDone += QFileInfo(localPath).size();
        raw->prepared.erase(file);
        showSending();
    };
    // Starts what may start; once nothing is in flight, the set is over. A failure, Log Off or a lost connection
    // starts nothing more; what is in flight ends on its own.
    const auto startMore = [this, set, then, showSending, &lanes] {
        set->starting = false;
        while (set->notSent.isEmpty() && loggedOn() && !set->waiting.empty() && lanes.canStart()) {
            const qsizetype file = set->waiting.front();
            set->waiting.pop_front();
            const QString& name = set->names[file];
            // Made once: a file whose start waits for a free connection keeps what was made for it.
            const auto [entry, fresh] = set->prepared.try_emplace(file);
            PreparedPicture& picture = entry->second;
            QString why;
            if (fresh && !picture.prepare(joinPath(fraLocalFiles->folder(), name), fraLocalFiles->choices(), &why)) {
                set->notSent.append(name + u" was not sent: "_s + why);
                set->firstFailed = name;
                break;
            }
            if (fresh && !picture.note().isEmpty())
                m_forms.services().messageBox(picture.note(), QString(), MsgIcon::Information);
            QStringList commands{u"PUT "_s + quotedName(picture.picture()) + u' ' + quotedName(name)};
            if (!picture.thumbnail().isEmpty())
                commands.append(u"PUT "_s + quotedName(picture.thumbnail()) + u' ' + quotedName(thumbnailName(name)));
            if (!lanes.start(file, commands)) {
                set->waiting.push_front(file);
                break;
            }
            set->lastStarted = std::max(set->lastStarted, file);
            showSending();
        }
        if (lanes.running() > 0 || !set->guard)
            return;
        set->guard.release()->deleteLater();
        m_sendingAtOnce = false;
        releaseLogOn();
        // Every file never started is named; the first failure, or the closed connection, is why.
        if (!set->waiting.empty()) {
            QStringList never;
            for (const qsizetype file : set->waiting)
                never.append(set->names[file]);
            if (set->notSent.isEmpty()) {
                set->firstFailed = never.takeFirst();
                set->notSent.append(set->firstFailed + u" was not sent: "_s + unsentWhy());
            }
            set->notSent.append(notStarted(never, set->firstFailed));
        }
        set->notSent.append(set->thumbnailsNotSent);
        for (const auto& [file, done] : set->sent)
            m_session.fileSent(done);
        then(set->notSent);
    };
    // Each file's end lets the next start, once the lanes' signal has returned and its connection is idle.
    const auto startLater = [raw, startMore] {
        if (raw->guard && !std::exchange(raw->starting, true))
            QMetaObject::invokeMethod(raw->guard.get(), startMore, Qt::QueuedConnection);
    };
    QObject* guard = set->guard.get();
    connect(&lanes, &SendLanes::sent, guard, [keepSent, startLater](qsizetype file, const QString&) {
        keepSent(file, true);
        startLater();
    });
    connect(&lanes, &SendLanes::failed, guard,
            [this, raw, keepSent, startLater](qsizetype file, const QString& why, int done) {
                const QString reason = why.isEmpty() ? unsentWhy() : why;
                if (done > 0) {
                    raw->thumbnailsNotSent.append(thumbnailName(raw->names[file]) + u" was not sent: "_s + reason);
                    keepSent(file, false);
                } else {
                    raw->notSent.append(raw->names[file] + u" was not sent: "_s + reason);
                    if (raw->firstFailed.isEmpty())
                        raw->firstFailed = raw->names[file];
                    raw->prepared.erase(file);
                }
                startLater();
            });
    connect(&lanes, &SendLanes::refused, guard, [raw, startLater](qsizetype file) {
        raw->waiting.push_front(file);
        startLater();
    });
    connect(&lanes, &SendLanes::progress, guard,
            [this](qint64 bytesInFlight) { showTransferProgress(bytesInFlight, -1); });

    holdLogOn();
    m_sendingAtOnce = true;
    m_lastError.clear();
    startMore();
    return true;
}

void frmftp::sendFileSet(const QStringList& names, const QList<SentFile>& reused)
{
    m_session.linkChecks().stop();
    m_session.forgetSent();
    m_setBytesDone = 0;
    m_setBytesTotal = 1;
    for (const QString& name : names)
        m_setBytesTotal += QFileInfo(joinPath(fraLocalFiles->folder(), name)).size();
    prgTransfer->setValue(0);
    prgTransfer->setFormat(QString());
    prgTransfer->show();
    m_transferClock.start();
    const auto sent = [this, names, reused](const QStringList& notSent) { setSent(names, notSent, reused); };
    if (!sendSetAtOnce(names, sent))
        sendSetFrom(names, 0, sent);
}

void frmftp::setSent(const QStringList& names, QStringList notSent, const QList<SentFile>& reused)
{
    m_setStatus.clear();
    m_setBytesTotal = 0;
    prgTransfer->hide();
    if (!notSent.isEmpty()) {
        const QString sent = u"%1 of %2 sent"_s.arg(m_session.sentSet().size()).arg(names.size());
        setStatus(loggedOn() ? sent : sent + u"; "_s + kNotConnected);
        // Shown again once the re-list is in, which reports its own states meanwhile.
        if (loggedOn())
            m_sendNote = sent;
        for (QString& line : notSent) {
            if (!line.endsWith(u'.'))
                line += u'.';
        }
        m_forms.services().messageBox(sent + u".\r\n"_s + notSent.join(u"\r\n"_s), u"Send"_s, MsgIcon::Exclamation);
    }
    for (const SentFile& file : reused)
        m_session.fileSent(file);
    showSentLinks(LinkForm::Tagged);
    m_session.linkChecks().checkSentSet(m_session.sentSet());
    WaitAndRelist();
}

bool frmftp::buildSetBlock(LinkForm form)
{
    if (m_session.fileSet().size() < 2)
        return false;
    const QList<SentFile>& sent = m_session.sentSet();
    if (!sent.isEmpty() && !sent.first().address.isEmpty()) {
        // Each file at the address it went to, or was published at before; what was sent, after the picture
        // choices, is what the web server should give back.
        showSentLinks(form);
        m_session.linkChecks().checkSentSet(sent);
        return true;
    }
    QList<BlockFile> files;
    QHash<QString, qint64> sizes;
    if (!sent.isEmpty()) {
        for (const SentFile& file : sent)
            files.append({file.remoteName, file.thumbnailBytes >= 0});
    } else {
        for (const QString& name : std::as_const(m_session.fileSet())) {
            files.append({name, fraLocalFiles->thumbnailChosen() || listed(thumbnailName(name))});
            if (const QFileInfo local(joinPath(fraLocalFiles->folder(), name)); local.isFile())
                sizes.insert(name, local.size());
        }
    }
    showBlock(files, form, sizes);
    return true;
}

void frmftp::showSentLinks(LinkForm form)
{
    // A kind of file that has no tag is linked bare.
    const bool bare = form == LinkForm::Bare || m_session.presented() == HandOver::TaglessFile;
    QStringList lines;
    TaggedAddress shown;
    for (const SentFile& file : std::as_const(m_session.sentSet())) {
        if (file.address.isEmpty())
            continue;
        TagFields fields = tagFields();
        takeAddress(file.address, &fields);
        fields.hasThumbnail = !file.thumbnailAddress.isEmpty();
        shown = bare ? TaggedAddress{file.address, fields.openingTag} : taggedAddress(fields);
        lines.append(shown.text);
    }
    shown.text = lines.join(u'\n');
    if (bare || lines.isEmpty())
        m_links->showLink(shown.text);
    else
        m_links->showTagged(shown);
}

bool frmftp::buildSelectedBlock(LinkForm form)
{
    QList<BlockFile> files;
    for (const QString& entry : fraRemoteFiles->selectedEntries())
        files.append({entry, listed(thumbnailName(entry))});
    if (files.size() < 2)
        return false;
    takeSelectedEntry();
    showBlock(files, form, {});
    return true;
}

void frmftp::showBlock(const QList<BlockFile>& files, LinkForm form, const QHash<QString, qint64>& sizes)
{
    TagFields fields = tagFields();
    const TaggedAddress built = linkBlock(fields, files, form);
    if (form == LinkForm::Tagged)
        m_links->showTagged(built);
    else
        m_links->showLink(built.text);

    QList<LinkCheckRequest> requests;
    QStringList names;
    for (const BlockFile& file : files) {
        // A folder has no picture to check.
        if (file.name.endsWith(u'/'))
            continue;
        requests.append({bareAddress(fields.urlName, file.name, fields.typedBase), sizes.value(file.name, -1),
                         isPictureName(file.name)});
        names.append(file.name);
        fields.fileName = file.name;
        fields.hasThumbnail = file.hasThumbnail;
        if (form == LinkForm::Tagged && usesThumbnailForm(fields)) {
            requests.append({bareAddress(fields.urlName, thumbnailName(file.name), fields.typedBase),
                             sizes.value(thumbnailName(file.name), -1), true});
            names.append(thumbnailName(file.name));
        }
    }
    LinkChecks& checks = m_session.linkChecks();
    if (requests.isEmpty() || namesTypedHost(fields.urlName, fields.typedBase))
        checks.checkSet(requests, names);
    else
        checks.tellNoWebAddress();
}

} // namespace lumaport
