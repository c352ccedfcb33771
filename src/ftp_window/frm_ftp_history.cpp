// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's part in the history of sends: every file sent is kept as a row, written on a thread of its
// own so a send never waits for it, and "Published..." opens the history.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"
#include "ftp_window/local_file_panel.h"

#include "platform/paths.h"
#include "platform/services.h"
#include "publish/link_address.h"
#include "publish/link_verdict.h"
#include "published_window/frm_published.h"
#include "session/link_checks.h"
#include "startup/forms.h"
#include "transfer/internet_transfer.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace lumaport {

using namespace Qt::StringLiterals;

void frmftp::setUpHistory()
{
    // The window is full: the right end of the log-on pane's frame line is one of the few places left.
    cmdPublished = addButton(this, "cmdPublished", u"Published..."_s, {3195, 30, 1215, 330});
    cmdPublished->setToolTip(u"Every file sent, and whether its link still works"_s);
    connect(cmdPublished, &QPushButton::clicked, this, &frmftp::cmdPublished_Click);
}

void frmftp::cmdPublished_Click()
{
    m_forms.frmPublished().Show();
}

void frmftp::offerPublishedLinks(const QStringList& names,
                                 std::function<void(const QStringList&, const QList<SentFile>&)> then)
{
    PublishedStore store(publishedHistoryPath(m_forms.services().programFolder()));
    QString ignored;
    QStringList offered;
    QList<SentFile> links;
    QList<LinkCheckRequest> requests;
    for (const QString& name : names) {
        const QString localPath = joinPath(fraLocalFiles->folder(), name);
        if (!QFileInfo(localPath).isFile() || !(store.isOpen() || store.open(&ignored)))
            continue;
        const std::optional<PublishedRecord> published = store.workingLinkOf(localPath);
        if (!published)
            continue;
        offered.append(name);
        links.append({localPath, QString(), name, published->address, published->thumbnailAddress, published->size, -1,
                      published->link});
        requests.append({published->address, published->size, isPictureName(published->address)});
    }
    // Busy meanwhile: the answer decides what is sent.
    holdLogOn();
    const QPointer<frmftp> self(this);
    const bool checking = m_session.linkChecks().checkOffered(requests, [this, self, names, offered, links,
                                                                         then](const QList<LinkCheckResult>& results) {
        if (!self)
            return;
        releaseLogOn();
        // Logged off meanwhile: nothing is to be sent.
        if (!loggedOn())
            return;
        QList<SentFile> working;
        QStringList lines;
        for (qsizetype i = 0; i < results.size(); ++i) {
            if (results[i].works && !results[i].sizeDiffers) {
                working.append(links[i]);
                lines.append(offered[i] + u": "_s + links[i].address);
            }
        }
        if (working.isEmpty()) {
            then(names, {});
            return;
        }
        const bool one = working.size() == 1;
        const QString question =
            names.size() == 1
                ? u"File %1 was published before, and its link works:\r\n%2\r\nUse the link instead of sending it "
                  u"again?"_s.arg(names.first(), working.first().address)
                : u"%1 of the %2 files to send %3 published before, and %4:\r\n%5\r\nUse %6 instead of sending "
                  u"%7 again?"_s.arg(working.size())
                      .arg(names.size())
                      .arg(one ? u"was"_s : u"were"_s, one ? u"its link works"_s : u"their links work"_s,
                           lines.join(u"\r\n"_s), one ? u"the link"_s : u"the links"_s, one ? u"it"_s : u"them"_s);
        const MsgAnswer answer =
            m_forms.services().messageBox(question, u"Published"_s, MsgIcon::Question, MsgButtons::UseLinkSendAgain);
        if (answer == MsgAnswer::No) {
            then(names, {});
            return;
        }
        if (answer != MsgAnswer::Yes)
            return;
        QStringList left = names;
        for (const SentFile& file : std::as_const(working))
            left.removeOne(file.remoteName);
        if (left.isEmpty()) {
            showReused(working);
            if (one)
                m_session.linkChecks().tell(results[offered.indexOf(working.first().remoteName)]);
            return;
        }
        then(left, working);
    });
    if (!checking) {
        releaseLogOn();
        then(names, {});
    }
}

void frmftp::showReused(const QList<SentFile>& reused)
{
    if (reused.isEmpty())
        return;
    m_session.linkChecks().stop();
    m_session.forgetSent();
    for (const SentFile& file : reused)
        m_session.fileSent(file);
    showSentLinks(LinkForm::Tagged);
    setSystemStatus(reused.size() == 1 ? u"Already published"_s : u"%1 already published"_s.arg(reused.size()));
    if (reused.size() > 1)
        m_session.linkChecks().checkSentSet(reused);
}

void frmftp::PublishedRecorder_Failed()
{
    if (std::exchange(m_historyTroubleShown, true))
        return;
    const QString text = u"Sent; not kept in the history"_s;
    // The listing that follows a send ends by showing its note.
    if (ITC && ITC->StillExecuting())
        m_sendNote = m_sendNote.isEmpty() ? text : m_sendNote + u"; "_s + text;
    else
        setSystemStatus(text);
}

} // namespace lumaport
