// SPDX-License-Identifier: GPL-3.0-or-later
// The link check's line can be turned off from its context menu; that choice, like the link form, lives in the
// program's options file beside the directory settings.
#include "ftp_window/link_panel.h"

#include "ftp_window/session_binding.h"
#include "platform/options_file.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "publish/link_forms.h"
#include "publish/link_verdict.h"
#include "widgets/address_box.h"
#include "widgets/form.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

using namespace Qt::StringLiterals;

namespace {

const QString kLinkFormKey = u"Links/Form"_s;

} // namespace

LinkPanel::LinkPanel(QWidget* window, Services& services, PublishingSession& session)
    : QObject(window), m_window(window), m_services(services), m_session(session)
{
    cmdURL = addButton(window, "cmdURL", u"Request URL"_s, {360, 5280, 1215, 375});
    txturl1 = addNamedTextBox(window, "txturl1", {1680, 5280, 855, 285}, u"Opening tag"_s);
    txturl1->setFocusPolicy(Qt::ClickFocus);
    Command3 = addButton(window, "Command3", u"URL with Tags"_s, {2640, 5280, 1335, 375});
    txturl2 = addNamedTextBox(window, "txturl2", {4080, 5280, 855, 255}, u"Closing tag"_s);
    txturl2->setFocusPolicy(Qt::ClickFocus);
    Command4 = addButton(window, "Command4", u"Save Tags"_s, {5040, 5280, 975, 375});
    Label2 = addFittedLabel(window, "Label2", u"UBB Tags"_s, {6120, 5160, 975, 255});
    Text1 = addTextBox(window, "Text1", {6120, 5400, 975, 285});
    Text1->setToolTip(u"Enter your tag here"_s);
    setBuddy(Label2, Text1);
    Label3 = addFittedLabel(window, "Label3", u"URL Text"_s, {7200, 5160, 2415, 255});
    Text2 = addTextBox(window, "Text2", {7200, 5400, 2415, 285});
    setBuddy(Label3, Text2);
    txtURL = addControl<AddressBox>(window, "txtURL", {240, 5880, 9375, 435});
    txtURL->setAccessibleName(u"Address"_s);
    m_addressBoxHeight = txtURL->height();
    Command5 = addButton(window, "Command5", u"Copy"_s, {240, 6600, 855, 375});
    buildLinkCheck();

    bindSessionTexts(session, {{Text1, SessionText::Keyword},
                               {Text2, SessionText::LinkText},
                               {txturl1, SessionText::OpeningTag},
                               {txturl2, SessionText::ClosingTag}});
    connect(txtURL, &QPlainTextEdit::textChanged, this, &LinkPanel::fitAddressBox);
    connect(Text1, &QLineEdit::textChanged, this, &LinkPanel::Text1_Change);
    connect(cmdURL, &QPushButton::clicked, this, &LinkPanel::requestUrlClicked);
    connect(Command3, &QPushButton::clicked, this, &LinkPanel::tagsClicked);
    connect(Command4, &QPushButton::clicked, this, &LinkPanel::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &LinkPanel::Command5_Click);
}

void LinkPanel::buildLinkCheck()
{
    // Under the address, where the progress bar shows during a transfer, and left of the status frame, whose caption
    // it would run under; the whole line is in its tooltip.
    lblLinkCheck = addLabel(m_window, "lblLinkCheck", QString(), {240, 6330, 2940, 255});
    lblLinkCheck->setAccessibleName(u"Link check"_s);
    mnuLinkCheck = new QAction(u"Check links from the web side"_s, lblLinkCheck);
    mnuLinkCheck->setObjectName(u"mnuLinkCheck"_s);
    mnuLinkCheck->setCheckable(true);
    LinkChecks& checks = m_session.linkChecks();
    mnuLinkCheck->setChecked(checks.enabled());
    lblLinkCheck->addAction(mnuLinkCheck);
    lblLinkCheck->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(mnuLinkCheck, &QAction::toggled, this, &LinkPanel::mnuLinkCheck_Toggled);
    connect(&checks, &LinkChecks::shown, this, &LinkPanel::showLinkCheck);
}

