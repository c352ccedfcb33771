// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's pictures made ready as they are sent, and sends to buckets made public.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"

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

void frmftp::sendPicture(const QString& localPath, const QString& name, bool quiet,
                         std::function<void(const PictureSend&)> then)
{
    // Its files are the picture and thumbnail made for this send; they go once both PUTs are over.
    auto prepared = std::make_shared<PreparedPicture>();
    PictureSend send;
    if (!prepared->prepare(localPath, fraLocalFiles->choices(), &send.unprepared)) {
        Services& services = m_forms.services();
        if (quiet) {
            then(send);
            return;
        }
        if (!prepared->unreadable()) {
            services.messageBox(send.unprepared + QStringLiteral("\r\nNothing was sent."), QStringLiteral("Error"),
                                MsgIcon::Critical);
            then(send);
            return;
        }
        // Decoding it would send grey where the picture is missing; as it is, it goes only on the user's word.
        const QString question = prepared->picture() != localPath
                                     ? QStringLiteral("Send it as it is, without its location data?")
                                     : QStringLiteral("Send it unchanged?");
        if (services.messageBox(send.unprepared + QStringLiteral("\r\n") + question, QStringLiteral("Send"),
                                MsgIcon::Exclamation, MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes) {
            then(send);
            return;
        }
        send.unprepared.clear();
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
