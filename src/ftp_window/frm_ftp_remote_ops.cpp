// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's commands on remote entries: new folder, rename, delete and size, from their buttons, their
// keys on the remote list and its context menu.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/remote_files_panel.h"

#include "platform/services.h"
#include "platform/timer.h"
#include "session/publisher.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"

#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

namespace {

const QString kNewFolder = QStringLiteral("New Folder");
const QString kInvalidName = QStringLiteral("Invalid Name");

bool onlySpaces(const QString& name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) { return c == u' '; });
}

} // namespace

void frmftp::buildRemoteCommands()
{
    connect(fraRemoteFiles, &RemoteFilesPanel::newFolderClicked, this, &frmftp::cmdNewFolder_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::renameClicked, this, &frmftp::cmdRename_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::deleteClicked, this, &frmftp::cmdDelete_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::sizeClicked, this, &frmftp::cmdSize_Click);
}

void frmftp::cmdNewFolder_Click()
{
    if (!FtpReady(true))
        return;
    Services& services = m_forms.services();
    const QString name = services.inputBox(QStringLiteral("Enter new folder name"), kNewFolder);
    // An empty answer, a cancelled box included, is no folder to make.
    if (name.isEmpty())
        return;
    if (holdsControlCharacter(name)) {
        services.messageBox(kInvalidName, kNewFolder, MsgIcon::Information);
        return;
    }
    // The server would make it, and the list would show nothing of it: its entry has nothing but blanks.
    if (name.trimmed().isEmpty()) {
        services.messageBox(QStringLiteral("A folder name needs at least one character that is not a blank."),
                            kNewFolder, MsgIcon::Information);
        return;
    }
    // Only a folder of the very same name stops it; the server judges the rest.
    if (listed(name + QLatin1Char('/'))) {
        services.messageBox(QStringLiteral("Folder ") + name + QStringLiteral(" already exists."), kNewFolder,
                            MsgIcon::Information);
        return;
    }
    m_publisher->makeFolder(name, this, held([this](bool) { WaitAndRelist(); }));
}

void frmftp::cmdRename_Click()
{
    if (!FtpReady(true))
        return;
    const QString entry = selectedEntry();
    const QString name =
        m_forms.services().inputBox(QStringLiteral("Enter new file name for ") + entry, QStringLiteral("Rename"));
    if (onlySpaces(name) || holdsControlCharacter(name)) {
        m_forms.services().messageBox(kInvalidName, QStringLiteral("Rename"), MsgIcon::Information);
        return;
    }
    // Many servers let a rename replace an entry of that name, losing what it held.
    const bool folderExists = listed(name + QLatin1Char('/'));
    if (folderExists || listed(name)) {
        m_forms.services().messageBox((folderExists ? QStringLiteral("Folder ") : QStringLiteral("File ")) + name +
                                          QStringLiteral(" already exists."),
                                      QStringLiteral("Rename"), MsgIcon::Information);
        return;
    }
    // The new name goes in as typed, blanks around it included.
    m_publisher->rename(entry, name, this, held([this](bool) { WaitAndRelist(); }));
}

void frmftp::cmdDelete_Click()
{
    // Off before anything else, so a second press can't ask again; it comes back a while after the re-list or the
    // next list click.
    fraRemoteFiles->restDelete();
    if (!FtpReady(true))
        return;
    const QString entry = selectedEntry();
    if (m_forms.services().messageBox(QStringLiteral("Delete ") + entry + QStringLiteral(" ?"),
                                      QStringLiteral("Delete"), MsgIcon::Question,
                                      MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    m_publisher->remove(entry, this, held([this](bool) { WaitAndRelist([this] { fraRemoteFiles->wakeDelete(); }); }));
}

void frmftp::cmdSize_Click()
{
    if (!FtpReady(true))
        return;
    // The reply names the entry asked about, even if the user picks another one meanwhile.
    m_sizeEntry = selectedEntry();
    SizeRequest = true;
    m_publisher->askSize(m_sizeEntry, this, held([this](bool) {
                             SizeRequest = false;
                             // A log off or a lost connection meanwhile has said so already.
                             if (loggedOn())
                                 setStatus(kConnected);
                         }));
}

} // namespace lumaport
