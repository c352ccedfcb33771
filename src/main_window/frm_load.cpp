// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_window/frm_load.h"

#include "ftp_window/frm_ftp.h"
#include "local_choice/file_kind.h"
#include "local_choice/local_choice.h"
#include "platform/paths.h"
#include "platform/picture_file.h"
#include "platform/program_files.h"
#include "platform/services.h"
#include "platform/settings_text.h"
#include "platform/volumes.h"
#include "publish/link_check.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "session/publishing_session.h"
#include "startup/forms.h"
#include "startup/frm_about.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>

namespace lumaport {

namespace {

const QColor kFtpButtonColor(255, 255, 128);

} // namespace

frmload::frmload(Forms& forms)
    : Form(QStringLiteral("frmload"), QStringLiteral("Load Picture"), 9765, 7830, true), m_forms(forms)
{
    setFixedSingleBorder(true);
    setStartCentered();
    QWidget* area = client();
    setBackColor(area, kFormBackColor);

    Drive1 = addControl<DriveList>(area, "Drive1", {240, 480, 3255, 315});
    Dir1 = addControl<FolderList>(area, "Dir1", {240, 960, 3255, 2115});
    File1 = addControl<FileList>(area, "File1", {240, 3120, 3255, 2820});
    File1->setPattern(QStringLiteral("*.jpg"));
    Command3 = addButton(area, "Command3", QStringLiteral("Refresh"), {240, 6000, 855, 255});
    Option1 = addOption(area, "Option1", QStringLiteral("GIF"), {1200, 6000, 735, 255});
    Option2 = addOption(area, "Option2", QStringLiteral("JPG"), {2040, 6000, 735, 255});
    Option3 = addOption(area, "Option3", QStringLiteral("BMP"), {2880, 6000, 735, 255});
    Option6 = addOption(area, "Option6", QStringLiteral("ALL"), {1200, 6360, 735, 255});
    Option4 = addOption(area, "Option4", QStringLiteral("ZIP"), {2040, 6360, 735, 255});
    Option5 = addOption(area, "Option5", QStringLiteral("EXE"), {2880, 6360, 735, 255});
    Option7 = addOption(area, "Option7", QStringLiteral("Option7"), {240, 6360, 255, 255});
    Option7->hide();
    Option2->setChecked(true);

    Label2 = addLabel(area, "Label2", QStringLiteral("Load Picture"), {3720, 120, 5895, 375});
    Label2->setAlignment(Qt::AlignCenter);
    QFont titleFont = Label2->font();
    titleFont.setPointSizeF(13.5);
    Label2->setFont(titleFont);
    Image1 = addControl<PictureBox>(area, "Image1", {3720, 480, 5895, 5895});
    Label3 = addLabel(area, "Label3",
                      QStringLiteral("Picture may seem distorted, this is normal. Your Picture will not change."),
                      {3720, 6360, 5895, 255});
    Label3->setAlignment(Qt::AlignCenter);
    fitCaption(Label3);
    Label1 = addLabel(area, "Label1", QStringLiteral("Image Path:"), {120, 6840, 855, 255});
    fitCaption(Label1);
    txtimg = addTextBox(area, "txtimg", {1080, 6840, 8535, 285});
    setBuddy(Label1, txtimg);
    cmdftp = addButton(area, "cmdftp", QStringLiteral("FTP"), {7560, 7320, 855, 375});
    setBackColor(cmdftp, kFtpButtonColor);
    cmdftp->hide();
    cmdload = addButton(area, "cmdload", QStringLiteral("Load"), {8520, 7320, 1095, 375});
    Text78 = addTextBox(area, "Text78", {120, 7320, 5895, 285});
    Text78->setAccessibleName(QStringLiteral("Settings file"));
    Text78->hide();
    cmdsave = addButton(area, "cmdsave", QStringLiteral("Save"), {6840, 7200, 615, 255});
    cmdsave->setToolTip(QStringLiteral("Save Directorys"));
    cmdsave->hide();
    Command2 = addButton(area, "Command2", QStringLiteral("open"), {6120, 7200, 735, 255});
    Command2->hide();
    // Where the hidden settings path lies: how many files are chosen, and what a drop or a paste did.
    lblStatus = addLabel(area, "lblStatus", QString(), {120, 7380, 7335, 255});
    lblStatus->setAccessibleName(QStringLiteral("Status"));
    File1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAcceptDrops(true);

    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, cmdload);
    setTabOrder(cmdload, txtimg);
    setTabOrder(txtimg, Command3);
    setTabOrder(Command3, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Option4);
    setTabOrder(Option4, cmdftp);
    setTabOrder(cmdftp, Option5);
    setTabOrder(Option5, Option6);

