// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's remote navigation (click, double-click, "Preview", "Move Up One Folder") and its sends and
// receives, with the progress bar shown while a file moves.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/remote_files_panel.h"

#include "platform/paths.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "preview/frm_preview.h"
#include "session/link_checks.h"
#include "session/publisher.h"
#include "session/remote_requests.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"
#include "transfer/internet_transfer.h"
#include "transfer/remote_folder.h"
#include "transfer/transfer_rules.h"
#include "widgets/picture_box.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

namespace {

const QString kError = QStringLiteral("Error");
constexpr int kProgressSteps = 1000;

} // namespace

void frmftp::setUpTransfers()
{
    // Left of the status frame, between the address box and the buttons below it.
    prgTransfer = addControl<QProgressBar>(this, "prgTransfer", {240, 6345, 2940, 240});
    prgTransfer->setAccessibleName(QStringLiteral("Transfer progress"));
    prgTransfer->setRange(0, kProgressSteps);
    QFont small = prgTransfer->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    prgTransfer->setFont(small);
    prgTransfer->hide();

    if (m_requests)
        connect(m_requests, &RemoteRequests::progress, this, [this](qint64 done, qint64 total) {
            if (!m_publishing)
                showTransferProgress(done, total);
        });
    connect(fraRemoteFiles, &RemoteFilesPanel::entryClicked, this, &frmftp::lstRemoteFile_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::entryDoubleClicked, this, &frmftp::lstRemoteFile_DblClick);
    connect(fraRemoteFiles, &RemoteFilesPanel::previewClicked, this, &frmftp::Command11_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::upFolderClicked, this, &frmftp::cmdUpFolder_Click);
    connect(cmdsend, &QPushButton::clicked, this, &frmftp::cmdsend_Click);
    connect(imgSendFile, &PictureBox::clicked, this, &frmftp::imgSendFile_Click);
    connect(imgReceiveFile, &PictureBox::clicked, this, &frmftp::imgReceiveFile_Click);
}

void frmftp::lstRemoteFile_Click()
{
    txtfile->setText(selectedEntry());
}

void frmftp::lstRemoteFile_DblClick()
{
    m_forms.frmPreview().loadSoon();
    if (!FtpReady(true))
        return;
    const QString entry = selectedEntry();
    if (entry.endsWith(QLatin1Char('/')))
        openFolder(entry);
    else
        imgReceiveFile_Click();
}

void frmftp::Command11_Click()
{
    const QString entry = selectedEntry();
    m_forms.frmPreview().showEntry(entry);
    // From here on the user may close the preview at any box or wait; each use references it afresh, which
    // loads a new one as any reference does.
    if (!FtpReady(true)) {
        m_forms.frmPreview().loadSoon();
        return;
    }
    if (entry.endsWith(QLatin1Char('/'))) {
        openFolder(entry, [this] { m_forms.frmPreview().loadSoon(); });
    } else {
        imgReceiveFile_Click();
    }
}

void frmftp::openFolder(const QString& entry, std::function<void()> then)
{
    m_publisher->openFolder(entry, this, held([this, entry, then = std::move(then)](bool entered) {
                                if (entered) {
                                    followFolder(RemoteFolder().entered(txtfolder->text()).entered(entry));
                                    m_session.setText(SessionText::UrlName, txtserverurl->text());
                                }
                                WaitAndRelist(then);
                            }));
}

void frmftp::cmdUpFolder_Click()
{
    if (!FtpReady(true))
        return;
    // Only a request that goes out empties the address in use.
    m_session.setText(SessionText::UrlName, QString());
    m_publisher->leaveFolder(this, held([this](bool left) {
                                 if (left)
                                     followFolder(RemoteFolder().entered(txtfolder->text()).parent());
                                 WaitAndRelist(
                                     [this] { m_session.setText(SessionText::UrlName, txtserverurl->text()); });
                             }));
}

void frmftp::followFolder(const RemoteFolder& asked)
{
    // Where the server says the change led; the name asked for when it can't say.
    setRemoteFolder(RemoteFolder().entered(ITC->CurrentFolder().value_or(asked.path())));
}

void frmftp::setRemoteFolder(const RemoteFolder& folder)
{
    txtfolder->setText(folder.path());
    // Outside the log-on folder no web address is known beyond the permanent one.
    txtserverurl->setText(txtpermurl->text() + (folder.withinLogOnFolder() ? folder.path() : QString()));
}

