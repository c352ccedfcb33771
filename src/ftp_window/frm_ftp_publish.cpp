// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window's lower panel: the published file's web address, bare or in forum tags, and the clipboard;
// the window's boxes bound to the session; and the ways out of the window.
#include "ftp_window/frm_ftp.h"
#include "ftp_window/local_file_panel.h"
#include "ftp_window/remote_files_panel.h"
#include "ftp_window/session_binding.h"
#include "main_window/frm_load.h"
#include "platform/options_file.h"
#include "platform/paths.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_address.h"
#include "startup/forms.h"
#include "widgets/address_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

namespace {

const QString kLinkFormKey = QStringLiteral("Links/Form");

} // namespace

void frmftp::bindSession()
{
    const std::pair<QLineEdit*, SessionText> boxes[] = {{txtpermurl, SessionText::PermanentUrl},
                                                        {Text4, SessionText::Ending},
                                                        {Text1, SessionText::Keyword},
                                                        {Text2, SessionText::LinkText},
                                                        {txturl1, SessionText::OpeningTag},
                                                        {txturl2, SessionText::ClosingTag},
                                                        {txtfolder, SessionText::Folder},
                                                        {txtserverurl, SessionText::FolderUrl},
                                                        {txtfile, SessionText::File},
                                                        {Text78, SessionText::ProfilePath}};
    for (const auto& [box, which] : boxes)
        bindSessionText(box, m_session, which);
    connect(&m_session, &PublishingSession::fileHandedOver, fraLocalFiles, &LocalFilePanel::showFile);
    connect(&m_session, &PublishingSession::fileSetHandedOver, fraLocalFiles,
            [this](const QString&, const QString&, const QStringList& names) { fraLocalFiles->showSet(names); });
    connect(&m_session, &PublishingSession::presentedAs, this, &frmftp::showHandOver);
    connect(&m_session, &PublishingSession::settingsRead, this, &frmftp::showAddressTitle);
    connect(&m_session, &PublishingSession::historyFailed, this, &frmftp::PublishedRecorder_Failed);
    // Files handed over before the window was made.
    const PublishingSession::LocalFile& handed = m_session.localFile();
    if (!handed.folder.isEmpty())
        fraLocalFiles->showFile(handed.drive, handed.folder, handed.name);
    fraLocalFiles->showSet(m_session.fileSet());
}

void frmftp::showHandOver(HandOver how)
{
    if (how == HandOver::Server) {
        fraLocalFiles->showName(false);
        for (QWidget* control : std::initializer_list<QWidget*>{cmdsend, Label3, Text2})
            control->hide();
        return;
    }
    const bool tagless = how == HandOver::TaglessFile;
    Text1->setVisible(!tagless);
    Label2->setVisible(!tagless);
    if (how == HandOver::Picture) {
        Text2->hide();
        Label3->hide();
        Command6->setText(QStringLiteral("Select another Picture"));
        return;
    }
    if (!tagless && Text1->text() == QLatin1String("url")) {
        Text2->show();
        Label3->show();
    }
    Command6->setText(QStringLiteral("Select another File"));
}

void frmftp::connectPublishing()
{
    connect(Text1, &QLineEdit::textChanged, this, &frmftp::Text1_Change);
    connect(cmdURL, &QPushButton::clicked, this, &frmftp::cmdURL_Click);
    connect(Command3, &QPushButton::clicked, this, &frmftp::Command3_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::taggedClicked, this, &frmftp::Command9_Click);
    connect(fraRemoteFiles, &RemoteFilesPanel::bareClicked, this, &frmftp::Command10_Click);
    connect(Command5, &QPushButton::clicked, this, &frmftp::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &frmftp::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &frmftp::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, &frmftp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmftp::Command2_Click);
}

void frmftp::Text1_Change()
{
    // No other keyword hides them again.
    if (Text1->text() == QLatin1String("url")) {
        Text2->show();
        Label3->show();
    }
}

void frmftp::cmdURL_Click()
{
    m_session.setText(SessionText::UrlName, txtserverurl->text());
    if (txtfolder->text().isEmpty())
        m_session.setText(SessionText::UrlName, txtpermurl->text());
    if (buildSetBlock(LinkForm::Bare))
        return;
    const QString name = m_session.text(SessionText::SaveName);
    txtURL->setText(bareAddress(m_session.text(SessionText::UrlName), name, txtpermurl->text()));
    checkBuiltLink(name, true);
}

