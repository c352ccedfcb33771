// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands and menus: going on to the save-picture, FTP and about windows, and ending.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "save_picture/frm_savpic.h"
#include "startup/forms.h"
#include "startup/frm_about.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

class TestFrmloadCommands : public WindowTest
{
    Q_OBJECT

    QTemporaryDir m_files;
    QTemporaryDir m_targets;

    frmload& main() { return m_forms->frmload(); }
    frmsavpic& savpic() { return m_forms->frmsavpic(); }
    frmftp& ftp() { return m_forms->frmftp(); }

    void choose(OptionButton* kind, const QString& name)
    {
        kind->click();
        QVERIFY(kind->isChecked());
        QVERIFY2(main().File1->setFileName(name), qPrintable(name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        writePicture(m_files.filePath(QStringLiteral("photo.jpg")), Qt::red);
        for (const char* name : {"archive.zip", "setup.exe", "notes.txt"})
            writeFile(m_files.filePath(QString::fromLatin1(name)), QByteArray("content of ") + name);
    }

    void init()
    {
        WindowTest::init();
        QVERIFY(main().Dir1->setPath(m_files.path()));
        main().Show();
    }

    void goingOnNeedsAChosenFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("Load") << "Option2"
                              << "cmdload"
                              << "Please select a picture";
        QTest::newRow("Load Picture") << "Option2"
                                      << "mnuload"
                                      << "Please select a picture";
        QTest::newRow("Load Picture under ZIP") << "Option4"
                                                << "mnuload"
                                                << "Please select a picture";
        QTest::newRow("FTP") << "Option6"
                             << "cmdftp"
                             << "Please select a file";
    }

    void goingOnNeedsAChosenFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, command);
        QFETCH(QString, message);
        main().findChild<OptionButton*>(kind)->click();
        m_services->expectMessage(message, MsgAnswer::Ok, kAppTitle);