    buildMenu();

    // Option handlers run when an option becomes selected, by the user or by code.
    const std::array<OptionButton*, 6> options = kindOptions();
    for (std::size_t i = 0; i < options.size(); ++i) {
        const FileKind& kind = kFileKinds[i];
        connect(options[i], &QAbstractButton::toggled, this, [this, &kind](bool on) {
            if (!on)
                return;
            if (kind.picture)
                selectPictureKind(kind);
            else
                selectOtherKind(kind);
        });
    }
    connect(Command3, &QPushButton::clicked, this, &frmload::Command3_Click);
    connect(Drive1, &DriveList::changed, this, &frmload::Drive1_Change);
    connect(Dir1, &FolderList::changed, this, &frmload::Dir1_Change);
    connect(File1, &FileList::clicked, this, &frmload::File1_Click);
    connect(txtimg, &QLineEdit::textChanged, this, &frmload::txtimg_Change);
    connect(cmdload, &QPushButton::clicked, this, &frmload::cmdload_Click);
    connect(cmdftp, &QPushButton::clicked, this, &frmload::cmdftp_Click);
    connect(cmdsave, &QPushButton::clicked, this, &frmload::cmdsave_Click);
    connect(Command2, &QPushButton::clicked, this, &frmload::Command2_Click);
    // Whatever changed the choice, the windows that go on with it see it as it is now.
    for (QAbstractButton* option : kindOptions())
        connect(option, &QAbstractButton::toggled, this, &frmload::keepChoice);
    connect(Drive1, &DriveList::changed, this, &frmload::keepChoice);
    connect(Dir1, &FolderList::changed, this, &frmload::keepChoice);
    connect(File1, &QListWidget::itemSelectionChanged, this, &frmload::keepChoice);
    connect(txtimg, &QLineEdit::textChanged, this, &frmload::keepChoice);
    LocalChoice& local = m_forms.localChoice();
    connect(&local, &LocalChoice::mainLineRestored, this, &frmload::applyDirectoryLine);
    PublishingSession& session = m_forms.session();
    connect(&session, &PublishingSession::settingsRead, this,
            [this] { Text78->setText(m_forms.session().settingsPath()); });
    keepChoice();
}

