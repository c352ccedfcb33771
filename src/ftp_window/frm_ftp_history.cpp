// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's part in the history of sends: every file sent is kept as a row, written on a thread of its
// own so a send never waits for it, and "Published..." opens the history.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"

#include "platform/file_digest.h"
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
#include <QPushButton>

namespace lumaport {

using namespace Qt::StringLiterals;

void frmftp::setUpHistory()
{
    // The window is full: the top right corner, on the remote pane's frame line, is the one place left.
    cmdPublished = addButton(this, "cmdPublished", u"Published..."_s, {8400, 30, 1215, 330});
    cmdPublished->setToolTip(u"Every file sent, and whether its link still works"_s);
    connect(cmdPublished, &QPushButton::clicked, this, &frmftp::cmdPublished_Click);
}

void frmftp::cmdPublished_Click()
{
    m_forms.frmPublished().Show();
}

bool frmftp::usePublishedLink(const QString& localPath, const QString& name)
{
    PublishedStore store(publishedHistoryPath(m_forms.services().programFolder()));
    QString ignored;
    if (!store.open(&ignored))
        return false;
    const std::optional<PublishedRecord> published =
        store.workingLinkOf(QFileInfo(localPath).size(), [&localPath] { return fileSha256(localPath); });
    if (!published)
        return false;
    const MsgAnswer answer = m_forms.services().messageBox(
        u"File %1 was published before, and its link worked:\r\n%2\r\nUse the link instead of sending it again?"_s.arg(
            name, published->address),
        u"Published"_s, MsgIcon::Question, MsgButtons::UseLinkSendAgain);
    if (answer == MsgAnswer::No)
        return false;
    if (answer == MsgAnswer::Yes) {
        TagFields fields = tagFields();
        takeAddress(published->address, &fields);
        fields.hasThumbnail = !published->thumbnailAddress.isEmpty();
        m_links->showTagged(taggedAddress(fields));
        setSystemStatus(u"Already published"_s);
        // It worked when last checked; the site may be gone since.
        m_session.linkChecks().checkPublished(published->address, published->size,
                                              usesThumbnailForm(fields) ? published->thumbnailAddress : QString());
    }
    return true;
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
