// SPDX-License-Identifier: GPL-3.0-or-later
// The save-picture window: target path, saving, the hand-over to the FTP window, and leaving it.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "platform/directory_settings.h"
#include "save_picture/frm_savpic.h"
#include "startup/forms.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

namespace {

const QColor kYellow(255, 255, 0);
const QString kSaved = QStringLiteral("Your Picture was saved");
const QString kCopyError = QStringLiteral("Error copying File");

QColor buttonColor(const QPushButton* button)
{
    return button->palette().color(QPalette::Button);
}

} // namespace

class TestFrmsavpic : public WindowTest
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_pictures;
    QString m_targets;
    QByteArray m_photo;

    frmload& main() { return m_forms->frmload(); }
    frmsavpic& window() { return m_forms->frmsavpic(); }

    // Picks the file in the main window and opens this window with "Load", as the user does.
    void openWith(const QString& name)
    {
        QVERIFY(main().File1->setFileName(name));
        main().cmdload->click();
        QVERIFY(window().isVisible());
    }
    void expectCopyErrors(int count)
    {
        for (int i = 0; i < count; ++i)
            m_services->expectMessage(kCopyError, MsgAnswer::Ok, kAppTitle);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_pictures = m_dir.filePath(QStringLiteral("pictures"));
        m_targets = m_dir.filePath(QStringLiteral("targets"));
        QVERIFY(QDir().mkpath(m_pictures));
        m_photo = readFile(writePicture(m_pictures + QStringLiteral("/photo.jpg"), Qt::red));
        writeFile(m_pictures + QStringLiteral("/empty.jpg"), {});
    }

    void init()
    {
        QDir(m_targets).removeRecursively();
        QVERIFY(QDir().mkpath(m_targets));
        WindowTest::init();
        QVERIFY(main().Dir1->setPath(m_pictures));
        main().Show();
    }

    void saveDirectoryBuildsTheTargetPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("folder") << "targets"
                                << "a.jpg"
                                << "targets/a.jpg";
        QTest::newRow("root folder") << "/"
                                     << "a.jpg"
                                     << "//a.jpg";
        QTest::newRow("no name") << "targets"
                                 << ""
                                 << "targets/";
        QTest::newRow("name as typed") << "targets"
                                       << " My Copy.JPEG "
                                       << "targets/ My Copy.JPEG ";
    }

    void saveDirectoryBuildsTheTargetPath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        const QString base = m_dir.path() + QLatin1Char('/');
        if (!folder.startsWith(QLatin1Char('/'))) {
            folder.prepend(base);
            path.prepend(base);
        }
        // The folder list reads the root as its drive, which opens that drive's current folder.
        const QString workingFolder = QDir::currentPath();
        const auto restore = qScopeGuard([&workingFolder] { QDir::setCurrent(workingFolder); });
        QVERIFY(QDir::setCurrent(folder));
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        QCOMPARE(buttonColor(w.Command2), kYellow);
        QVERIFY(w.Dir1->setPath(folder));
        w.txtpic->setText(name);
        const QString settings = main().Text78->text();
        QFile::remove(settings);

        w.Command2->click();
        QCOMPARE(w.txtsave->text(), path);
        QStringList lines;
        QString error;
        QVERIFY(readDirectorySettings(settings, &lines, &error));
        QCOMPARE(lines.value(int(DirectoryLine::SavePictureFolder)), w.Dir1->path());
        QCOMPARE(buttonColor(w.Command2), QApplication::palette(w.Command2).color(QPalette::Button));
    }

    void emptyingThePathBoxAsksForSaveDirectoryAgain()
    {
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        w.Command2->click();
        const QColor cleared = buttonColor(w.Command2);
        QVERIFY(cleared != kYellow);

        w.txtsave->setFocus();
        QTest::keyClicks(w.txtsave, QStringLiteral("x"));
        QCOMPARE(buttonColor(w.Command2), cleared);
        w.txtsave->selectAll();
        QTest::keyClick(w.txtsave, Qt::Key_Backspace);
        QCOMPARE(buttonColor(w.Command2), kYellow);
    }

    void savingWithAnEmptyPathAsksForOne()
    {
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        w.lblnotice->setText(QStringLiteral("Saved"));
        m_services->expectMessage(QStringLiteral("Please select a path"), MsgAnswer::Ok, kAppTitle);

        w.cmdsavepic->click();
        QCOMPARE(m_services->boxes().size(), std::size_t{1});
        QCOMPARE(m_services->boxes().front().icon, MsgIcon::None);
        QCOMPARE(m_services->boxes().front().buttons, MsgButtons::Ok);
        QCOMPARE(w.lblnotice->text(), QStringLiteral("Saved"));
        QVERIFY(QDir(m_targets).isEmpty());
    }

    void savingCopiesTheChosenFileReplacingAnOldOne()
    {
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        const QString target = m_targets + QStringLiteral("/copy.jpg");
        writeFile(target, "an older and longer file than the new one, which is replaced without a question");
        w.txtsave->setText(target);

        w.cmdsavepic->click();
        QCOMPARE(readFile(target), m_photo);
        QCOMPARE(w.lblnotice->text(), kSaved);
        QCOMPARE(readFile(main().txtimg->text()), m_photo);
    }

    void aZeroByteFileIsCopied()
    {
        openWith(QStringLiteral("empty.jpg"));
        const QString target = m_targets + QStringLiteral("/empty copy.jpg");
        window().txtsave->setText(target);

        window().cmdsavepic->click();
        QVERIFY(QFileInfo(target).isFile());
        QCOMPARE(QFileInfo(target).size(), 0);
        QCOMPARE(window().lblnotice->text(), kSaved);
    }

    void copyOntoItselfKeepsTheFile_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("same path") << "pictures/photo.jpg";
        QTest::newRow("other spelling") << "pictures/./../pictures/photo.jpg";
    }

    void copyOntoItselfKeepsTheFile()
    {
        QFETCH(QString, spelling);
        openWith(QStringLiteral("photo.jpg"));
        window().txtsave->setText(m_dir.filePath(spelling));

        window().cmdsavepic->click();
        QCOMPARE(readFile(m_pictures + QStringLiteral("/photo.jpg")), m_photo);
        QCOMPARE(window().lblnotice->text(), kSaved);
    }

    void aFailedCopyIsTriedThreeTimesThenGivenUp_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<bool>("sourceVanished");
        // Tests run as root: only causes that stop root too.
        QTest::newRow("folder missing") << "targets/missing/copy.jpg" << false << false;
        QTest::newRow("folder is a file") << "pictures/photo.jpg/copy.jpg" << false << false;
        QTest::newRow("target is a folder") << "targets" << false << false;
        QTest::newRow("source vanished") << "targets/copy.jpg" << false << true;
        QTest::newRow("only blanks") << "   " << true << false;
        QTest::newRow("not a full path") << "copy.jpg" << true << false;
    }

    void aFailedCopyIsTriedThreeTimesThenGivenUp()
    {
        QFETCH(QString, target);
        QFETCH(bool, typed);
        QFETCH(bool, sourceVanished);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::blue);
        const QString doomed = m_pictures + QStringLiteral("/doomed.jpg");
        QVERIFY(image.save(doomed, "JPG"));
        main().File1->refresh();
        openWith(sourceVanished ? QStringLiteral("doomed.jpg") : QStringLiteral("photo.jpg"));
        QFile::remove(doomed);
        frmsavpic& w = window();
        // Left over from an earlier save: it must not pass for this one.
        w.lblnotice->setText(kSaved);
        w.txtsave->setText(typed ? target : m_dir.filePath(target));
        const QStringList before = QDir(m_targets).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        expectCopyErrors(3);

        w.cmdsavepic->click();
        QCOMPARE(m_services->boxes().size(), std::size_t{3});
        for (const auto& box : m_services->boxes()) {
            QCOMPARE(box.icon, MsgIcon::None);
            QCOMPARE(box.buttons, MsgButtons::Ok);
        }
        QVERIFY(w.lblnotice->text().isEmpty());
        QCOMPARE(QDir(m_targets).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(readFile(m_pictures + QStringLiteral("/photo.jpg")), m_photo);
        QVERIFY(!QFile::exists(QDir::current().filePath(target)));
    }

    void clickingThePictureNamesItImage1()
    {
        openWith(QStringLiteral("photo.jpg"));
        QTest::mouseClick(window().Image1, Qt::LeftButton);
        QCOMPARE(window().txtpic->text(), QStringLiteral("Image1"));
    }

    void changingTheFolderEmptiesTheNotice()
    {
        window().lblnotice->setText(QStringLiteral("Saved"));
        QVERIFY(window().Dir1->setPath(m_targets));
        QVERIFY(window().lblnotice->text().isEmpty());
    }

    void backAndTheCloseBoxReturnToTheMainWindow_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Back") << false;
        QTest::newRow("close box") << true;
    }

    void backAndTheCloseBoxReturnToTheMainWindow()
    {
        QFETCH(bool, closeBox);
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        QVERIFY(!main().isVisible());
        QVERIFY(w.Dir1->setPath(m_targets));
        w.lblnotice->setText(kSaved);
        QPointer<QLabel> notice = w.lblnotice;

        if (closeBox)
            w.close();
        else
            w.Command4->click();
        QVERIFY(main().isVisible());
        QVERIFY(!m_forms->isLoaded(QStringLiteral("frmsavpic")));
        QVERIFY(notice->text().isEmpty());
        QTRY_VERIFY(notice.isNull());

        // The next "Load" finds a fresh window: no name until a file is picked again, lists at the current folder.
        main().cmdload->click();
        frmsavpic& fresh = window();
        QVERIFY(fresh.isVisible());
        QVERIFY(fresh.txtpic->text().isEmpty());
        QVERIFY(fresh.txtsave->text().isEmpty());
        QCOMPARE(fresh.Dir1->path(), FolderList().path());
        QCOMPARE(buttonColor(fresh.Command2), kYellow);
        QVERIFY(!main().isVisible());
    }

    void exitEndsTheProgramAtOnce()
    {
        openWith(QStringLiteral("photo.jpg"));
        window().Command3->click();
        QVERIFY(m_services->programEnded());
        QVERIFY(!main().isVisible());
    }

    void ftpHandsTheChosenFileToTheFtpWindow()
    {
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        frmftp& ftp = m_forms->frmftp();
        // What an earlier visit under another kind left behind.
        control<QLineEdit>(ftp, "Text1")->setText(QStringLiteral("url"));
        control<QLineEdit>(ftp, "Text1")->hide();
        control<QLabel>(ftp, "Label2")->hide();
        control<QLineEdit>(ftp, "Text2")->setText(QStringLiteral("my link"));
        control<QLineEdit>(ftp, "Text2")->show();
        control<QLabel>(ftp, "Label3")->show();
        QVERIFY(control<FolderList>(ftp, "dirLocalDir")->setPath(m_targets));
        w.txtpic->setText(QStringLiteral("renamed.jpg"));
        w.txtsave->setText(m_targets + QStringLiteral("/renamed.jpg"));

        w.Command5->click();
        QVERIFY(ftp.isVisible());
        QVERIFY(!w.isVisible());
        QVERIFY(m_forms->isLoaded(QStringLiteral("frmsavpic")));
        QVERIFY(!main().isVisible());
        QCOMPARE(control<DriveList>(ftp, "drvLocalDrive")->drive(), main().Drive1->drive());
        QCOMPARE(control<FolderList>(ftp, "dirLocalDir")->path(), m_pictures);
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->path(), m_pictures);
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->fileName(), QStringLiteral("photo.jpg"));
        // The path box now holds the source, not the target.
        QCOMPARE(w.txtsave->text(), m_pictures + QStringLiteral("/photo.jpg"));
        // No copy was saved: the name box names the file that will be sent, not the name typed.
        QCOMPARE(control<QLineEdit>(ftp, "txtsaveftp")->text(), QStringLiteral("photo.jpg"));
        QCOMPARE(control<QLineEdit>(ftp, "Text1")->text(), QStringLiteral("img"));
        QVERIFY(control<QLineEdit>(ftp, "Text1")->isVisible());
        QVERIFY(control<QLabel>(ftp, "Label2")->isVisible());
        QVERIFY(control<QLineEdit>(ftp, "Text2")->text().isEmpty());
        QVERIFY(control<QLineEdit>(ftp, "Text2")->isHidden());
        QVERIFY(control<QLabel>(ftp, "Label3")->isHidden());
        QCOMPARE(control<QPushButton>(ftp, "Command6")->text(), QStringLiteral("Select another Picture"));
    }

    void ftpHandsOverTheCopyJustSaved()
    {
        openWith(QStringLiteral("photo.jpg"));
        frmsavpic& w = window();
        frmftp& ftp = m_forms->frmftp();
        QVERIFY(control<FolderList>(ftp, "dirLocalDir")->setPath(m_targets)); // listed before the copy exists
        w.txtsave->setText(m_targets + QStringLiteral("/renamed.jpg"));
        w.cmdsavepic->click();
        w.Command5->click();
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->path(), m_targets);
        QCOMPARE(control<FileList>(ftp, "filLocalFile")->fileName(), QStringLiteral("renamed.jpg"));
        QCOMPARE(control<QLineEdit>(ftp, "txtsaveftp")->text(), QStringLiteral("renamed.jpg"));
    }

    void savingAnotherFileOverThePublishedOneAsksFirst()
    {
        openWith(QStringLiteral("photo.jpg"));
        window().Command5->click();
        QVERIFY(main().File1->setFileName(QStringLiteral("empty.jpg")));
        m_services->expectMessage(
            QStringLiteral("\"%1/photo.jpg\" is the file you went on to publish. Replace it with \"%1/empty.jpg\"?")
                .arg(m_pictures),
            MsgAnswer::No);
        window().cmdsavepic->click();
        QCOMPARE(m_services->boxes().back().buttons, MsgButtons::YesNoDefaultNo);
        QCOMPARE(readFile(m_pictures + QStringLiteral("/photo.jpg")), m_photo);
    }
};

QTEST_MAIN(TestFrmsavpic)
#include "tst_frmsavpic.moc"
