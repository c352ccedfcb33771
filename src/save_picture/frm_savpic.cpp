// SPDX-License-Identifier: GPL-3.0-or-later
#include "save_picture/frm_savpic.h"

#include "ftp_window/frm_ftp.h"
#include "local_choice/local_choice.h"
#include "main_window/frm_load.h"
#include "platform/paths.h"
#include "platform/safe_file_copy.h"
#include "platform/services.h"
#include "platform/volumes.h"
#include "session/publishing_session.h"
#include "startup/forms.h"
#include "widgets/drive_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumaport {

namespace {

const QColor kYellow(255, 255, 0);

} // namespace

frmsavpic::frmsavpic(Forms& forms)
    : Form(QStringLiteral("frmsavpic"), QStringLiteral("Save Picture"), 8400, 7110), m_forms(forms)
{
    setFixedSingleBorder(true);
    setStartCentered();
    setBackColor(this, kFormBackColor);

    Label3 = addLabel(this, "Label3", QStringLiteral("Save Picture"), {3000, 120, 5175, 495});
    Label3->setAlignment(Qt::AlignCenter);
    QFont titleFont = Label3->font();
    titleFont.setPointSizeF(13.5);
    Label3->setFont(titleFont);
    Drive1 = addControl<DriveList>(this, "Drive1", {360, 600, 2415, 315});
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Dir1 = addControl<FolderList>(this, "Dir1", {360, 1080, 2415, 2790});
    Dir1->setAccessibleName(QStringLiteral("Folder"));
    Command2 = addButton(this, "Command2", QStringLiteral("Save Directory"), {360, 4080, 2415, 375});
    Label1 = addLabel(this, "Label1", QStringLiteral("Name of Picture:"), {360, 4680, 1455, 255});
    txtpic = addTextBox(this, "txtpic", {360, 5040, 2415, 285});
    setBuddy(Label1, txtpic);
    Label2 = addLabel(this, "Label2", QStringLiteral("Save Path:"), {360, 5760, 1815, 255});
    txtsave = addTextBox(this, "txtsave", {360, 6120, 7815, 285});
    setBuddy(Label2, txtsave);
    Image1 = addControl<PictureBox>(this, "Image1", {3000, 600, 5175, 5175});
    Label4 = addLabel(this, "Label4",
                      QStringLiteral("Picture may seem distorted, this is normal. Your Picture will not change."),
                      {3000, 5760, 5175, 255});
    Label4->setAlignment(Qt::AlignCenter);
    for (QLabel* label : {Label1, Label2, Label4})
        fitCaption(label);
    lblnotice = addLabel(this, "lblnotice", QString(), {3000, 6720, 2175, 255});
    lblnotice->setAlignment(Qt::AlignCenter);
    lblChosen = addLabel(this, "lblChosen", QString(), {3000, 6420, 2895, 255});
    Command3 = addButton(this, "Command3", QStringLiteral("Exit"), {360, 6600, 1095, 375});
    Command3->setToolTip(QStringLiteral("Exit Program"));
    Command5 = addButton(this, "Command5", QStringLiteral("FTP"), {1560, 6600, 1095, 375});
    Command4 = addButton(this, "Command4", QStringLiteral("Back"), {6000, 6600, 855, 375});
    cmdsavepic = addButton(this, "cmdsavepic", QStringLiteral("Save picture"), {6960, 6600, 1215, 375});
    cmdsavepic->setToolTip(QStringLiteral("Save Picture"));

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, txtsave);
    setTabOrder(txtsave, cmdsavepic);
    setTabOrder(cmdsavepic, Command2);
    setTabOrder(Command2, txtpic);
    setTabOrder(txtpic, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Command5);

    connect(cmdsavepic, &QPushButton::clicked, this, &frmsavpic::cmdsavepic_Click);
    connect(Command2, &QPushButton::clicked, this, &frmsavpic::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmsavpic::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmsavpic::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmsavpic::Command5_Click);
    connect(Dir1, &FolderList::changed, this, &frmsavpic::Dir1_Change);
    connect(Drive1, &DriveList::changed, this, &frmsavpic::Drive1_Change);
    connect(Image1, &PictureBox::clicked, this, &frmsavpic::Image1_Click);
    connect(txtsave, &QLineEdit::textChanged, this, &frmsavpic::txtsave_Change);
    bindLocalChoice();
}

void frmsavpic::bindLocalChoice()
{
    LocalChoice& local = m_forms.localChoice();
    txtpic->setText(local.pictureName());
    connect(txtpic, &QLineEdit::textChanged, &local, &LocalChoice::setPictureName);
    connect(&local, &LocalChoice::pictureNameChanged, txtpic, [this](const QString& name) {
        if (txtpic->text() != name)
            txtpic->setText(name);
    });
    // Where the settings file said, in its order, when it was read before this window was made.
    if (!local.savePictureFolder().isEmpty())
        Dir1->setPath(local.savePictureFolder());
    if (!local.savePictureDrive().isEmpty())
        restoreDrive(Drive1, Dir1, local.savePictureDrive());
    connect(&local, &LocalChoice::savePictureLineRestored, this, [this](DirectoryLine line, const QString& value) {
        if (line == DirectoryLine::SavePictureFolder)
            Dir1->setPath(value);
        else
            restoreDrive(Drive1, Dir1, value);
    });
    const auto keepFolder = [this] { m_forms.localChoice().setSavePictureFolder(Drive1->drive(), Dir1->path()); };
    connect(Dir1, &FolderList::changed, this, keepFolder);
    connect(Drive1, &DriveList::changed, this, keepFolder);
    keepFolder();
}