void frmload::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuftp = file->addAction(QStringLiteral("FTP"), this, &frmload::mnuftp_Click);
    mnuftp->setObjectName(QStringLiteral("mnuftp"));
    mnuload = file->addAction(QStringLiteral("Load Picture"), this, &frmload::cmdload_Click);
    mnuload->setObjectName(QStringLiteral("mnuload"));
    mnusave = file->addAction(QStringLiteral("Save Directories"), this, &frmload::mnusave_Click);
    mnusave->setObjectName(QStringLiteral("mnusave"));
    mnuPublished = file->addAction(QStringLiteral("Published..."), this, &frmload::mnuPublished_Click);
    mnuPublished->setObjectName(QStringLiteral("mnuPublished"));
    mnuPublished->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    mnuexit = file->addAction(QStringLiteral("Exit"), this, &frmload::mnuexit_Click);
    mnuexit->setObjectName(QStringLiteral("mnuexit"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    mnuPaste = edit->addAction(QStringLiteral("Paste Picture"), this, &frmload::mnuPaste_Click);
    mnuPaste->setObjectName(QStringLiteral("mnuPaste"));
    mnuPaste->setShortcut(QKeySequence::Paste);
    mnuabout = menuBar()->addAction(QStringLiteral("About"), this, &frmload::mnuabout_Click);
    mnuabout->setObjectName(QStringLiteral("mnuabout"));
}

std::array<OptionButton*, 6> frmload::kindOptions() const
{
    return {Option1, Option2, Option3, Option4, Option5, Option6};
}

QPixmap frmload::placeholder() const
{
    const QImage image = loadPlaceholder(m_forms.services().programFolder(), Image1->size());
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

void frmload::Form_Load()
{
    m_forms.session().readProgramSettings();
    const QPixmap picture = placeholder();
    // Without it every empty preview stays blank; say once where it was looked for.
    if (picture.isNull())
        qWarning("Lumaport: %s is missing or unreadable beside the program and in ../share/lumaport",
                 qPrintable(kPlaceholderName));
    if (txtimg->text().isEmpty())
        Image1->setPicture(picture);
}

bool frmload::chooseFile(const QString& path)
{
    return chooseFiles({path});
}

bool frmload::chooseFiles(const QStringList& paths)
{
    QStringList names;
    qsizetype leftOut = 0;
    const QString folder = paths.isEmpty() ? QString() : QFileInfo(paths.first()).absolutePath();
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (!file.isFile()) {
            m_forms.services().messageBox(QStringLiteral("File not found: ") + path, QString(), MsgIcon::Exclamation);
            return false;
        }
        if (file.absolutePath() == folder)
            names.append(file.fileName());
        else
            ++leftOut;
    }
    if (names.isEmpty())
        return false;
    // The first kind whose list shows the files, as a user would pick it; ALL shows every file.
    std::size_t kind = kFileKinds.size() - 1;
    for (std::size_t i = 0; i + 1 < kFileKinds.size(); ++i) {
        const auto listed = [&](const QString& name) {
            return QDir::match(QString::fromLatin1(kFileKinds[i].pattern), name);
        };
        if (std::all_of(names.cbegin(), names.cend(), listed)) {
            kind = i;
            break;
        }
    }
    kindOptions()[kind]->setChecked(true);
    // A volume the drive list leaves out still has its folders.
    Drive1->setDrive(volumeRootOf(folder));
    QString error;
    if (!Dir1->setPath(folder, &error) || !File1->setFileNames(names, &error)) {
        m_forms.services().messageBox(error, QString(), MsgIcon::Exclamation);
        return false;
    }
    if (leftOut > 0) {
        lblStatus->setText(QStringLiteral("%1 files of %2 chosen; %3 from other folders left out")
                               .arg(names.size())
                               .arg(folder)
                               .arg(leftOut));
        LocalChoice::Chosen chosen = m_forms.localChoice().chosen();
        chosen.note = lblStatus->text();
        m_forms.localChoice().setChosen(chosen);
    }
    return true;
}

void frmload::Form_Unload(bool& cancel)
{
    Q_UNUSED(cancel);
    m_forms.endProgram();
}

void frmload::keepChoice()
{
    LocalChoice& local = m_forms.localChoice();
    LocalChoice::Lists lists{Drive1->drive(), Dir1->path(), {}};
    const std::array<OptionButton*, 6> options = kindOptions();
    for (std::size_t i = 0; i < options.size(); ++i)
        lists.kinds[i] = options[i]->isChecked();
    local.setLists(lists);
    local.setChosen({Drive1->drive(), File1->path(), chosenNames(), File1->fileName(), txtimg->text(), {}});
}

void frmload::applyDirectoryLine(DirectoryLine line, const QString& value)
{
    if (const auto kind = kindOfLine(line)) {
        // No Boolean leaves the option as it is; False merely deselects it.
        if (const auto selected = settingsBoolean(value))
            kindOptions()[std::size_t(*kind)]->setChecked(*selected);
        return;
    }
    switch (line) {
    case DirectoryLine::MainFolder:
        Dir1->setPath(value);
        return;
    case DirectoryLine::MainDrive:
        restoreDrive(Drive1, Dir1, value);
        return;
    default:
        return;
    }
}

void frmload::pointFileList(const FileKind& kind)
{
    // A folder that vanished keeps the old listing.
    File1->setPathAndPattern(Dir1->path(), QString::fromLatin1(kind.pattern));
}

void frmload::selectPictureKind(const FileKind& kind)
{
    Image1->setPicture(placeholder());
    txtimg->setText(QString());
    m_forms.localChoice().setPictureName(QString());
    pointFileList(kind);
    cmdftp->hide();
    // Emptying the path blanked the preview; the placeholder goes back.
    Image1->setPicture(placeholder());
    cmdload->setEnabled(true);
    Label1->setText(QStringLiteral("Image Path:"));
}

void frmload::selectOtherKind(const FileKind& kind)
{
    txtimg->setText(QString());
    m_forms.localChoice().setPictureName(QString());
    pointFileList(kind);
    cmdftp->show();
    cmdload->setEnabled(false);
    const QPixmap picture = placeholder();
    Image1->setPicture(picture);
    m_forms.frmsavpic().showPicture(picture);
    m_forms.session().setText(SessionText::Keyword, QString::fromLatin1(kind.tag));
    Label1->setText(QStringLiteral("File Path:"));
}

void frmload::Command3_Click()
{
    for (OptionButton* option : kindOptions()) {
        if (option->isChecked()) {
            Option7->setChecked(true);
            option->setChecked(true);
            break;
        }
    }
    File1->refresh();
}

void frmload::Drive1_Change()
{
    // A drive that can't be read leaves the folder list where it was, without a word.
    Dir1->setDrive(Drive1->drive());
}

void frmload::Dir1_Change()
{
    const std::array<OptionButton*, 6> options = kindOptions();
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->isChecked())
            pointFileList(kFileKinds[i]);
    }
}

