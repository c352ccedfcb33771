// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/frm_about.h"

#include "platform/services.h"
#include "startup/forms.h"

#include <QLabel>
#include <QPushButton>

namespace lumaport {

namespace {

const QString kDonateAddress = QStringLiteral("http://maker.example/Lumaport.htm");
const QString kWebsiteAddress = QStringLiteral("http://lumaport.example");

QLabel* addCreditLine(QWidget* parent, const char* name, const QString& text, const Twips& twips)
{
    QLabel* label = addLabel(parent, name, text, twips);
    label->setAlignment(Qt::AlignCenter);
    fitCaption(label);
    return label;
}

} // namespace

frmAbout::frmAbout(Forms& forms) : Form(QStringLiteral("frmAbout"), QStringLiteral("About"), 4680, 2535), m_forms(forms)
{
    setFixedSingleBorder(false);
    setBackColor(this, QColor(224, 224, 224));

    Label1 = addCreditLine(this, "Label1", QStringLiteral("Written by the Lumaport authors"), {120, 360, 4335, 255});
    Label2 = addCreditLine(this, "Label2", QStringLiteral("Copyright 2026 Example Maker"), {0, 720, 4575, 255});
    Label3 = addCreditLine(this, "Label3", QStringLiteral("Contact: lumaport@maker.example"), {0, 1080, 4575, 255});
    Command1 = addButton(this, "Command1", QStringLiteral("Donate"), {1560, 1680, 1575, 375});
    Command3 = addButton(this, "Command3", QStringLiteral("Website"), {120, 2040, 975, 375});
    Command2 = addButton(this, "Command2", QStringLiteral("Close"), {3600, 2040, 975, 375});

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);

    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAbout::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAbout::Command3_Click);
}

void frmAbout::Form_Unload(bool& cancel)
{
    cancel = true;
    hide();
}

void frmAbout::Navigate(const QString& address)
{
    m_forms.services().openUrl(address);
}

void frmAbout::Command1_Click()
{
    Navigate(kDonateAddress);
}

void frmAbout::Command2_Click()
{
    hide();
}

void frmAbout::Command3_Click()
{
    Navigate(kWebsiteAddress);
}

} // namespace lumaport
