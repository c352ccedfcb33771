// SPDX-License-Identifier: GPL-3.0-or-later
#include "ftp_window/remote_files_panel.h"

#include "platform/services.h"
#include "platform/timer.h"
#include "widgets/button_action.h"
#include "widgets/form.h"
#include "widgets/wrapping_button.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

using namespace Qt::StringLiterals;

RemoteFilesPanel::RemoteFilesPanel(QWidget* window, Services& services) : QGroupBox(window), m_services(services)
{
    setObjectName(u"fraRemoteFiles"_s);
    setTitle(u"Remote Files"_s);
    place(this, {4440, 240, 5175, 4020});
    lstRemoteFile = addControl<QListWidget>(this, "lstRemoteFile", {90, 360, 4995, 2985});
    // Several entries at once build a block of their addresses.
    lstRemoteFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstRemoteFile->setAccessibleName(u"Remote Files"_s);
    // Folders of many thousands of entries: rows of one height are laid out without measuring each.
    lstRemoteFile->setUniformItemSizes(true);
    lstRemoteFile->setEnabled(false);
    Label4 = addLabel(this, "Label4", QString(), {120, 3380, 975, 200});
    Label4->setAlignment(Qt::AlignCenter);
    Command11 = addButton(this, "Command11", u"Preview"_s, {120, 3630, 1005, 300});
    Command10 = addWrappingButton(this, "Command10", u"Selected No Tags"_s, {1200, 3480, 975, 450});
    Command9 = addWrappingButton(this, "Command9", u"Use Selected with Tags"_s, {2160, 3480, 1215, 450});
    cmdUpFolder = addTipButton(this, "cmdUpFolder", QString(), {3480, 3600, 420, 330}, u"Move Up One Folder"_s);
    cmdDelete = addTipButton(this, "cmdDelete", u"Delete File"_s, {3960, 3600, 1140, 330}, u"Delete"_s);
    // These three lie beyond the frame's right edge: clipped away, reachable only by tabbing.
    cmdSize = addTipButton(this, "cmdSize", u"S"_s, {7200, 1200, 420, 320}, u"Get File Size"_s);
    cmdRename = addTipButton(this, "cmdRename", u"R"_s, {7200, 1560, 420, 320}, u"Rename File"_s);
    cmdNewFolder = addTipButton(this, "cmdNewFolder", QString(), {7200, 2400, 420, 330}, u"New Folder"_s);
    for (QPushButton* button : {cmdUpFolder, cmdDelete, cmdSize, cmdRename, cmdNewFolder})
        button->setEnabled(false);
    setPicture(cmdUpFolder, u":/lumaport/up_folder.png"_s);
    setPicture(cmdDelete, u":/lumaport/delete.png"_s);
    setPicture(cmdNewFolder, u":/lumaport/new_folder.png"_s);
    cmdUpFolder->setAccessibleName(cmdUpFolder->toolTip());
    cmdNewFolder->setAccessibleName(cmdNewFolder->toolTip());
    // Three of the buttons lie outside their frame; the list's keys and menu let the user find them. Each entry is
    // off while its button is (Delete's button rests for a while after each use).
    new ButtonAction(cmdNewFolder, Qt::Key_F7, lstRemoteFile);
    new ButtonAction(cmdRename, Qt::Key_F2, lstRemoteFile);
    new ButtonAction(cmdDelete, Qt::Key_Delete, lstRemoteFile);
    new ButtonAction(cmdSize, QKeySequence(Qt::ALT | Qt::Key_Return), lstRemoteFile);
    lstRemoteFile->setContextMenuPolicy(Qt::ActionsContextMenu);

    Timer1 = new Timer(this, 1000, true, services.timerClock());
    Timer1->setObjectName(u"Timer1"_s);
    Timer2 = new Timer(this, 4000, false, services.timerClock());
    Timer2->setObjectName(u"Timer2"_s);
    connect(Timer1, &Timer::timer, this, [this] { Label4->setText(m_services.timeOfDay()); });
    connect(Timer2, &Timer::timer, this, [this] {
        cmdDelete->setEnabled(true);
        Timer2->setEnabled(false);
    });

    // A click or an arrow key both choose an entry; emptying the list chooses none.
    connect(lstRemoteFile, &QListWidget::itemSelectionChanged, this, [this] {
        if (!lstRemoteFile->selectedItems().isEmpty())
            Q_EMIT entryClicked();
    });
    // A click on the entry already chosen changes no selection, yet counts as a click.
    connect(lstRemoteFile, &QListWidget::itemClicked, this, &RemoteFilesPanel::entryClicked);
    connect(this, &RemoteFilesPanel::entryClicked, this, &RemoteFilesPanel::wakeDelete);
    connect(lstRemoteFile, &QListWidget::itemDoubleClicked, this, &RemoteFilesPanel::entryDoubleClicked);
    connect(Command11, &QPushButton::clicked, this, &RemoteFilesPanel::previewClicked);
    connect(Command10, &QPushButton::clicked, this, &RemoteFilesPanel::bareClicked);
    connect(Command9, &QPushButton::clicked, this, &RemoteFilesPanel::taggedClicked);
    connect(cmdUpFolder, &QPushButton::clicked, this, &RemoteFilesPanel::upFolderClicked);
    connect(cmdNewFolder, &QPushButton::clicked, this, &RemoteFilesPanel::newFolderClicked);
    connect(cmdRename, &QPushButton::clicked, this, &RemoteFilesPanel::renameClicked);
    connect(cmdDelete, &QPushButton::clicked, this, &RemoteFilesPanel::deleteClicked);
    connect(cmdSize, &QPushButton::clicked, this, &RemoteFilesPanel::sizeClicked);
}