        if (auto* action = main().findChild<QAction*>(command))
            action->trigger();
        else
            main().findChild<QPushButton*>(command)->click();
        QCOMPARE(m_services->boxes().size(), std::size_t{1});
        QCOMPARE(m_services->boxes().front().icon, MsgIcon::None);
        QVERIFY(main().isVisible());
        QVERIFY(!savpic().isVisible());
        QVERIFY(!ftp().isVisible());
    }

    void loadOpensTheSavePictureWindow_data()
    {
        QTest::addColumn<bool>("menu");
        QTest::newRow("Load") << false;
        QTest::newRow("Load Picture") << true;
    }

    void loadOpensTheSavePictureWindow()
    {
        QFETCH(bool, menu);
        choose(main().Option2, QStringLiteral("photo.jpg"));

        if (menu)
            main().mnuload->trigger();
        else
            main().cmdload->click();
        QVERIFY(savpic().isVisible());
        QVERIFY(!main().isVisible());
        QCOMPARE(savpic().Command2->palette().color(QPalette::Button), QColor(255, 255, 0));
        QVERIFY(!savpic().Image1->picture().isNull());
        QCOMPARE(savpic().Image1->picture().toImage(), main().Image1->picture().toImage());
        QCOMPARE(savpic().txtpic->text(), QStringLiteral("photo.jpg"));
    }

    void loadPictureUnderZipSavesTheZipFile()
    {
        choose(main().Option4, QStringLiteral("archive.zip"));
        const QImage placeholder = main().Image1->picture().toImage();

        main().mnuload->trigger();
        frmsavpic& w = savpic();
        QVERIFY(w.isVisible());
        QCOMPARE(w.Image1->picture().toImage(), placeholder);
        w.txtsave->setText(m_targets.filePath(QStringLiteral("kept.zip")));
        w.cmdsavepic->click();
        QCOMPARE(readFile(m_targets.filePath(QStringLiteral("kept.zip"))), QByteArray("content of archive.zip"));
    }

    void ftpHandsTheChosenFileOver_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("typedTag");
        QTest::addColumn<bool>("tagShown");
        QTest::addColumn<bool>("linkTextShown");
        QTest::newRow("ZIP") << "Option4"
                             << "archive.zip"
                             << "" << false << false;
        QTest::newRow("EXE") << "Option5"
                             << "setup.exe"
                             << "" << false << false;
        QTest::newRow("ALL") << "Option6"
                             << "notes.txt"
                             << "" << true << false;
        QTest::newRow("ALL, url typed") << "Option6"
                                        << "notes.txt"
                                        << "url" << true << true;
    }

    void ftpHandsTheChosenFileOver()
    {
        QFETCH(QString, kind);
        QFETCH(QString, file);
        QFETCH(QString, typedTag);
        QFETCH(bool, tagShown);
        QFETCH(bool, linkTextShown);
        choose(main().findChild<OptionButton*>(kind), file);
        frmftp& w = ftp();
        if (!typedTag.isEmpty())
            control<QLineEdit>(w, "Text1")->setText(typedTag);
        control<QLineEdit>(w, "Text2")->hide();
        control<QLabel>(w, "Label3")->hide();

        main().cmdftp->click();
        QVERIFY(w.isVisible());
        QVERIFY(!main().isVisible());
        QCOMPARE(control<QLineEdit>(w, "txtsaveftp")->text(), file);
        QCOMPARE(control<QLineEdit>(w, "Text1")->isVisible(), tagShown);
        QCOMPARE(control<QLabel>(w, "Label2")->isVisible(), tagShown);
        if (tagShown && typedTag.isEmpty())
            QCOMPARE(control<QLineEdit>(w, "Text1")->text(), QStringLiteral("img"));
        QCOMPARE(control<QLineEdit>(w, "Text2")->isVisible(), linkTextShown);
        QCOMPARE(control<QLabel>(w, "Label3")->isVisible(), linkTextShown);
        QCOMPARE(control<QPushButton>(w, "Command6")->text(), QStringLiteral("Select another File"));
    }

    // A picture on the clipboard becomes a PNG beside the files shown, listed and chosen; files on it are chosen
    // together and go on to the FTP window as a set; an empty clipboard only says so.
    void pasteChoosesAPictureOrFiles()
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::blue);
        auto picture = std::make_unique<QMimeData>();
        picture->setImageData(image);
        m_services->setClipboardData(std::move(picture));
        main().mnuPaste->trigger();
        const QStringList pasted = QDir(m_files.path()).entryList({QStringLiteral("Pasted *.png")});
        QCOMPARE(pasted.size(), 1);
        const auto removePasted = qScopeGuard([&] { QFile::remove(m_files.filePath(pasted.first())); });
        QVERIFY(main().Option6->isChecked());
        QCOMPARE(main().txtimg->text(), m_files.filePath(pasted.first()));
        QCOMPARE(QImage(m_files.filePath(pasted.first())).pixelColor(3, 2), QColor(Qt::blue));

        auto files = std::make_unique<QMimeData>();
        files->setUrls({QUrl::fromLocalFile(m_files.filePath(QStringLiteral("photo.jpg"))),
                        QUrl::fromLocalFile(m_files.filePath(QStringLiteral("notes.txt")))});
        m_services->setClipboardData(std::move(files));
        main().mnuPaste->trigger();
        QCOMPARE(main().chosenNames(), (QStringList{QStringLiteral("notes.txt"), QStringLiteral("photo.jpg")}));
        QCOMPARE(main().txtimg->text(), m_files.filePath(QStringLiteral("notes.txt")));
        main().cmdftp->click();
        QCOMPARE(control<QLineEdit>(ftp(), "txtsaveftp")->toolTip(), QStringLiteral("notes.txt\nphoto.jpg"));

        m_services->setClipboardData(nullptr);
        main().mnuPaste->trigger();
        QCOMPARE(main().lblStatus->text(),
                 QStringLiteral("Nothing to paste: the clipboard holds no picture and no files."));
    }

    void ftpMenuOpensTheFtpWindowForBrowsing()
    {
        main().mnuftp->trigger();
        frmftp& w = ftp();
        QVERIFY(w.isVisible());
        QVERIFY(!main().isVisible());
        QVERIFY(control<QLineEdit>(w, "txtsaveftp")->isHidden());
        QVERIFY(control<QPushButton>(w, "cmdsend")->isHidden());
        QVERIFY(control<QLineEdit>(w, "Text2")->isHidden());
        QVERIFY(control<QLabel>(w, "Label3")->isHidden());

        // Back in the main window, the "FTP" button hands a file over but leaves those hidden.
        w.hide();
        main().Show();
        choose(main().Option4, QStringLiteral("archive.zip"));
        main().cmdftp->click();
        QVERIFY(w.isVisible());
        QCOMPARE(control<QLineEdit>(w, "txtsaveftp")->text(), QStringLiteral("archive.zip"));
        QVERIFY(control<QLineEdit>(w, "txtsaveftp")->isHidden());
        QVERIFY(control<QPushButton>(w, "cmdsend")->isHidden());
    }

    void aboutKeepsTheMainWindowShown()
    {
        main().mnuabout->trigger();
        QVERIFY(m_forms->frmAbout().isVisible());
        QVERIFY(main().isVisible());
    }

    void saveDirectoriesNotesItInTheSavePictureWindow()
    {
        main().mnusave->trigger();
        QCOMPARE(savpic().lblnotice->text(), QStringLiteral("Saved"));
        QVERIFY(!savpic().isVisible());
    }

    void exitAndTheCloseBoxEndTheProgram_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit") << false;
        QTest::newRow("close box") << true;
    }

    void exitAndTheCloseBoxEndTheProgram()
    {
        QFETCH(bool, closeBox);
        if (closeBox)
            main().close();
        else
            main().mnuexit->trigger();
        QVERIFY(m_services->programEnded());
    }
};

QTEST_MAIN(TestFrmloadCommands)
#include "tst_frmload_commands.moc"
