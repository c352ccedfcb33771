// SPDX-License-Identifier: GPL-3.0-or-later
// "Keep passwords in the keyring" from the user's side, against a real keyring on a private session bus.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "platform/settings_text.h"
#include "support/keyring_session.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

class TestFrmftpKeyring : public WindowTest
{
    Q_OBJECT
    KeyringSession m_keyring;

    frmload& main() { return m_forms->frmload(); }
    frmftp& ftp() { return m_forms->frmftp(); }
    QLineEdit* box(const char* name) { return control<QLineEdit>(ftp(), name); }
    QString store() { return control<QLabel>(ftp(), "lblPasswordStore")->text(); }
    static QStringList lines(const QString& path)
    {
        QStringList read;
        QString error;
        return readSettingsLines(path, 19, &read, &error) ? read : QStringList{error};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_keyring.start(), qPrintable(m_keyring.errorString())); }

    void init()
    {
        WindowTest::init();
        main();
    }

    void passwordsLeaveTheFilesOnceChosen()
    {
        box("txtServer")->setText(u"sftp://127.0.0.1:2222"_s);
        box("txtUserName")->setText(u"ann"_s);
        box("txtPassword")->setText(u"p\u00e4ss w\u00f6rd"_s);
        main().mnusave->trigger();
        const QString settings = main().Text78->text();
        QCOMPARE(lines(settings)[6], u"p\u00e4ss w\u00f6rd"_s);
        QCOMPARE(store(), u"in the file"_s);

        auto* choice = control<QCheckBox>(ftp(), "chkKeyring");
        m_services->expectMessage(u"Move the passwords kept in ooo.lbr and oof.lbr into the keyring? The files then "
                                  u"keep an empty password line."_s,
                                  MsgAnswer::Yes);
        choice->click();
        QCOMPARE(lines(settings)[6], QString());
        QCOMPARE(store(), u"in the keyring"_s);
        QVERIFY(QSettings(m_services->programFolder() + u"/lumaport.ini"_s, QSettings::IniFormat)
                    .value(u"Passwords/InKeyring"_s)
                    .toBool());

        // The next run reads the empty line and finds the password in the keyring.
        m_forms = makeForms(*m_services, &m_transfer);
        main();
        QCOMPARE(box("txtPassword")->text(), u"p\u00e4ss w\u00f6rd"_s);

        // A profile's "Save" keeps a new password out of its file; "Open" brings it back.
        box("txtPassword")->setText(u"other"_s);
        const QString profile = m_services->programFolder() + u"/ann.lbx"_s;
        m_services->expectSaveDialog(profile);
        control<QPushButton>(ftp(), "cmdsave")->click();
        QCOMPARE(lines(profile)[2], QString());
        control<QPushButton>(ftp(), "Command8")->click();
        m_services->expectOpenDialog(profile);
        control<QPushButton>(ftp(), "cmdopen")->click();
        QCOMPARE(box("txtPassword")->text(), u"other"_s);

        // Turned off, the settings file gets the password the keyring keeps for it back.
        control<QCheckBox>(ftp(), "chkKeyring")->click();
        QCOMPARE(lines(settings)[6], u"other"_s);
        QCOMPARE(store(), u"in the file"_s);
    }

    // Last: the keyring is gone for good.
    void withoutKeyringTheFileKeepsThePassword()
    {
        control<QCheckBox>(ftp(), "chkKeyring")->click();
        box("txtPassword")->setText(u"kept"_s);
        m_keyring.stopKeyring();
        m_services->answerEveryBox();
        for (int save = 0; save < 2; ++save) {
            main().mnusave->trigger();
            QCOMPARE(lines(main().Text78->text())[6], u"kept"_s);
        }
        QCOMPARE(m_services->boxes().size(), 1u);
        QVERIFY(m_services->boxes().front().text.startsWith(u"No keyring answers"_s));
        QCOMPARE(store(), u"in the file"_s);
    }
};

QTEST_MAIN(TestFrmftpKeyring)
#include "tst_frm_ftp_keyring.moc"
