// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QLabel;
class QListWidget;
class QPushButton;

namespace lumaport {

class Services;
class Timer;

/// A listing's entries as the list shows them: folders, then files, each by name with case ignored.
QStringList sortedEntries(QStringList entries);

/// "Remote Files", the FTP window's panel of the server's folder: its entries, the clock, and the commands on an
/// entry, which the window carries out.
class RemoteFilesPanel : public QGroupBox
{
    Q_OBJECT
public:
    RemoteFilesPanel(QWidget* window, Services& services);

    /// The selected entry (of several, the one clicked last); empty when none is selected.
    QString selectedEntry() const;
    /// The selected entries, in the list's order.
    QStringList selectedEntries() const;
    /// How many times the list holds the entry, whole and exact.
    qsizetype times(const QString& entry) const;
    void clear();
    void addEntries(const QStringList& entries);
    /// The list and the commands that work only while logged on.
    void enableCommands(bool enabled);
    /// The link and preview buttons; a log-on that failed leaves the preview button as it is.
    void enableLinkButtons(bool enabled, bool preview = true);
    /// Delete is off after each use until a while after the next click in the list, or until wakeDelete.
    void restDelete();
    void wakeDelete();

Q_SIGNALS:
    void entryClicked();
    void entryDoubleClicked();
    void previewClicked();
    void bareClicked();
    void taggedClicked();
    void upFolderClicked();
    void newFolderClicked();
    void renameClicked();
    void deleteClicked();
    void sizeClicked();

private:
    Services& m_services;
    QListWidget* lstRemoteFile;
    QLabel* Label4;
    QPushButton* Command11;
    QPushButton* Command10;
    QPushButton* Command9;
    QPushButton* cmdUpFolder;
    QPushButton* cmdDelete;
    QPushButton* cmdSize;
    QPushButton* cmdRename;
    QPushButton* cmdNewFolder;
    Timer* Timer1;
    Timer* Timer2;
};

} // namespace lumaport
