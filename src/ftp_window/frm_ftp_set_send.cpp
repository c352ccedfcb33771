// SPDX-License-Identifier: GPL-3.0-or-later
// Several files at once: a set handed over from the other windows, sent by one "Send",
// one block of addresses for it, and every address of the block checked from the web side.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/remote_files_panel.h"

#include "local_choice/local_choice.h"
#include "main_window/frm_load.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "publish/link_check.h"
#include "session/link_checks.h"
#include "startup/forms.h"

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

namespace lumaport {

using namespace Qt::StringLiterals;

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

void frmftp::setSent(const QStringList& names, QStringList notSent, const QList<SentFile>& reused)
{
    m_setStatus.clear();
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
