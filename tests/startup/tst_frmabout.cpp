// SPDX-License-Identifier: GPL-3.0-or-later
// The about window: its two web pages, and closing that only hides it.
#include "main_window/frm_load.h"
#include "startup/forms.h"
#include "startup/frm_about.h"
#include "support/scripted_services.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

class TestFrmAbout : public WindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        m_forms->frmload().Show();
    }

    void eachPressOpensItsPage()
    {
        m_forms->frmload().mnuabout->trigger();
        frmAbout& w = m_forms->frmAbout();
        w.Command3->click();
        w.Command1->click();
        w.Command3->click();

        const QStringList opened = m_services->openedUrls();
        QCOMPARE(opened.size(), 3);
        QCOMPARE(opened[0], opened[2]);
        const QUrl website(opened[0]);
        const QUrl donate(opened[1]);
        QCOMPARE(website.scheme(), QStringLiteral("http"));
        QVERIFY(website.host().endsWith(QStringLiteral(".example")));
        QVERIFY(website.path().isEmpty());
        QCOMPARE(donate.scheme(), QStringLiteral("http"));
        QVERIFY(donate.host().endsWith(QStringLiteral(".example")));
        QCOMPARE(donate.path(), QStringLiteral("/Lumaport.htm"));
        QVERIFY(w.isVisible());
    }

    void closingOnlyHidesIt_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Close") << false;
        QTest::newRow("close box") << true;
    }

    void closingOnlyHidesIt()
    {
        QFETCH(bool, closeBox);
        frmload& main = m_forms->frmload();
        main.mnuabout->trigger();
        frmAbout* shown = &m_forms->frmAbout();
        QVERIFY(shown->isVisible());

        if (closeBox)
            shown->close();
        else
            shown->Command2->click();
        QVERIFY(!shown->isVisible());
        QVERIFY(m_forms->isLoaded(QStringLiteral("frmAbout")));
        QVERIFY(main.isVisible());

        main.mnuabout->trigger();
        QCOMPARE(&m_forms->frmAbout(), shown);
        QVERIFY(shown->isVisible());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
