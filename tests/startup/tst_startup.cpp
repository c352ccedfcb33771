// SPDX-License-Identifier: GPL-3.0-or-later
// Program start, the splash window and the window registry's life cycle.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "platform/version_line.h"
#include "preview/frm_preview.h"
#include "save_picture/frm_savpic.h"
#include "startup/app.h"
#include "startup/forms.h"
#include "startup/frm_about.h"
#include "startup/frm_splash.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "version.h"
#include "widgets/qt_services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace lumaport;
using lumaport::test::ScriptedServices;

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionLine_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("line");
        QTest::newRow("this program") << 1 << 0 << 12 << "Version 1.0.12";
        QTest::newRow("no zero fill") << 2 << 10 << 3 << "Version 2.10.3";
        QTest::newRow("all zero") << 0 << 0 << 0 << "Version 0.0.0";
    }
    void versionLine()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, line);
        QCOMPARE(lumaport::versionLine(major, minor, revision), line);
    }

    void versionRecordIsTheProgramsOwn()
    {
        QCOMPARE(version::kMajor, 1);
        QCOMPARE(version::kMinor, 0);
        QCOMPARE(version::kBuild, 0);
        QCOMPARE(version::kRevision, 12);
    }

    void splashOpensTheMainWindowOnce()
    {
        ScriptedServices services;
        const auto owner = lumaport::test::makeForms(services);
        Forms& forms = *owner;
        startProgram(forms);
        QVERIFY(forms.isLoaded(QStringLiteral("frmSplash")));
        QCOMPARE(forms.frmSplash().lblversion->text(), QStringLiteral("Version 1.0.12"));
        QVERIFY(forms.frmSplash().isVisible());
        QPointer<QWidget> splash = &forms.frmSplash();

        // The main window's load runs at the tick, not at start.
        QVERIFY(!forms.isLoaded(QStringLiteral("frmload")));
        services.clock().advance(1999);
        QVERIFY(!forms.isLoaded(QStringLiteral("frmload")));
        services.clock().advance(1);
        QVERIFY(forms.isLoaded(QStringLiteral("frmload")));
        QVERIFY(forms.frmload().isVisible());
        QVERIFY(!forms.isLoaded(QStringLiteral("frmSplash")));
        QTRY_VERIFY(splash.isNull());
        QCOMPARE(services.boxes().size(), std::size_t(0));
    }

    void fileGivenAtStartIsChosenInTheMainWindow()
    {
        ScriptedServices services;
        const auto owner = lumaport::test::makeForms(services);
        const QString picture = lumaport::test::writeFile(services.programFolder() + QStringLiteral("/given.bmp"));
        startProgram(*owner, {picture});
        services.clock().advance(2000);
        QCOMPARE(owner->frmload().txtimg->text(), picture);
        QVERIFY(owner->frmload().Option3->isChecked());
    }

    void unloadForgetsAndTheNextReferenceStartsAfresh()
    {
        ScriptedServices services;
        const auto owner = lumaport::test::makeForms(services);
        Forms& forms = *owner;
        frmPreview& first = forms.frmPreview();
        first.setWindowTitle(QStringLiteral("changed"));
        first.Show();
        QPointer<QWidget> old = &first;
        first.unload();
        QVERIFY(!forms.isLoaded(QStringLiteral("frmPreview")));
        QVERIFY(!old->isVisible());
        QCOMPARE(forms.frmPreview().windowTitle(), QStringLiteral("Preview"));
        QVERIFY(!forms.frmPreview().isVisible());
        QTRY_VERIFY(old.isNull());
    }

    // Screen readers name a text box by its label; automation finds every control by its name.
    void everyControlIsNamedForToolsAndReaders()
    {
        ScriptedServices services;
        const auto owner = lumaport::test::makeForms(services);
        Forms& forms = *owner;
        ObjectNameAccessibility names;
        qApp->installEventFilter(&names);
        const QList<Form*> windows = {&forms.frmSplash(), &forms.frmload(),  &forms.frmsavpic(),
                                      &forms.frmftp(),    &forms.frmAbout(), &forms.frmPreview()};
        for (Form* window : windows)
            window->Show();
        QCoreApplication::processEvents();
        qApp->removeEventFilter(&names);
        for (Form* window : windows) {
            for (QWidget* control : window->findChildren<QWidget*>()) {
                if (control->objectName().isEmpty() || control->objectName().startsWith(QLatin1String("qt_")))
                    continue;
                QCOMPARE(control->accessibleDescription(), control->objectName());
            }
            for (const QLineEdit* box : window->findChildren<QLineEdit*>()) {
                if (!box->objectName().isEmpty())
                    QVERIFY2(!box->accessibleName().isEmpty(),
                             qPrintable(window->objectName() + QLatin1Char('.') + box->objectName()));
            }
        }
    }

    void closingTheMainWindowEndsTheProgram()
    {
        ScriptedServices services;
        const auto owner = lumaport::test::makeForms(services);
        Forms& forms = *owner;
        forms.frmload().Show();
        forms.frmload().close();
        QVERIFY(services.programEnded());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