void frmsavpic::Form_Unload(bool& cancel)
{
    // Closing unloads the window; the next reference builds it afresh, with no name and at the current folder.
    Q_UNUSED(cancel);
    lblnotice->clear();
    LocalChoice& local = m_forms.localChoice();
    local.setPictureName(QString());
    local.setSavePictureFolder(QString(), QString());
    m_forms.frmload().Show();
}

void frmsavpic::cmdsavepic_Click()
{
    Services& services = m_forms.services();
    const QString target = txtsave->text();
    if (target.isEmpty()) {
        services.messageBox(QStringLiteral("Please select a path"));
        return;
    }
    const QString source = m_forms.localChoice().chosen().path;
    if (target == m_publishedPath && source != target) {
        const QString question =
            QStringLiteral("\"%1\" is the file you went on to publish. Replace it with \"%2\"?").arg(target, source);
        if (services.messageBox(question, QString(), MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes)
            return;
    }
    // A path that is not absolute would land in whatever folder the program was started from, which the
    // user never chose: it fails like any other unusable path.
    const QString destination = QDir::isAbsolutePath(target) ? target : QString();
    if (SafeFileCopy(source, destination, services)) {
        lblnotice->setText(QStringLiteral("Your Picture was saved"));
        m_copySource = source;
        m_copy = destination;
    } else {
        // An earlier save's notice must not pass for this one.
        lblnotice->clear();
    }
}

void frmsavpic::showChosen(const QString& name, qsizetype chosen, const QPixmap& picture)
{
    setBackColor(Command2, kYellow);
    Image1->setPicture(picture);
    // A path made for another picture would have this one saved under that picture's name.
    const QFileInfo path(txtsave->text());
    if (!txtsave->text().isEmpty() && !m_handedName.isEmpty() && path.fileName() == m_handedName)
        txtsave->setText(joinPath(path.path(), name));
    m_handedName = name;
    lblChosen->setText(chosen > 1 ? QStringLiteral("%1 files chosen: \"FTP\" sends them all").arg(chosen) : QString());
    lblChosen->setToolTip(chosen > 1 ? QStringLiteral("\"Save picture\" copies the one shown") : QString());
    fitCaption(lblChosen);
}

void frmsavpic::showPicture(const QPixmap& picture)
{
    Image1->setPicture(picture);
}

void frmsavpic::showNotice(const QString& notice)
{
    lblnotice->setText(notice);
}

void frmsavpic::Command2_Click()
{
    m_forms.session().saveSettings();
    txtsave->setText(joinPath(Dir1->path(), txtpic->text()));
    setBackColor(Command2, QApplication::palette(Command2).color(QPalette::Button));
}

void frmsavpic::Command3_Click()
{
    m_forms.endProgram();
}

void frmsavpic::Command4_Click()
{
    // The unload handling shows the main window and empties the notice.
    unload();
}

void frmsavpic::Command5_Click()
{
    PublishingSession& session = m_forms.session();
    const LocalChoice::Chosen& chosen = m_forms.localChoice().chosen();
    // The copy the user just made is what they went on to publish; without one, the chosen file. The name
    // box of the FTP window names the file handed over, so the link names the file that is sent.
    const QFileInfo copy(m_copy);
    const bool sendCopy = !m_copy.isEmpty() && m_copySource == chosen.path && copy.isFile();
    // The main window's file list, not its folder list: with no kind selected the two differ, and the chosen
    // file is only in the former.
    const QString name = sendCopy ? copy.fileName() : chosen.current;
    if (sendCopy)
        session.handOverFile(volumeRootOf(copy.absolutePath()), copy.absolutePath(), name);
    else
        session.handOverFile(chosen.drive, chosen.folder, name);
    txtsave->setText(chosen.path);
    m_publishedPath = txtsave->text();
    session.setText(SessionText::SaveName, name.isEmpty() ? txtpic->text() : name);
    // Several files chosen go on together; the copy made here is of one of them.
    if (chosen.names.size() > 1)
        session.handOverSet(chosen.drive, chosen.folder, chosen.names);
    m_forms.frmftp().Show();
    session.present(HandOver::Picture);
    hide();
}

void frmsavpic::Dir1_Change()
{
    lblnotice->clear();
}

void frmsavpic::Drive1_Change()
{
    // As in the main window, a drive that can't be read leaves the folder list where it was, without a word.
    Dir1->setDrive(Drive1->drive());
}

void frmsavpic::Image1_Click()
{
    txtpic->setText(QStringLiteral("Image1"));
}

void frmsavpic::txtsave_Change()
{
    if (txtsave->text().isEmpty())
        setBackColor(Command2, kYellow);
}

} // namespace lumaport
