// SPDX-License-Identifier: GPL-3.0-or-later
// What is sent is made from the local file, never changed: location and camera data removed, fitted within a
// forum's limits, a thumbnail sent beside the picture, as the choices here say.
#include "ftp_window/local_file_panel.h"

#include "ftp_window/session_binding.h"
#include "picture_prep/picture_choices.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_block.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/form.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

// Four digits: the boxes are narrow, and no forum limit needs more.
constexpr int kLargest = 9999;

} // namespace

LocalFilePanel::LocalFilePanel(QWidget* window, Services& services, PublishingSession& session)
    : QGroupBox(window), m_services(services)
{
    setObjectName(u"fraLocalFiles"_s);
    setTitle(u"Local File"_s);
    place(this, {240, 4320, 8040, 735});
    // Narrow enough for the picture choices beside "Send".
    txtsaveftp = addNamedTextBox(this, "txtsaveftp", {120, 360, 1605, 285}, u"Local File"_s);
    bindSessionTexts(session, {{txtsaveftp, SessionText::SaveName}});
    drvLocalDrive = addControl<DriveList>(this, "drvLocalDrive", {360, 4800, 1800, 315});
    drvLocalDrive->setToolTip(u"Local Drive List"_s);
    dirLocalDir = addControl<FolderList>(this, "dirLocalDir", {360, 5160, 1815, 540});
    dirLocalDir->setToolTip(u"Local Directory"_s);
    filLocalFile = addControl<FileList>(this, "filLocalFile", {2160, 4800, 2895, 870});
    filLocalFile->setToolTip(u"Local Files"_s);
    buildPictureChoices();
    connect(drvLocalDrive, &DriveList::changed, this, &LocalFilePanel::drvLocalDrive_Change);
    connect(dirLocalDir, &FolderList::changed, this, &LocalFilePanel::dirLocalDir_Change);
}

void LocalFilePanel::buildPictureChoices()
{
    chkRemoveMetadata = addCheckBox(this, "chkRemoveMetadata", u"No location"_s, {1830, 360, 1215, 285},
                                    u"Remove location and camera data"_s);
    chkFitLimit = addCheckBox(this, "chkFitLimit", u"Fit"_s, {3090, 360, 600, 285}, u"Fit within a limit"_s);
    // The box has no room beside it: the kind to fit into is a choice of its context menu.
    mnuSendAsWebp = new QAction(u"Send JPEG and PNG as WebP"_s, chkFitLimit);
    mnuSendAsWebp->setObjectName(u"mnuSendAsWebp"_s);
    mnuSendAsWebp->setCheckable(true);
    chkFitLimit->addAction(mnuSendAsWebp);
    chkFitLimit->setContextMenuPolicy(Qt::ActionsContextMenu);
    spnFitSide = addNumberBox(this, "spnFitSide", {3690, 360, 1080, 285}, 0, kLargest, u"px"_s,
                              u"Longest side limit in pixels"_s);
    spnFitKilobytes =
        addNumberBox(this, "spnFitKilobytes", {4815, 360, 1080, 285}, 0, kLargest, u"KB"_s, u"Size limit in KB"_s);
    chkThumbnail =
        addCheckBox(this, "chkThumbnail", u"Thumb"_s, {5940, 360, 915, 285}, u"Send a thumbnail beside the picture"_s);
    spnThumbnailSide = addNumberBox(this, "spnThumbnailSide", {6855, 360, 1080, 285}, 1, kLargest, u"px"_s,
                                    u"Thumbnail longest side in pixels"_s);

    const PictureChoices choices = readPictureChoices(programOptionsPath(m_services.programFolder()));
    chkRemoveMetadata->setChecked(choices.removeMetadata);
    chkFitLimit->setChecked(choices.fit);
    spnFitSide->setValue(choices.maxSide);
    spnFitKilobytes->setValue(choices.maxKilobytes);
    chkThumbnail->setChecked(choices.thumbnail);
    spnThumbnailSide->setValue(choices.thumbnailSide);
    mnuSendAsWebp->setChecked(choices.sendAsWebp);
    pictureChoices_Change();
    connect(mnuSendAsWebp, &QAction::toggled, this, &LocalFilePanel::pictureChoices_Change);
    for (QCheckBox* box : {chkRemoveMetadata, chkFitLimit, chkThumbnail})
        connect(box, &QCheckBox::toggled, this, &LocalFilePanel::pictureChoices_Change);
    for (QSpinBox* box : {spnFitSide, spnFitKilobytes, spnThumbnailSide})
        connect(box, &QSpinBox::valueChanged, this, &LocalFilePanel::pictureChoices_Change);
}

