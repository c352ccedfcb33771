// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file as the windows apply it, the FTP window's link builders, server profiles and ways out.
#include "ftp/frm_ftp.h"
#include "ftp/ftp_window_probe.h"
#include "main_window/frm_load.h"
#include "platform/drive_list.h"
#include "platform/file_list.h"
#include "platform/folder_list.h"
#include "save_picture/frm_savpic.h"
#include "support/test_files.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
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
    QString setting(int line) { return QString::fromUtf8(readFile(main().Text78->text())).split(u"\r\n"_s)[line]; }

    QStringList fields()
    {
        QStringList texts{main().Dir1->path(), main().Drive1->drive(), m_forms->frmsavpic().Dir1->path(),
                          m_forms->frmsavpic().Drive1->drive()};
        for (const char* name : {"txtServer", "txtUserName", "txtPassword", "txturl1", "txturl2", "txtname", "Text2",
                                 "txtpermurl", "Text3"})
            texts.append(box(name)->text());
        for (const OptionButton* kind :
             {main().Option1, main().Option2, main().Option3, main().Option4, main().Option5, main().Option6})
            texts.append(kind->isChecked() ? u"1"_s : u"0"_s);
        return texts;
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
        const std::pair<const char*, QString> typed[] = {{"txtServer", u"127.0.0.1:2121"_s},
                                                         {"txtUserName", u"me"_s},
                                                         {"txtPassword", u"pässword"_s},
                                                         {"txturl1", u"[url="_s},
                                                         {"txtname", u"ex.com/a b/"_s},
                                                         {"Text2", u"My link"_s},
                                                         {"Text3", u"ex.com"_s},
                                                         {"txtpermurl", u"ex.com/x/"_s}};
        for (const auto& [name, text] : typed)
            box(name)->setText(text);
        main().mnusave->trigger();
        QStringList expected = fields();
        expected[7] = u"[url]"_s;    // the ZIP line puts "url" into the keyword, which rebuilds the tags
        expected[11] = u"ex.com/"_s; // the typed server name rewrites the permanent address
        m_forms = makeForms(*m_services, &m_transfer);
        QCOMPARE(fields(), expected);
        QVERIFY(!main().cmdftp->isHidden() && main().txtimg->text().isEmpty());
    }

    void kindLines()
    {
        const std::pair<QStringList, QString> cases[] = {{{u"False"_s, u"maybe"_s}, u"010000"_s},
                                                         {{}, u"000000"_s},
                                                         {{u"0"_s, u"0"_s, u"0"_s, u"true"_s}, u"000100"_s}};
        for (const auto& [kinds, checked] : cases) {
            QStringList lines(19);
            for (int line : {10, 11, 12, 13, 17, 18})
                lines[line] = kinds.value(line < 17 ? line - 10 : line - 13, u"False"_s);
            writeFile(m_services->programFolder() + u"/ooo.lbr"_s, lines.join(u"\r\n"_s).toUtf8());
            main().Command2->click();
            QCOMPARE(fields().mid(13).join(QString()), checked);
        }
        QCOMPARE(box("Text1")->text(), u"url"_s);
    }

    void aFailedSaveSaysSoAndKeepsTheOldFile()
    {
        const QString folder = m_dir.filePath(u"ro"_s), path = folder + u"/ooo.lbr"_s;
        QVERIFY(QDir().mkdir(folder) && QFile::setPermissions(m_dir.path(), QFile::Permissions(0x7755)));
        writeFile(path, "old\r\n");
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
        main().LoadDirectories(path);
        m_services->answerEveryBox();
        AsAnotherUser other;
        press("Command4");
        main().mnuexit->trigger();
        QCOMPARE(m_services->boxes().size(), std::size_t{2});
        QVERIFY(m_services->boxes()[1].text.startsWith(u"Cannot write \"%1\": "_s.arg(path)));
        QCOMPARE(statusText(ftp()), u"Not Connected"_s);
        QVERIFY(m_services->programEnded());
        QCOMPARE(readFile(path), "old\r\n");
    }

    void profiles()
    {
        const QString path = m_dir.filePath(u"home.lbx"_s);
        const QStringList saved{u"ftp.ex.com"_s, u"me"_s, u"pw"_s, u"ex.com/a/"_s, u"ex.com/pics/"_s, u"ex.com"_s};
        const char* names[] = {"txtServer", "txtUserName", "txtPassword", "txtname", "txtpermurl", "Text3"};
        auto shown = [&] {
            QStringList texts;
            for (const char* name : names)
                texts.append(box(name)->text());
            return texts;
        };
        for (int i : {5, 0, 1, 2, 3, 4})
            box(names[i])->setText(saved[i]);
        m_services->expectSaveDialog(path);
        press("cmdsave");
        QCOMPARE(m_services->boxes().back().text, u"Settings(*.lbx)|*.lbx"_s);
        QCOMPARE(m_services->boxes().back().title, m_services->programFolder());
        QCOMPARE(statusText(ftp()) + statusFrame(ftp()), u"Server Information SavedSystem Status"_s);
        press("Command8");
        QCOMPARE(shown(), (QStringList{u""_s, u""_s, u""_s, u""_s, u"/"_s, u""_s}));
        m_services->expectOpenDialog(path);
        press("cmdopen");
        QCOMPARE(box("txtpermurl")->text(), u"ex.com/"_s); // the loaded server name rewrote it
        m_services->expectOpenDialog(path);
        press("cmdopen");
        QCOMPARE(shown(), saved);
        QCOMPARE(statusText(ftp()), u"Server Info Loaded"_s);

        writeFile(m_services->programFolder() + u"/oof.lbr"_s, "s\r\nu\r\np\r\nn/\r\nperm/\r\n");
        box("Text3")->setText(u"kept"_s);
        press("Command7");
        QCOMPARE(shown(), (QStringList{u"s"_s, u"u"_s, u"p"_s, u"n/"_s, u"perm/"_s, u"kept"_s}));
        m_services->expectSaveDialog({});
        m_services->expectMessage(u"Please select a file first."_s, MsgAnswer::Ok, kAppTitle);
        press("cmdsave");
    }

    void linkBuilders()
    {
        const std::pair<const char*, QString> typed[] = {
            {"txtServer", u"ftp.ex.com"_s},      {"txtPassword", u"pw"_s}, {"Text3", u"ex.com"_s},
            {"txtsaveftp", u"my photo é.jpg"_s}, {"Text1", u"url"_s},      {"Text2", u"Link"_s}};
        for (const auto& [name, text] : typed)
            box(name)->setText(text);
        transfer().script(FakeTransfer::completes(u"pics/\r\nein bild ü.gif\r\n"_s));
        press("cmdLogOn");
        QListWidget* list = control<QListWidget>(ftp(), "lstRemoteFile");
        press("cmdURL");
        QCOMPARE(box("txtURL")->text(), u"http://ex.com/my%20photo%20%C3%A9.jpg"_s);
        box("txtfolder")->setText(u"a b/"_s);
        box("txtserverurl")->setText(u"ex.com/a b/"_s);
        press("Command3");
        QCOMPARE(box("txtURL")->text(), u"[url=http://ex.com/a%20b/my%20photo%20%C3%A9.jpg]Link[/url]"_s);
        QCOMPARE(box("txturl1")->text() + ftp().windowTitle() + setting(9), u"[url=FTP-ex.com/a b/ex.com/a b/"_s);
        box("Text1")->setText(u"img"_s);
        QVERIFY(box("Text2")->text().isEmpty() && box("Text2")->isVisibleTo(&ftp()));
        list->setCurrentRow(1);
        press("Command9");
        QCOMPARE(box("txtURL")->text(), u"[img]http://ex.com/a%20b/ein%20bild%20%C3%BC.gif[/img]"_s);
        QVERIFY(box("txtsaveftp")->text().isEmpty() && !control(ftp(), "cmdsend")->isEnabled());
        list->setCurrentRow(0);
        press("Command10");
        QCOMPARE(box("txtURL")->text() + box("txtfile")->text(), u"http://ex.com/a%20b/pics/pics/"_s);
        press("Command5");
        QCOMPARE(m_services->clipboardText(), u"http://ex.com/a%20b/pics/"_s);
        QCOMPARE(statusText(ftp()) + statusFrame(ftp()), u"CopiedSystem Status"_s);
    }

    void waysOut()
    {
        ftp().Show();
        press("Command1");
        QVERIFY(main().isVisible() && !ftp().isVisible());
        press("Command2");
        QVERIFY(m_services->programEnded());
        QCOMPARE(setting(11), u"True"_s);
    }
};

QTEST_MAIN(TestFrmftpPublish)
#include "tst_frmftp_publish.moc"