QString RemoteFilesPanel::selectedEntry() const
{
    // Of several selected, the one clicked last.
    const QListWidgetItem* current = lstRemoteFile->currentItem();
    if (current && current->isSelected())
        return current->text();
    const QList<QListWidgetItem*> selected = lstRemoteFile->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QStringList RemoteFilesPanel::selectedEntries() const
{
    QStringList entries;
    for (int i = 0; i < lstRemoteFile->count(); ++i) {
        if (const QListWidgetItem* item = lstRemoteFile->item(i); item->isSelected())
            entries.append(item->text());
    }
    return entries;
}

qsizetype RemoteFilesPanel::times(const QString& entry) const
{
    return lstRemoteFile->findItems(entry, Qt::MatchExactly | Qt::MatchCaseSensitive).size();
}

void RemoteFilesPanel::clear()
{
    lstRemoteFile->clear();
}

void RemoteFilesPanel::addEntries(const QStringList& entries)
{
    lstRemoteFile->addItems(sortedEntries(entries));
}

QStringList sortedEntries(QStringList entries)
{
    // Folders, then files, each by name whatever its case; "." and ".." are names like any other, and sort first
    // among the folders of most servers.
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        const bool folderA = a.endsWith(u'/');
        if (folderA != b.endsWith(u'/'))
            return folderA;
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    return entries;
}

void RemoteFilesPanel::enableCommands(bool enabled)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{cmdNewFolder, cmdDelete, cmdRename, cmdSize, cmdUpFolder, lstRemoteFile})
        control->setEnabled(enabled);
}

void RemoteFilesPanel::enableLinkButtons(bool enabled, bool preview)
{
    Command9->setEnabled(enabled);
    Command10->setEnabled(enabled);
    if (preview)
        Command11->setEnabled(enabled);
}

void RemoteFilesPanel::restDelete()
{
    cmdDelete->setEnabled(false);
}

void RemoteFilesPanel::wakeDelete()
{
    Timer2->setEnabled(true);
}

} // namespace lumaport
