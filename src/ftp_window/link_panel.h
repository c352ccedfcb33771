// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "publish/link_address.h"
#include "session/link_checks.h"
#include "session/publishing_session.h"

#include <QObject>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumaport {

class AddressBox;
class Services;

/// The FTP window's link builder: "Request URL" and "URL with Tags" (which the window handles), the tags and the
/// link text (the session's), the address built and "Copy", the line of the link check under it, and the form the
/// tagged address takes. It has no frame: its controls sit on the window, whose bottom edge moves down as the
/// address box grows.
class LinkPanel : public QObject
{
    Q_OBJECT
public:
    LinkPanel(QWidget* window, Services& services, PublishingSession& session);

    /// The link form and its alt text, on the top frame's line: built after the window's other controls, they come
    /// last in the tab order.
    void buildLinkForms();
    /// As the window is shown: the link text box for the url keyword.
    void Form_Load();
    /// Which of the tag and the link text boxes the way the window was reached offers.
    void showHandOver(HandOver how);

    /// The fields a tagged address is built from, but the file and the thumbnail.
    TagFields tagFields() const;
    /// One address or a block of them; a block shows whole.
    void showLink(const QString& text);
    /// A tagged address and the opening tag it settled on.
    void showTagged(const TaggedAddress& built);

Q_SIGNALS:
    void requestUrlClicked();
    void tagsClicked();
    /// A line for the window's status line.
    void said(const QString& text);

private:
    void buildLinkCheck();
    void Text1_Change();
    void Command4_Click();
    void Command5_Click();
    void cboLinkForm_Change();
    void mnuLinkCheck_Toggled(bool on);
    // The label shows what fits of the text; the tooltip and screen readers get the details, or else the text.
    void showLinkCheck(const QString& text, CheckLine how, const QString& details);
    // A block of links shows whole: the address box grows with it, and what lies below moves down with the
    // window's bottom edge; one address gives the box its first size back.
    void fitAddressBox();

    QWidget* m_window;
    Services& m_services;
    PublishingSession& m_session;
    int m_addressBoxHeight = 0;
    QPushButton* cmdURL;
    QLineEdit* txturl1;
    QPushButton* Command3;
    QLineEdit* txturl2;
    QPushButton* Command4;
    QLabel* Label2;
    QLineEdit* Text1;
    QLabel* Label3;
    QLineEdit* Text2;
    AddressBox* txtURL;
    QPushButton* Command5;
    QLabel* lblLinkCheck;
    QAction* mnuLinkCheck;
    QComboBox* cboLinkForm;
    QLineEdit* txtAltText;
};

} // namespace lumaport
