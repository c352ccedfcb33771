// SPDX-License-Identifier: GPL-3.0-or-later
// The builders of the published file's web address, bare or in forum tags, which the link panel shows; the
// window's boxes bound to the session; and the ways out of the window.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/link_panel.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/remote_files_panel.h"
#include "ftp_window/session_binding.h"
#include "main_window/frm_load.h"
#include "platform/services.h"
#include "publish/link_address.h"
#include "startup/forms.h"
#include "transfer/ftp_server_address.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

void frmftp::bindSession()
{
    bindSessionTexts(m_session, {{txtpermurl, SessionText::PermanentUrl},
                                 {Text4, SessionText::Ending},
                                 {txtfolder, SessionText::Folder},
                                 {txtserverurl, SessionText::FolderUrl},
                                 {txtfile, SessionText::File},
                                 {Text78, SessionText::ProfilePath}});
    connect(&m_session, &PublishingSession::fileHandedOver, fraLocalFiles, &LocalFilePanel::showFile);
    connect(&m_session, &PublishingSession::fileSetHandedOver, fraLocalFiles,
            [this](const QString&, const QString&, const QStringList& names) { fraLocalFiles->showSet(names); });
    connect(&m_session, &PublishingSession::presentedAs, this, &frmftp::showHandOver);
    connect(&m_session, &PublishingSession::textChanged, this, [this](SessionText which) {
        if (which == SessionText::UrlName)
            showTitle();
    });
    connect(&m_session, &PublishingSession::historyFailed, this, &frmftp::PublishedRecorder_Failed);
    // The list shows the server as it is, not the files the history just deleted from it.
    connect(&m_session, &PublishingSession::filesDeleted, this, [this](const QString& server) {
        FtpServerAddress listed;
        FtpServerAddress deletedFrom;
        QString ignored;
        if (loggedOn() && parseFtpServerAddress(m_session.text(SessionText::Server), &listed, &ignored) &&
            parseFtpServerAddress(server, &deletedFrom, &ignored) && listed.name() == deletedFrom.name())
            WaitAndRelist();
    });
    // Files handed over before the window was made.
    const PublishingSession::LocalFile& handed = m_session.localFile();
    if (!handed.folder.isEmpty())
        fraLocalFiles->showFile(handed.drive, handed.folder, handed.name);
    fraLocalFiles->showSet(m_session.fileSet());
}

void frmftp::showHandOver(HandOver how)
{
    m_links->showHandOver(how);
    if (how == HandOver::Server) {
        fraLocalFiles->showName(false);
        cmdsend->hide();
        return;
    }
    Command6->setText(how == HandOver::Picture ? QStringLiteral("Select another Picture")
                                               : QStringLiteral("Select another File"));
}

void frmftp::connectPublishing()
{
    connect(m_links, &LinkPanel::requestUrlClicked, this, &frmftp::cmdURL_Click);
    connect(m_links, &LinkPanel::tagsClicked, this, &frmftp::Command3_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::taggedClicked, this, &frmftp::Command9_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::bareClicked, this, &frmftp::Command10_Click);
    connect(Command6, &QPushButton::clicked, this, &frmftp::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, &frmftp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmftp::Command2_Click);
}

void frmftp::cmdURL_Click()
{
    m_session.setText(SessionText::UrlName, m_session.folderAddress());
    if (buildSetBlock(LinkForm::Bare))
        return;
    const QString name = m_session.text(SessionText::SaveName);
    m_links->showLink(bareAddress(m_session.text(SessionText::UrlName), name, txtpermurl->text()));
    checkBuiltLink(name, true);
}

void frmftp::Command3_Click()
{
    m_session.setText(SessionText::UrlName, txtserverurl->text());
    // The settings file keeps the folder's address, written before the fall-back below.
    m_session.saveSettings();
    if (txtfolder->text().isEmpty())
        m_session.setText(SessionText::UrlName, txtpermurl->text());
    if (buildSetBlock(LinkForm::Tagged))
        return;
    const QString name = m_session.text(SessionText::SaveName);
    const bool withThumbnail =
        buildTaggedAddress(name, fraLocalFiles->thumbnailChosen() || listed(thumbnailName(name)));
    checkBuiltLink(name, true, withThumbnail);
}

void frmftp::Command9_Click()
{
    if (buildSelectedBlock(LinkForm::Tagged))
        return;
    const QString entry = takeSelectedEntry();
    checkBuiltLink(entry, false, buildTaggedAddress(entry, listed(thumbnailName(entry))));
}

void frmftp::Command10_Click()
{
    if (buildSelectedBlock(LinkForm::Bare))
        return;
    m_links->showLink(bareAddress(m_session.text(SessionText::UrlName), takeSelectedEntry(), txtpermurl->text()));
    checkBuiltLink(txtfile->text(), false);
}

QString frmftp::takeSelectedEntry()
{
    // The file is already on the server: nothing is left to send until another file is handed over.
    fraLocalFiles->nameFile(QString());
    m_session.dropFileSet();
    cmdsend->setEnabled(false);
    txtfile->setText(selectedEntry());
    return txtfile->text();
}

TagFields frmftp::tagFields() const
{
    TagFields fields = m_links->tagFields();
    fields.thumbnailChosen = fraLocalFiles->thumbnailChosen();
    return fields;
}

bool frmftp::buildTaggedAddress(const QString& fileName, bool hasThumbnail)
{
    TagFields fields = tagFields();
    fields.fileName = fileName;
    fields.hasThumbnail = hasThumbnail;
    m_links->showTagged(taggedAddress(fields));
    return usesThumbnailForm(fields);
}

void frmftp::setSystemStatus(const QString& status)
{
    lblStatus->setText(status);
    fraStatus->setTitle(QStringLiteral("System Status"));
}

void frmftp::Command6_Click()
{
    fraLocalFiles->showName(true);
    cmdsend->show();
    cmdsend->setEnabled(true);
    // This window stays open behind the main window, which hands the next file over.
    m_forms.frmload().Show();
}

void frmftp::Command1_Click()
{
    m_forms.frmload().Show();
    hide();
}

void frmftp::Command2_Click()
{
    // A failed save has said so in its box; the program ends all the same, as asked.
    m_session.saveSettings();
    m_forms.endProgram();
}

} // namespace lumaport