void frmftp::cmdsend_Click()
{
    if (!FtpReady(true))
        return;
    const bool set = m_session.fileSet().size() > 1;
    const QStringList names = set ? m_session.fileSet() : QStringList{fraLocalFiles->chosenName()};
    if (!set && names.first().trimmed().isEmpty()) {
        m_forms.services().messageBox(QStringLiteral("Please select a file to send."), kError, MsgIcon::Critical);
        return;
    }
    // The list is what a server long gone once held, and a PUT would log on again unasked.
    if (!loggedOn()) {
        m_forms.services().messageBox(QStringLiteral("Not connected: press \"Log On\" before sending."),
                                      QStringLiteral("Send"), MsgIcon::Information);
        return;
    }
    offerPublishedLinks(names, [this, set](const QStringList& left, const QList<SentFile>& reused) {
        askOverwrite(left, set, [this, set, reused](const QStringList& toSend) {
            if (toSend.isEmpty())
                showReused(reused);
            else
                sendFiles(toSend, set, reused);
        });
    });
}

void frmftp::askOverwrite(const QStringList& names, bool set, std::function<void(const QStringList&)> then)
{
    const auto ask = [this, names, set, then] {
        if (!set) {
            // A name listed twice is asked about twice.
            for (qsizetype i = fraRemoteFiles->times(names.first()); i > 0; --i) {
                const MsgAnswer answer = m_forms.services().messageBox(
                    QStringLiteral("File ") + names.first() + QStringLiteral(" already exists.\r\nOverwrite?"),
                    QStringLiteral("Overwrite"), MsgIcon::Question, MsgButtons::YesNo);
                if (answer != MsgAnswer::Yes) {
                    then({});
                    return;
                }
            }
            then(names);
            return;
        }
        then(namesToSend(names));
    };
    if (std::none_of(names.begin(), names.end(), [this](const QString& name) { return listed(name); })) {
        ask();
        return;
    }
    // Asked of the server's folder as it is now: the list may be older than a server that stopped since.
    fraRemoteFiles->clear();
    m_publisher->list(this, held([this, ask](bool replied) {
                          if (replied && loggedOn())
                              ask();
                      }));
}

void frmftp::imgSendFile_Click()
{
    cmdsend_Click();
}

void frmftp::imgReceiveFile_Click()
{
    if (!FtpReady(true))
        return;
    const QString entry = selectedEntry();
    Services& services = m_forms.services();
    if (entry.isEmpty()) {
        services.messageBox(QStringLiteral("Please select a file to receive."), kError, MsgIcon::Critical);
        return;
    }
    if (entry.endsWith(QLatin1Char('/'))) {
        services.messageBox(entry + QStringLiteral(" is a folder and cannot be sent."), kError, MsgIcon::Critical);
        return;
    }
    // The name becomes a local path: it must not lead out of the local folder.
    if (!isPlainFileName(entry)) {
        services.messageBox(QStringLiteral("The name ") + quotedName(entry) +
                                QStringLiteral(" is not a plain file name and cannot be received."),
                            kError, MsgIcon::Critical);
        return;
    }
    if (fraLocalFiles->lists(entry)) {
        services.messageBox(QStringLiteral("File ") + entry + QStringLiteral(" already exists."),
                            QStringLiteral("Recieve"), MsgIcon::Information);
        return;
    }
    const QString target = joinPath(fraLocalFiles->folder(), entry);
    showTransferStart();
    m_publisher->receive(entry, target, this, held([this, target](bool) {
                             prgTransfer->hide();
                             // The file is written beside its name and appears only when complete, so the preview loads
                             // it once, now.
                             m_forms.frmPreview().showPicture(target);
                             // Re-reading the folder must not lose the file chosen for sending.
                             fraLocalFiles->relist();
                             setStatus(kConnected);
                         }));
}

void frmftp::showTransferStart()
{
    prgTransfer->setValue(0);
    prgTransfer->setFormat(QString());
    m_transferClock.start();
    prgTransfer->show();
}

void frmftp::showTransferProgress(qint64 bytesDone, qint64 bytesTotal)
{
    if (prgTransfer->isHidden())
        return;
    // The bar reads "%p", "%v" and "%m" in its format as placeholders; the text holds no such pair.
    prgTransfer->setFormat(transferProgressText(bytesDone, bytesTotal, m_transferClock.elapsed()));
    prgTransfer->setValue(bytesTotal > 0 ? int(bytesDone * kProgressSteps / bytesTotal) : 0);
}

} // namespace lumaport