void LocalFilePanel::showFile(const QString& drive, const QString& folder, const QString& name)
{
    txtsaveftp->setToolTip(QString());
    drvLocalDrive->setDrive(drive);
    const QString listed = filLocalFile->path();
    dirLocalDir->setPath(folder);
    if (!filLocalFile->setFileName(name) && filLocalFile->path() == listed && filLocalFile->refresh())
        filLocalFile->setFileName(name);
}

void LocalFilePanel::showSet(const QStringList& names)
{
    if (names.size() < 2)
        return;
    // As much of the list as the box shows.
    const int room = txtsaveftp->contentsRect().width() - 2 * txtsaveftp->fontMetrics().averageCharWidth();
    QString shown;
    for (qsizetype length = names.join(u", "_s).size() + 20; length > 10; length -= 2) {
        shown = fileSetText(names, length);
        if (txtsaveftp->fontMetrics().horizontalAdvance(shown) <= room)
            break;
    }
    txtsaveftp->setText(shown);
    txtsaveftp->setToolTip(names.join(u'\n'));
}

void LocalFilePanel::nameFile(const QString& name)
{
    txtsaveftp->setText(name);
    txtsaveftp->setToolTip(QString());
}

void LocalFilePanel::showName(bool shown)
{
    txtsaveftp->setVisible(shown);
}

QString LocalFilePanel::folder() const
{
    return filLocalFile->path();
}

QString LocalFilePanel::chosenName() const
{
    return filLocalFile->fileName();
}

bool LocalFilePanel::lists(const QString& name) const
{
    for (int i = 0; i < filLocalFile->listCount(); ++i) {
        if (filLocalFile->list(i) == name)
            return true;
    }
    return false;
}

void LocalFilePanel::relist()
{
    const QString chosen = filLocalFile->fileName();
    filLocalFile->refresh();
    if (!chosen.isEmpty())
        filLocalFile->setFileName(chosen);
}

PictureChoices LocalFilePanel::choices() const
{
    return {chkRemoveMetadata->isChecked(), chkFitLimit->isChecked(),  spnFitSide->value(),
            spnFitKilobytes->value(),       chkThumbnail->isChecked(), spnThumbnailSide->value(),
            mnuSendAsWebp->isChecked()};
}

bool LocalFilePanel::thumbnailChosen() const
{
    return chkThumbnail->isChecked();
}

void LocalFilePanel::drvLocalDrive_Change()
{
    if (!dirLocalDir->setDrive(drvLocalDrive->drive()))
        m_services.messageBox(u"Error accessing selected drive."_s, u"Error"_s, MsgIcon::Critical);
}

void LocalFilePanel::dirLocalDir_Change()
{
    filLocalFile->setPath(dirLocalDir->path());
}

void LocalFilePanel::pictureChoices_Change()
{
    spnFitSide->setEnabled(chkFitLimit->isChecked());
    spnFitKilobytes->setEnabled(chkFitLimit->isChecked());
    mnuSendAsWebp->setEnabled(chkFitLimit->isChecked());
    spnThumbnailSide->setEnabled(chkThumbnail->isChecked());
    const QString path = programOptionsPath(m_services.programFolder());
    if (readPictureChoices(path) == choices())
        return;
    QString error;
    if (!writePictureChoices(path, choices(), &error))
        Q_EMIT choicesNotKept(error);
}

} // namespace lumaport