void frmftp::Command3_Click()
{
    m_session.setText(SessionText::UrlName, txtserverurl->text());
    // The settings file keeps the folder's address, written before the fall-back below.
    m_session.saveSettings();
    if (txtfolder->text().isEmpty())
        m_session.setText(SessionText::UrlName, txtpermurl->text());
    if (buildSetBlock(LinkForm::Tagged)) {
        showAddressTitle();
        return;
    }
    const QString name = m_session.text(SessionText::SaveName);
    const bool withThumbnail =
        buildTaggedAddress(name, fraLocalFiles->thumbnailChosen() || listed(thumbnailName(name)));
    showAddressTitle();
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
    txtURL->setText(bareAddress(m_session.text(SessionText::UrlName), takeSelectedEntry(), txtpermurl->text()));
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
    TagFields fields{m_session.text(SessionText::UrlName),
                     txtpermurl->text(),
                     {},
                     Text1->text(),
                     Text2->text(),
                     txturl1->text(),
                     txturl2->text()};
    fields.thumbnailChosen = fraLocalFiles->thumbnailChosen();
    fields.style = linkStyleFromKey(cboLinkForm->currentData().toString()).value_or(LinkStyle::Tags);
    fields.altText = txtAltText->text();
    return fields;
}

bool frmftp::buildTaggedAddress(const QString& fileName, bool hasThumbnail)
{
    TagFields fields = tagFields();
    fields.fileName = fileName;
    fields.hasThumbnail = hasThumbnail;
    const TaggedAddress built = taggedAddress(fields);
    txturl1->setText(built.openingTag);
    txtURL->setText(built.text);
    return usesThumbnailForm(fields);
}

void frmftp::Command5_Click()
{
    m_forms.services().setClipboardText(txtURL->text());
    setSystemStatus(QStringLiteral("Copied"));
}

void frmftp::Command4_Click()
{
    if (m_session.saveSettings())
        setSystemStatus(QStringLiteral("Saved"));
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

void frmftp::buildLinkForms()
{
    // The window is full: on the remote pane's frame line, beside "Published...".
    cboLinkForm = addControl<QComboBox>(this, "cboLinkForm", {5820, 30, 1140, 330});
    cboLinkForm->setAccessibleName(QStringLiteral("Link form"));
    cboLinkForm->setToolTip(QStringLiteral("What \"URL with Tags\" builds: forum tags, Markdown or HTML"));
    cboLinkForm->addItem(QStringLiteral("Tags"), linkStyleKey(LinkStyle::Tags));
    cboLinkForm->addItem(QStringLiteral("Markdown"), linkStyleKey(LinkStyle::Markdown));
    cboLinkForm->addItem(QStringLiteral("HTML"), linkStyleKey(LinkStyle::Html));
    txtAltText = addNamedTextBox(this, "txtAltText", {7020, 30, 1320, 330}, QStringLiteral("Alt text"));
    txtAltText->setPlaceholderText(QStringLiteral("Alt text"));
    txtAltText->setToolTip(QStringLiteral("The text a Markdown or HTML picture stands in for; empty: the file's name"));
    const QVariantMap options = readOptions(programOptionsPath(m_forms.services().programFolder()));
    const int chosen = cboLinkForm->findData(options.value(kLinkFormKey).toString());
    cboLinkForm->setCurrentIndex(std::max(chosen, 0));
    txtAltText->setEnabled(cboLinkForm->currentIndex() > 0);
    connect(cboLinkForm, &QComboBox::currentIndexChanged, this, &frmftp::cboLinkForm_Change);
}

void frmftp::cboLinkForm_Change()
{
    txtAltText->setEnabled(cboLinkForm->currentIndex() > 0);
    QString error;
    if (!writeOptions(programOptionsPath(m_forms.services().programFolder()),
                      {{kLinkFormKey, cboLinkForm->currentData()}}, &error))
        setSystemStatus(error);
}

} // namespace lumaport
