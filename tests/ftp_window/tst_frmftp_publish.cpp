// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as the windows apply it, failed saves, server profiles and the FTP window's link builders.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "main_window/frm_load.h"
#include "save_picture/frm_savpic.h"
#include "support/test_files.h"
#include "widgets/address_box.h"
#include "widgets/folder_list.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTemporaryDir>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestFrmftpPublish : public WindowTest
{
    Q_OBJECT
    QTemporaryDir m_dir;

    frmload& main() { return m_forms->frmload(); }
    frmftp& ftp() { return m_forms->frmftp(); }
    QLineEdit* box(const char* name) { return control<QLineEdit>(ftp(), name); }
    void press(const char* name) { control<QPushButton>(ftp(), name)->click(); }
    // Box names and texts, in turn.
    void type(const QStringList& typed)
    {
        for (qsizetype i = 0; i < typed.size(); i += 2)
            ftp().findChild<QLineEdit*>(typed[i])->setText(typed[i + 1]);
    }
    QStringList texts(std::initializer_list<const char*> names)
    {
        QStringList texts;
        for (const char* name : names)
            texts.append(box(name)->text());
        return texts;
    }
    // "Save Directories", then the lines written.
    QStringList saved()
    {
        main().mnusave->trigger();
        return QString::fromUtf8(readFile(main().Text78->text())).split(u"\r\n"_s);
    }

private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        main();
    }

    void settingsComeBackAsTheChangeRulesLeaveThem()
    {
        main().Option4->click();
        QVERIFY(main().Dir1->setPath(m_dir.path()) && m_forms->frmsavpic().Dir1->setPath(QDir::tempPath()));
        type({u"txtServer"_s, u"127.0.0.1:2121"_s, u"txtPassword"_s, u"pässword"_s, u"txturl1"_s, u"[url="_s,
              u"txtname"_s, u"ex.com/a b/"_s, u"Text2"_s, u"My link"_s, u"Text3"_s, u"ex.com"_s, u"txtpermurl"_s,
              u"x/"_s});
        QStringList expected = saved();
        expected[7] = u"[url]"_s;    // the ZIP line puts "url" into the keyword, which rebuilds the tags
        expected[15] = u"ex.com/"_s; // the server name rewrites the permanent address
        m_forms = makeForms(*m_services, &m_transfer);
        QCOMPARE(saved(), expected);
        QVERIFY(!main().cmdftp->isHidden() && main().txtimg->text().isEmpty() && box("Text1")->text() == u"url");

        // A kind line that is no Boolean leaves its option as it is; all False leave none selected.
        QStringList lines(19, u"False"_s);
        lines[13] = u"maybe"_s;
        for (const int selected : {13, -1}) {
            writeFile(main().Text78->text(), lines.join(u"\r\n"_s).toUtf8());
            main().Command2->click();
            QCOMPARE(saved().indexOf(u"True"_s), selected);
            lines[13] = u"0"_s;
        }
    }

    void aFailedSaveSaysSoKeepsTheOldFileAndExitStillEnds()
    {
        const QString folder = m_dir.filePath(u"ro"_s), path = folder + u"/ooo.lbr"_s;
        QVERIFY(QDir().mkdir(folder) && QFile::setPermissions(m_dir.path(), QFile::Permissions(0x7755)));
        writeFile(path, "old\r\n");
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        m_forms->session().readSettings(path);
        m_services->answerEveryBox();
        AsAnotherUser other;
        press("Command4");
        QCOMPARE(statusText(ftp()), u"Not Connected"_s);
        press("Command2");
        QCOMPARE(m_services->boxes().size(), std::size_t{2});
        QVERIFY(m_services->boxes()[1].text.startsWith(u"Cannot write \"%1\": "_s.arg(path)));
        QVERIFY(m_services->programEnded());
        QCOMPARE(readFile(path), "old\r\n");
    }

    void pictureChoicesAreOffAtFirstAndComeBackInTheNextRun()
    {
        const char* const checks[] = {"chkRemoveMetadata", "chkFitLimit", "chkThumbnail"};
        for (const char* name : checks) {
            QVERIFY(!control<QCheckBox>(ftp(), name)->isChecked());
            control<QCheckBox>(ftp(), name)->setChecked(true);
        }
        QVERIFY(!ftp().findChild<QAction*>(u"mnuSendAsWebp"_s)->isChecked());
        ftp().findChild<QAction*>(u"mnuSendAsWebp"_s)->setChecked(true);
        control<QSpinBox>(ftp(), "spnFitKilobytes")->setValue(100);
        m_forms = makeForms(*m_services, &m_transfer);
        for (const char* name : checks)
            QVERIFY(control<QCheckBox>(ftp(), name)->isChecked());
        QVERIFY(ftp().findChild<QAction*>(u"mnuSendAsWebp"_s)->isChecked());
        QCOMPARE(control<QSpinBox>(ftp(), "spnFitKilobytes")->value(), 100);
        QCOMPARE(control<QSpinBox>(ftp(), "spnThumbnailSide")->value(), 350);
    }

    void profiles()
    {
        const QString path = m_dir.filePath(u"home.lbx"_s);
        const auto profileBoxes = {"txtServer", "txtUserName", "txtPassword", "txtname", "txtpermurl", "Text3"};
        type({u"Text3"_s, u"ex.com"_s, u"txtServer"_s, u"ftp.ex.com"_s, u"txtUserName"_s, u"me"_s, u"txtPassword"_s,
              u"pw"_s, u"txtname"_s, u"ex.com/a/"_s, u"txtpermurl"_s, u"ex.com/pics/"_s});
        QStringList saved = texts(profileBoxes);
        m_services->expectSaveDialog(path);
        press("cmdsave");
        QCOMPARE(m_services->boxes().back().text + m_services->boxes().back().title,
                 u"Settings(*.lbx)|*.lbx"_s + m_services->programFolder());
        QCOMPARE(statusText(ftp()) + statusFrame(ftp()), u"Server Information SavedSystem Status"_s);
        press("Command8");
        m_services->expectOpenDialog(path);
        press("cmdopen");
        saved[4] = u"ex.com/"_s; // the loaded server name differs from the cleared one and rewrites it
        QCOMPARE(texts(profileBoxes), saved);
        QCOMPARE(statusText(ftp()), u"Server Info Loaded"_s);

        QVERIFY(m_forms->session().saveSettings()); // the settings file holds other server lines
        writeFile(m_services->programFolder() + u"/oof.lbr"_s, "s\r\nu\r\np\r\nn/\r\nperm/\r\n");
        press("Command7");
        QCOMPARE(texts(profileBoxes), (QStringList{u"s"_s, u"u"_s, u"p"_s, u"n/"_s, u"perm/"_s, u"ex.com"_s}));
    }

    // The rest of the road, against real servers, is in tst_publish_road.
    void linkBuilders()
    {
        type({u"txtServer"_s, u"ftp.ex.com"_s, u"txtPassword"_s, u"pw"_s, u"Text3"_s, u"ex.com"_s, u"txtsaveftp"_s,
              u"a.zip"_s, u"Text1"_s, u"url"_s, u"Text2"_s, u"Link"_s});
        transfer().script(FakeTransfer::completes(u"pics/\r\nein bild ü.gif\r\n"_s));
        press("cmdLogOn");
        waitUntilIdle(ftp());
        press("Command3");
        QCOMPARE(control<AddressBox>(ftp(), "txtURL")->text() + box("txturl1")->text() + ftp().windowTitle(),
                 u"[url=http://ex.com/a.zip]Link[/url][url=FTP-ex.com/"_s);
        box("Text1")->setText(u"img"_s);
        control<QListWidget>(ftp(), "lstRemoteFile")->setCurrentRow(1);
        press("Command9");
        QCOMPARE(control<AddressBox>(ftp(), "txtURL")->text(), u"[img]http://ex.com/ein%20bild%20%C3%BC.gif[/img]"_s);
        press("cmdURL"); // the file handed over was replaced by the selected one
        press("Command5");
        QCOMPARE(m_services->clipboardText() + statusText(ftp()) + statusFrame(ftp()),
                 u"http://ex.com/CopiedSystem Status"_s);
    }
};

QTEST_MAIN(TestFrmftpPublish)
#include "tst_frmftp_publish.moc"
