// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's sends through the publisher, pictures made ready for a forum as they go, and sends to buckets
// made public.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"

#include "picture_prep/picture_choices.h"
#include "picture_prep/prepared_picture.h"
#include "platform/options_file.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "session/link_checks.h"
#include "session/publisher.h"
#include "startup/forms.h"
#include "transfer/internet_transfer.h"
#include "transfer/storage_request.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
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

void frmftp::setUpPublisher()
{
    if (!m_requests)
        return;
    m_publisher = std::make_unique<Publisher>(*m_requests);
    m_publisher->recordIn(m_session);
    Services& services = m_forms.services();
    connect(m_publisher.get(), &Publisher::progress, this, &frmftp::showTransferProgress);
    connect(m_publisher.get(), &Publisher::pictureNote, this,
            [&services](const QString& note) { services.messageBox(note, QString(), MsgIcon::Information); });
    connect(m_publisher.get(), &Publisher::pictureDoubted, this,
            [this, &services](const QString& why, const QString& question) {
                m_publisher->answerPicture(services.messageBox(why + QStringLiteral("\r\n") + question,
                                                               QStringLiteral("Send"), MsgIcon::Exclamation,
                                                               MsgButtons::YesNoDefaultNo) == MsgAnswer::Yes);
            });
}

void frmftp::sendFiles(const QStringList& names, bool set, const QList<SentFile>& reused)
{
    SendOrder order;
    for (const QString& name : names)
        order.files.append({joinPath(fraLocalFiles->folder(), name), name});
    order.choices = fraLocalFiles->choices();
    order.connections = set ? connectionsOption(programOptionsPath(m_forms.services().programFolder())) : 1;
    order.askDoubts = !set;
    order.remoteFolder = txtfolder->text();
    order.link = tagFields();
    order.link.urlName = m_session.folderAddress();
    order.link.typedBase = txtpermurl->text();

    m_session.linkChecks().stop();
    if (set)
        m_session.forgetSent();
    // Unprepared, a lone picture is told in a box of its own; a set's box names it with the rest.
    const QMetaObject::Connection unprepared =
        connect(m_publisher.get(), &Publisher::notPrepared, this, [this, set](qsizetype, const QString& why) {
            if (!set)
                m_forms.services().messageBox(why + QStringLiteral("\r\nNothing was sent."), QStringLiteral("Error"),
                                              MsgIcon::Critical);
        });
    const QMetaObject::Connection sending =
        connect(m_publisher.get(), &Publisher::sending, this, [this, names, set](qsizetype index, int atOnce) {
            if (!set)
                return;
            const QString& name = names[index];
            m_setStatus = atOnce > 1
                              ? QStringLiteral("Sending %1 of %2 (%3 at once): %4")
                                    .arg(index + 1)
                                    .arg(names.size())
                                    .arg(atOnce)
                                    .arg(name)
                              : QStringLiteral("Sending %1 of %2: %3").arg(index + 1).arg(names.size()).arg(name);
            setStatus(m_setStatus);
        });
    connect(
        m_publisher.get(), &Publisher::sendsEnded, this,
        [this, names, set, reused, unprepared, sending](const SendOutcome& outcome) {
            disconnect(unprepared);
            disconnect(sending);
            m_publishing = false;
            m_sendingAtOnce = false;
            releaseLogOn();
            if (!set) {
                prgTransfer->hide();
                oneFileSent(outcome);
                return;
            }
            for (const SentFile& file : outcome.sent)
                m_session.fileSent(file);
            setSent(names, outcome.notSent, reused);
        },
        Qt::SingleShotConnection);

    showTransferStart();
    m_publishing = true;
    m_sendingAtOnce = order.connections > 1;
    holdLogOn();
    m_publisher->sendFiles(order);
}

QString frmftp::sentNameOf(const QString& name) const
{
    return sentNameFor(joinPath(fraLocalFiles->folder(), name), name, fraLocalFiles->choices());
}

void frmftp::oneFileSent(const SendOutcome& outcome)
{
    if (!outcome.sent.isEmpty()) {
        // The link names the file that was sent, whatever the name box was made to say meanwhile.
        const SentFile& file = outcome.sent.first();
        m_session.setText(SessionText::SaveName, file.remoteName);
        m_sendNote = ITC->ResponseInfo();
        m_session.forgetSent();
        m_session.fileSent(file);
        showSentLinks(LinkForm::Tagged);
        m_session.linkChecks().checkSent(file);
    }
    WaitAndRelist();
}

} // namespace lumaport