void frmload::File1_Click()
{
    // The file list's own folder, not the folder list's: with no kind selected the two differ, and the
    // chosen name only exists in the former.
    const QString name = File1->fileName();
    txtimg->setText(joinPath(File1->path(), name));
    m_forms.localChoice().setPictureName(name);
    m_forms.session().handOverFile(Drive1->drive(), File1->path(), name);
    const QStringList chosen = chosenNames();
    lblStatus->setText(chosen.size() > 1 ? QStringLiteral("%1 files chosen").arg(chosen.size()) : m_previewNote);
}

QStringList frmload::chosenNames() const
{
    return File1->fileNames();
}

void frmload::txtimg_Change()
{
    const QString path = txtimg->text();
    const auto image = path.isEmpty() ? std::nullopt : loadPictureFile(path, Image1->size());
    // A picture chosen among all files goes on to the save-picture window like one of its own kind.
    if (Option6->isChecked())
        cmdload->setEnabled(image.has_value());
    m_previewNote.clear();
    if (path.isEmpty()) {
        Image1->setPicture(QPixmap());
    } else if (image) {
        Image1->setPicture(QPixmap::fromImage(*image));
    } else {
        // Never the picture chosen before: the user would take it for this file's.
        Image1->setPicture(placeholder());
        const QFileInfo file(path);
        if (isPictureName(path) && file.isFile())
            m_previewNote =
                QStringLiteral("\"%1\" can't be shown: it is no picture, or not a whole one.").arg(file.fileName());
    }
    lblStatus->setText(m_previewNote);
}

void frmload::cmdload_Click()
{
    if (txtimg->text().isEmpty()) {
        m_forms.services().messageBox(QStringLiteral("Please select a picture"));
        return;
    }
    frmsavpic& savpic = m_forms.frmsavpic();
    savpic.showChosen(QFileInfo(txtimg->text()).fileName(), chosenNames().size(), Image1->picture());
    savpic.Show();
    hide();
}

void frmload::cmdftp_Click()
{
    if (txtimg->text().isEmpty()) {
        m_forms.services().messageBox(QStringLiteral("Please select a file"));
        return;
    }
    PublishingSession& session = m_forms.session();
    // Handed over again, as the folder may hold files made since it was first listed; the name box then names
    // the file that is sent.
    const QString name = File1->fileName();
    const QStringList chosen = chosenNames();
    if (chosen.size() > 1) {
        session.handOverSet(Drive1->drive(), File1->path(), chosen);
    } else {
        if (!name.isEmpty())
            session.handOverFile(Drive1->drive(), File1->path(), name);
        session.setText(SessionText::SaveName, name.isEmpty() ? m_forms.localChoice().pictureName() : name);
    }
    m_forms.frmftp().Show();
    hide();
    const bool tagless = Option4->isChecked() || Option5->isChecked();
    session.present(tagless ? HandOver::TaglessFile : HandOver::File);
}

void frmload::mnuftp_Click()
{
    m_forms.frmftp().Show();
    m_forms.session().present(HandOver::Server);
    hide();
}

void frmload::mnusave_Click()
{
    if (m_forms.session().saveSettings())
        m_forms.frmsavpic().showNotice(QStringLiteral("Saved"));
}

void frmload::mnuPublished_Click()
{
    m_forms.frmPublished().Show();
}

void frmload::mnuexit_Click()
{
    // The box of a failed save has told the user; the program ends all the same, as asked.
    m_forms.session().saveSettings();
    m_forms.endProgram();
}

void frmload::mnuabout_Click()
{
    m_forms.frmAbout().Show();
}

void frmload::cmdsave_Click()
{
    m_forms.session().saveSettings();
}

void frmload::Command2_Click()
{
    m_forms.session().readProgramSettings();
}

} // namespace lumaport
