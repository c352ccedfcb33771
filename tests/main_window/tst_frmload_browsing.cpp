// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's file kinds, local browsing and preview.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "save_picture/frm_savpic.h"
#include "startup/forms.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>

using namespace lumaport;
using namespace lumaport::test;

namespace {

QImage shown(const PictureBox* box)
{
    return box->picture().toImage();
}

} // namespace

class TestFrmloadBrowsing : public WindowTest
{
    Q_OBJECT

    QTemporaryDir m_pictures;
    QImage m_placeholder;

    frmload& main() { return m_forms->frmload(); }

    void choose(const QString& name) { QVERIFY2(main().File1->setFileName(name), qPrintable(name)); }
    bool showsPlaceholder(const PictureBox* box) const
    {
        return !box->picture().isNull() && shown(box) == m_placeholder;
    }

private Q_SLOTS:
    void initTestCase()
    {
        writePicture(m_pictures.filePath(QStringLiteral("photo.jpg")), Qt::red);
        writePicture(m_pictures.filePath(QStringLiteral("SHOUT.JPG")), Qt::green);
        writePicture(m_pictures.filePath(QStringLiteral("with space ü.jpg")), Qt::blue);
        // Qt reads GIF but can't write it: a one-pixel GIF by hand.
        writeFile(m_pictures.filePath(QStringLiteral("anim.gif")),
                  QByteArray::fromHex("47494638396101000100800000ffff0000000021f90400000000002c0000"
                                      "0000010001000002024401003b"));
        writePicture(m_pictures.filePath(QStringLiteral("bitmap.bmp")), Qt::cyan, "BMP");
        writeFile(m_pictures.filePath(QStringLiteral("archive.zip")), "PK\x03\x04 not really");
        writeFile(m_pictures.filePath(QStringLiteral("setup.exe")), "MZ\x90");
    }

    void init()
    {
        WindowTest::init();
        main();
        m_placeholder = shown(main().Image1);
        QVERIFY(main().Dir1->setPath(m_pictures.path()));
    }

    void freshStartIsTheJpgKind()
    {
        frmload& w = main();
        QCOMPARE(w.Text78->text(), m_services->programFolder() + QStringLiteral("/ooo.lbr"));
        QVERIFY(w.Option2->isChecked());
        QVERIFY(w.txtimg->text().isEmpty());
        QVERIFY(!m_placeholder.isNull());
        QVERIFY(w.cmdload->isEnabled());
        QVERIFY(w.cmdftp->isHidden());
        QCOMPARE(w.Label1->text(), QStringLiteral("Image Path:"));
        QCOMPARE(w.File1->pattern(), QStringLiteral("*.jpg"));
        QCOMPARE(w.File1->listCount(), 3);
        // The FTP window is named after the URL name read, and stays hidden.
        QVERIFY(!m_forms->frmftp().isVisible());
        QCOMPARE(m_forms->frmftp().windowTitle(), QStringLiteral("FTP"));
    }