void LinkPanel::buildLinkForms()
{
    // The window is full: on the remote pane's frame line, right of its title.
    cboLinkForm = addControl<QComboBox>(m_window, "cboLinkForm", {5820, 30, 1140, 330});
    cboLinkForm->setAccessibleName(u"Link form"_s);
    cboLinkForm->setToolTip(u"What \"URL with Tags\" builds: forum tags, Markdown or HTML"_s);
    cboLinkForm->addItem(u"Tags"_s, linkStyleKey(LinkStyle::Tags));
    cboLinkForm->addItem(u"Markdown"_s, linkStyleKey(LinkStyle::Markdown));
    cboLinkForm->addItem(u"HTML"_s, linkStyleKey(LinkStyle::Html));
    txtAltText = addNamedTextBox(m_window, "txtAltText", {7020, 30, 2595, 330}, u"Alt text"_s);
    txtAltText->setPlaceholderText(u"Alt text"_s);
    txtAltText->setToolTip(u"The text a Markdown or HTML picture stands in for; empty: the file's name"_s);
    const QVariantMap options = readOptions(programOptionsPath(m_services.programFolder()));
    const int chosen = cboLinkForm->findData(options.value(kLinkFormKey).toString());
    cboLinkForm->setCurrentIndex(std::max(chosen, 0));
    txtAltText->setEnabled(cboLinkForm->currentIndex() > 0);
    connect(cboLinkForm, &QComboBox::currentIndexChanged, this, &LinkPanel::cboLinkForm_Change);
}

void LinkPanel::Form_Load()
{
    if (Text1->text() == QLatin1String("url"))
        Text2->setVisible(true);
}

void LinkPanel::showHandOver(HandOver how)
{
    if (how == HandOver::Server) {
        Label3->hide();
        Text2->hide();
        return;
    }
    const bool tagless = how == HandOver::TaglessFile;
    Text1->setVisible(!tagless);
    Label2->setVisible(!tagless);
    if (how == HandOver::Picture) {
        Text2->hide();
        Label3->hide();
    } else if (!tagless && Text1->text() == QLatin1String("url")) {
        Text2->show();
        Label3->show();
    }
}

void LinkPanel::Text1_Change()
{
    // No other keyword hides them again.
    if (Text1->text() == QLatin1String("url")) {
        Text2->show();
        Label3->show();
    }
}

TagFields LinkPanel::tagFields() const
{
    TagFields fields{m_session.text(SessionText::UrlName),
                     m_session.text(SessionText::PermanentUrl),
                     {},
                     Text1->text(),
                     Text2->text(),
                     txturl1->text(),
                     txturl2->text()};
    fields.style = linkStyleFromKey(cboLinkForm->currentData().toString()).value_or(LinkStyle::Tags);
    fields.altText = txtAltText->text();
    return fields;
}

void LinkPanel::showLink(const QString& text)
{
    txtURL->setText(text);
}

void LinkPanel::showTagged(const TaggedAddress& built)
{
    m_session.setText(SessionText::OpeningTag, built.openingTag);
    txtURL->setText(built.text);
}

void LinkPanel::Command4_Click()
{
    if (m_session.saveSettings())
        Q_EMIT said(u"Saved"_s);
}

void LinkPanel::Command5_Click()
{
    m_services.setClipboardText(txtURL->text());
    Q_EMIT said(u"Copied"_s);
}

void LinkPanel::cboLinkForm_Change()
{
    txtAltText->setEnabled(cboLinkForm->currentIndex() > 0);
    QString error;
    if (!writeOptions(programOptionsPath(m_services.programFolder()), {{kLinkFormKey, cboLinkForm->currentData()}},
                      &error))
        Q_EMIT said(error);
}

void LinkPanel::mnuLinkCheck_Toggled(bool on)
{
    QString error;
    if (!m_session.linkChecks().setEnabled(on, &error))
        m_services.messageBox(error, QString(), MsgIcon::Exclamation);
}

void LinkPanel::showLinkCheck(const QString& text, CheckLine how, const QString& details)
{
    lblLinkCheck->setText(lblLinkCheck->fontMetrics().elidedText(text, Qt::ElideRight, lblLinkCheck->width()));
    lblLinkCheck->setToolTip(details.isEmpty() ? text : details);
    lblLinkCheck->setAccessibleDescription(details.isEmpty() ? text : details);
    QPalette palette = lblLinkCheck->palette();
    palette.setColor(QPalette::WindowText,
                     how == CheckLine::Plain
                         ? m_window->palette().color(QPalette::WindowText)
                         : verdictColour(how == CheckLine::Works ? LinkVerdict::Works : LinkVerdict::Broken));
    lblLinkCheck->setPalette(palette);
}

void LinkPanel::fitAddressBox()
{
    constexpr int kMostLines = 12;
    const int wanted = std::max(m_addressBoxHeight, txtURL->heightForText(kMostLines));
    const int grown = wanted - txtURL->height();
    if (grown == 0)
        return;
    const int below = txtURL->geometry().bottom();
    for (QWidget* control : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->y() > below)
            control->move(control->x(), control->y() + grown);
    }
    txtURL->resize(txtURL->width(), wanted);
    m_window->setFixedSize(m_window->width(), m_window->height() + grown);
}

} // namespace lumaport
