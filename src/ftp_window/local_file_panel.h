// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>

class QAction;
class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace lumaport {

class DriveList;
class FileList;
class FolderList;
class PublishingSession;
class Services;
struct PictureChoices;

/// "Local File", the FTP window's panel of what is sent: the name it is sent under (the session's), the local
/// drive, folder and file lists that hold it, and the picture choices beside the name, kept in the program's options
/// file.
class LocalFilePanel : public QGroupBox
{
    Q_OBJECT
public:
    LocalFilePanel(QWidget* window, Services& services, PublishingSession& session);

    /// Points the lists at a file: its drive, then its folder, then its name. A list keeps its place when the step
    /// before it failed; a drive that can't be read is reported in a box. The folder is read again when it was
    /// listed already and the name is not in it, so a file made since can be chosen.
    void showFile(const QString& drive, const QString& folder, const QString& name);
    /// Several files make a set: as much of their names as the box shows, all of them in its tooltip.
    void showSet(const QStringList& names);
    /// One name to send under, or none.
    void nameFile(const QString& name);
    void showName(bool shown);

    /// The folder the file list shows, and the file chosen there.
    QString folder() const;
    QString chosenName() const;
    /// Whether the folder holds a file of that name, as listed.
    bool lists(const QString& name) const;
    /// Reads the folder again, keeping the file chosen.
    void relist();

    PictureChoices choices() const;
    bool thumbnailChosen() const;

Q_SIGNALS:
    /// The picture choices could not be kept; why.
    void choicesNotKept(const QString& error);

private:
    void buildPictureChoices();
    void drvLocalDrive_Change();
    void dirLocalDir_Change();
    void pictureChoices_Change();

    Services& m_services;
    QLineEdit* txtsaveftp;
    DriveList* drvLocalDrive;
    FolderList* dirLocalDir;
    FileList* filLocalFile;
    QCheckBox* chkRemoveMetadata;
    QCheckBox* chkFitLimit;
    QSpinBox* spnFitSide;
    QSpinBox* spnFitKilobytes;
    QAction* mnuSendAsWebp;
    QCheckBox* chkThumbnail;
    QSpinBox* spnThumbnailSide;
};

} // namespace lumaport