    void choosingAFileFillsEveryWindow()
    {
        choose(QStringLiteral("photo.jpg"));
        frmload& w = main();
        QCOMPARE(w.txtimg->text(), m_pictures.path() + QStringLiteral("/photo.jpg"));
        QVERIFY(!showsPlaceholder(w.Image1));
        QCOMPARE(shown(w.Image1).size(), w.Image1->size());
        QCOMPARE(m_forms->frmsavpic().txtpic->text(), QStringLiteral("photo.jpg"));
        frmftp& ftp = m_forms->frmftp();
        QCOMPARE(control<DriveList>(ftp, "drvLocalDrive")->drive(), w.Drive1->drive());
        QCOMPARE(control<FolderList>(ftp, "dirLocalDir")->path(), m_pictures.path());
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->path(), m_pictures.path());
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->fileName(), QStringLiteral("photo.jpg"));

        choose(QStringLiteral("with space ü.jpg"));
        QCOMPARE(w.txtimg->text(), m_pictures.path() + QStringLiteral("/with space ü.jpg"));
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->fileName(), QStringLiteral("with space ü.jpg"));
    }

    void chosenByPathAsTheUserWould()
    {
        frmload& w = main();
        QTemporaryDir other;
        const QString notes = writeFile(other.filePath(QStringLiteral("notes.txt")));
        const std::pair<QString, OptionButton*> cases[] = {
            {m_pictures.filePath(QStringLiteral("anim.gif")), w.Option1},
            {m_pictures.filePath(QStringLiteral("SHOUT.JPG")), w.Option2},
            {m_pictures.filePath(QStringLiteral("bitmap.bmp")), w.Option3},
            {m_pictures.filePath(QStringLiteral("setup.exe")), w.Option5},
            {notes, w.Option6}};
        for (const auto& [path, option] : cases) {
            QVERIFY2(w.chooseFile(path), qPrintable(path));
            QVERIFY2(option->isChecked(), qPrintable(path));
            QCOMPARE(w.File1->path(), QFileInfo(path).path());
            QCOMPARE(w.Dir1->path(), QFileInfo(path).path());
            QCOMPARE(w.txtimg->text(), path);
        }
        m_services->expectMessage(QStringLiteral("File not found: ") + m_pictures.path());
        QVERIFY(!w.chooseFile(m_pictures.path()));
        QCOMPARE(w.txtimg->text(), notes);
    }

    void otherKindsPresetTheFtpWindow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("files");
        QTest::newRow("ZIP") << "Option4"
                             << "url" << 1;
        QTest::newRow("EXE") << "Option5"
                             << "url" << 1;
        QTest::newRow("ALL") << "Option6"
                             << "img" << 7;
    }
    void otherKindsPresetTheFtpWindow()
    {
        QFETCH(QString, option);
        QFETCH(QString, tag);
        QFETCH(int, files);
        frmload& w = main();
        choose(QStringLiteral("photo.jpg"));
        m_forms->frmsavpic().Image1->setPicture(w.Image1->picture());

        w.findChild<OptionButton*>(option)->click();
        QVERIFY(w.txtimg->text().isEmpty());
        QVERIFY(m_forms->frmsavpic().txtpic->text().isEmpty());
        QVERIFY(showsPlaceholder(w.Image1));
        QVERIFY(showsPlaceholder(m_forms->frmsavpic().Image1));
        QVERIFY(!w.cmdload->isEnabled());
        QVERIFY(!w.cmdftp->isHidden());
        QCOMPARE(control<QLineEdit>(m_forms->frmftp(), "Text1")->text(), tag);
        QCOMPARE(w.Label1->text(), QStringLiteral("File Path:"));
        QCOMPARE(w.File1->listCount(), files);
    }

    void pictureKindsLeaveTheTagAlone()
    {
        frmload& w = main();
        w.Option4->click();
        w.Option1->click();
        QCOMPARE(control<QLineEdit>(m_forms->frmftp(), "Text1")->text(), QStringLiteral("url"));
        QVERIFY(w.cmdftp->isHidden());
        QVERIFY(w.cmdload->isEnabled());
        QCOMPARE(w.Label1->text(), QStringLiteral("Image Path:"));
        QCOMPARE(w.File1->list(0), QStringLiteral("anim.gif"));
        QVERIFY(showsPlaceholder(w.Image1));
        w.Option3->click();
        choose(QStringLiteral("bitmap.bmp"));
        QVERIFY(!showsPlaceholder(w.Image1));
    }

    // Among all files a picture goes on to "Load" as under its own kind; anything else shows the placeholder.
    void amongAllFilesOnlyPicturesLoad()
    {
        frmload& w = main();
        w.Option6->click();
        choose(QStringLiteral("archive.zip"));
        QCOMPARE(w.txtimg->text(), m_pictures.path() + QStringLiteral("/archive.zip"));
        QVERIFY(showsPlaceholder(w.Image1));
        QVERIFY(!w.cmdload->isEnabled());
        QCOMPARE(m_forms->frmsavpic().txtpic->text(), QStringLiteral("archive.zip"));

        choose(QStringLiteral("photo.jpg"));
        QVERIFY(w.cmdload->isEnabled());
        choose(QStringLiteral("setup.exe"));
        QVERIFY(showsPlaceholder(w.Image1));
        QVERIFY(!w.cmdload->isEnabled());
    }

    void typingInThePathBox()
    {
        frmload& w = main();
        choose(QStringLiteral("photo.jpg"));
        w.txtimg->clear();
        QVERIFY(w.Image1->picture().isNull());

        const QString path = m_pictures.filePath(QStringLiteral("anim.gif"));
        QTest::keyClicks(w.txtimg, path);
        QVERIFY(!w.Image1->picture().isNull() && !showsPlaceholder(w.Image1));

        // Half-typed paths, folders and FIFOs show the placeholder and never block.
        QTest::keyClick(w.txtimg, Qt::Key_Backspace);
        QVERIFY(showsPlaceholder(w.Image1));
        w.txtimg->setText(m_pictures.path());
        QVERIFY(showsPlaceholder(w.Image1));
        const QString fifo = m_pictures.filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        w.txtimg->setText(fifo);
        QVERIFY(showsPlaceholder(w.Image1));
        QFile::remove(fifo);
    }

    void refreshReappliesTheKind()
    {
        frmload& w = main();
        choose(QStringLiteral("photo.jpg"));
        writePicture(m_pictures.filePath(QStringLiteral("late.jpg")), Qt::black);
        w.Command3->click();
        QVERIFY(w.txtimg->text().isEmpty());
        QVERIFY(showsPlaceholder(w.Image1));
        QVERIFY(w.Option2->isChecked());
        QVERIFY(!w.Option7->isChecked());
        QCOMPARE(w.File1->listCount(), 4);
        QFile::remove(m_pictures.filePath(QStringLiteral("late.jpg")));
    }

    void withNoKindTheFileListStays()
    {
        frmload& w = main();
        w.Option2->setChecked(false);
        w.txtimg->setText(QStringLiteral("kept"));
        writePicture(m_pictures.filePath(QStringLiteral("late.jpg")), Qt::black);
        w.Command3->click();
        QCOMPARE(w.txtimg->text(), QStringLiteral("kept"));
        QCOMPARE(w.File1->pattern(), QStringLiteral("*.jpg"));
        QCOMPARE(w.File1->listCount(), 4);
        QFile::remove(m_pictures.filePath(QStringLiteral("late.jpg")));

        QTemporaryDir elsewhere;
        QVERIFY(w.Dir1->setPath(elsewhere.path()));
        QCOMPARE(w.File1->path(), m_pictures.path());

        // The chosen file is named by the folder it is listed in, not by the folder list's.
        choose(QStringLiteral("photo.jpg"));
        QCOMPARE(w.txtimg->text(), m_pictures.path() + QStringLiteral("/photo.jpg"));
        QCOMPARE(control<FileList>(m_forms->frmftp(), "filLocalFile")->fileName(), QStringLiteral("photo.jpg"));
    }

    void unknownDriveIsIgnoredQuietly()
    {
        frmload& w = main();
        const QString drive = w.Drive1->drive();
        QVERIFY(!w.Drive1->setDrive(QStringLiteral("/no/such/volume")));
        QCOMPARE(w.Drive1->drive(), drive);
        QCOMPARE(w.Dir1->path(), m_pictures.path());
    }

    void missingPlaceholderLeavesTheBoxBlank()
    {
        m_forms.reset();
        writeFile(m_services->programFolder() + QStringLiteral("/noPreview.jpg"), "\xFF\xD8 truncated");
        QTest::ignoreMessage(QtWarningMsg, "Lumaport: noPreview.jpg is missing or unreadable beside the program and "
                                           "in ../share/lumaport");
        m_forms = lumaport::test::makeForms(*m_services);
        QVERIFY(main().Image1->picture().isNull());
        main().Option4->click();
        QVERIFY(main().Image1->picture().isNull());
    }
};

QTEST_MAIN(TestFrmloadBrowsing)
#include "tst_frmload_browsing.moc"
