// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's picture choices beside "Send": location and camera data removed, fitted within a forum's
// limits, a thumbnail sent beside the picture. What is sent is made from the local file, never changed.
#include "ftp_window/frm_ftp.h"

#include "picture_prep/picture_choices.h"
#include "picture_prep/prepared_picture.h"
#include "platform/options_file.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "startup/forms.h"
#include "transfer/ftp_command.h"
#include "transfer/storage_request.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <memory>

namespace lumaport {

namespace {

// Four digits: the boxes are narrow, and no forum limit needs more.
constexpr int kLargest = 9999;

} // namespace

void frmftp::buildPictureChoices()
{
    QWidget* frame = txtsaveftp->parentWidget();
    chkRemoveMetadata = addCheckBox(frame, "chkRemoveMetadata", QStringLiteral("No location"), {1830, 360, 1215, 285},
                                    QStringLiteral("Remove location and camera data"));
    chkFitLimit = addCheckBox(frame, "chkFitLimit", QStringLiteral("Fit"), {3090, 360, 600, 285},
                              QStringLiteral("Fit within a limit"));
    spnFitSide = addNumberBox(frame, "spnFitSide", {3690, 360, 1080, 285}, 0, kLargest, QStringLiteral("px"),
                              QStringLiteral("Longest side limit in pixels"));
    spnFitKilobytes = addNumberBox(frame, "spnFitKilobytes", {4815, 360, 1080, 285}, 0, kLargest, QStringLiteral("KB"),
                                   QStringLiteral("Size limit in KB"));
    chkThumbnail = addCheckBox(frame, "chkThumbnail", QStringLiteral("Thumb"), {5940, 360, 915, 285},
                               QStringLiteral("Send a thumbnail beside the picture"));
    spnThumbnailSide = addNumberBox(frame, "spnThumbnailSide", {6855, 360, 1080, 285}, 1, kLargest,
                                    QStringLiteral("px"), QStringLiteral("Thumbnail longest side in pixels"));

    const PictureChoices choices = readPictureChoices(programOptionsPath(m_forms.services().programFolder()));
    chkRemoveMetadata->setChecked(choices.removeMetadata);
    chkFitLimit->setChecked(choices.fit);
    spnFitSide->setValue(choices.maxSide);
    spnFitKilobytes->setValue(choices.maxKilobytes);
    chkThumbnail->setChecked(choices.thumbnail);
    spnThumbnailSide->setValue(choices.thumbnailSide);
    pictureChoices_Change();
    for (QCheckBox* box : {chkRemoveMetadata, chkFitLimit, chkThumbnail})
        connect(box, &QCheckBox::toggled, this, &frmftp::pictureChoices_Change);
    for (QSpinBox* box : {spnFitSide, spnFitKilobytes, spnThumbnailSide})
        connect(box, &QSpinBox::valueChanged, this, &frmftp::pictureChoices_Change);
}

void frmftp::buildPublicSendsChoice()
{
    mnuPublicSends = new QAction(QStringLiteral("Make sent files public"), cmdsend);
    mnuPublicSends->setObjectName(QStringLiteral("mnuPublicSends"));
    mnuPublicSends->setCheckable(true);
    mnuPublicSends->setToolTip(QStringLiteral("Files sent to an S3 bucket are readable by everyone (public-read)"));
    const QVariantMap options = readOptions(programOptionsPath(m_forms.services().programFolder()));
    mnuPublicSends->setChecked(options.value(kPublicSendsOption.toString(), false).toBool());
    cmdsend->addAction(mnuPublicSends);
    cmdsend->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(mnuPublicSends, &QAction::toggled, this, &frmftp::mnuPublicSends_Toggled);
}

void frmftp::mnuPublicSends_Toggled(bool on)
{
    QString error;
    if (!writeOptions(programOptionsPath(m_forms.services().programFolder()), {{kPublicSendsOption.toString(), on}},
                      &error))
        m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
}

PictureChoices frmftp::pictureChoices() const
{
    return {chkRemoveMetadata->isChecked(), chkFitLimit->isChecked(),  spnFitSide->value(),
            spnFitKilobytes->value(),       chkThumbnail->isChecked(), spnThumbnailSide->value()};
}

void frmftp::pictureChoices_Change()
{
    spnFitSide->setEnabled(chkFitLimit->isChecked());
    spnFitKilobytes->setEnabled(chkFitLimit->isChecked());
    spnThumbnailSide->setEnabled(chkThumbnail->isChecked());
    const QString path = programOptionsPath(m_forms.services().programFolder());
    if (readPictureChoices(path) == pictureChoices())
        return;
    QString error;
    if (!writePictureChoices(path, pictureChoices(), &error))
        setSystemStatus(error);
}

void frmftp::sendPicture(const QString& localPath, const QString& name, bool quiet,
                         std::function<void(const PictureSend&)> then)
{
    // Its files are the picture and thumbnail made for this send; they go once both PUTs are over.
    auto prepared = std::make_shared<PreparedPicture>();
    PictureSend send;
    if (!prepared->prepare(localPath, pictureChoices(), &send.unprepared)) {
        if (!quiet)
            m_forms.services().messageBox(send.unprepared + QStringLiteral("\r\nNothing was sent."),
                                          QStringLiteral("Error"), MsgIcon::Critical);
        then(send);
        return;
    }
    if (!prepared->note().isEmpty())
        m_forms.services().messageBox(prepared->note(), QString(), MsgIcon::Information);
    const auto recorded = [this, localPath, name, prepared, then](PictureSend send) {
        m_session.recordSent(prepared->picture(), sentFile(localPath, name, send.size, send.thumbnailSize));
        then(send);
    };
    runTransfer(QStringLiteral("PUT ") + quotedName(prepared->picture()) + QLatin1Char(' ') + quotedName(name),
                [this, name, prepared, then, recorded](bool sent) {
                    if (!sent) {
                        then({});
                        return;
                    }
                    const PictureSend picture{true, QFileInfo(prepared->picture()).size(), -1, {}};
                    if (prepared->thumbnail().isEmpty()) {
                        recorded(picture);
                        return;
                    }
                    runTransfer(QStringLiteral("PUT ") + quotedName(prepared->thumbnail()) + QLatin1Char(' ') +
                                    quotedName(thumbnailName(name)),
                                [prepared, picture, recorded](bool thumbnailSent) {
                                    PictureSend both = picture;
                                    if (thumbnailSent)
                                        both.thumbnailSize = QFileInfo(prepared->thumbnail()).size();
                                    recorded(both);
                                });
                });
}

} // namespace lumaport
