// SPDX-License-Identifier: GPL-3.0-or-later
// The preview window: one picture load per start of its timer; what can't be loaded shows the placeholder.
#include "platform/picture_file.h"
#include "platform/timer.h"
#include "preview/frm_preview.h"
#include "startup/forms.h"
#include "support/scripted_services.h"
#include "support/test_files.h"
#include "support/window_fixture.h"
#include "widgets/picture_box.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

class TestFrmPreview : public WindowTest
{
    Q_OBJECT

    QTemporaryDir m_files;

    QString path(const QString& name) const { return m_files.filePath(name); }
    frmPreview& window() { return m_forms->frmPreview(); }

    // Starts the timer the way the download does, and waits for its one tick.
    void loadFrom(const QString& picturePath)
    {
        frmPreview& w = window();
        QSignalSpy ticks(w.Timer1, &Timer::timer);
        w.txtimg->setText(picturePath);
        w.Timer1->setEnabled(true);
        m_services->clock().advance(499);
        QCOMPARE(ticks.count(), 0);
        m_services->clock().advance(1);
        QCOMPARE(ticks.count(), 1);
        QVERIFY(!w.Timer1->enabled());
    }

    bool showsPlaceholder()
    {
        const QImage placeholder = loadPlaceholder(m_services->programFolder(), window().Image1->size());
        return !placeholder.isNull() &&
               window().Image1->picture().toImage() == QPixmap::fromImage(placeholder).toImage();
    }

private Q_SLOTS:
    void initTestCase()
    {
        writePicture(path(QStringLiteral("red.jpg")), Qt::red);
        writePicture(path(QStringLiteral("blue.jpg")), Qt::blue);
        writeFile(path(QStringLiteral("archive.zip")), "PK\x03\x04 not a picture");
        const QByteArray whole = readFile(path(QStringLiteral("blue.jpg")));
        writeFile(path(QStringLiteral("arriving.jpg")), whole.left(whole.size() / 2));
    }

    void aNewWindowLoadsOnceAtBoxSize()
    {
        frmPreview& w = window();
        QVERIFY(w.Timer1->enabled());
        QCOMPARE(w.Timer1->interval(), 500);
        QSignalSpy ticks(w.Timer1, &Timer::timer);
        // Set right after creation, as the download does, before the first tick.
        w.txtimg->setText(path(QStringLiteral("red.jpg")));

        m_services->clock().advance(500);
        QCOMPARE(ticks.count(), 1);
        QVERIFY(!w.Timer1->enabled());
        QVERIFY(!w.isVisible());
        const QImage shown = w.Image1->picture().toImage();
        QCOMPARE(shown.size(), w.Image1->size());
        QVERIFY(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)).red() > 200);
    }

    void aFailedLoadShowsThePlaceholder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.jpg";
        QTest::newRow("not a picture") << "archive.zip";
        QTest::newRow("still arriving") << "arriving.jpg";
        QTest::newRow("a folder") << ".";
    }

    void aFailedLoadShowsThePlaceholder()
    {
        QFETCH(QString, name);
        loadFrom(path(QStringLiteral("red.jpg")));

        loadFrom(path(name));
        QVERIFY(showsPlaceholder());
        QVERIFY(m_services->boxes().empty());
    }

    void theNextStartRetriesAPictureThatArrivedMeanwhile()
    {
        loadFrom(path(QStringLiteral("arriving.jpg")));
        QVERIFY(showsPlaceholder());
        writeFile(path(QStringLiteral("arriving.jpg")), readFile(path(QStringLiteral("blue.jpg"))));

        loadFrom(path(QStringLiteral("arriving.jpg")));
        QVERIFY(!window().Image1->picture().isNull());
    }

    void anEmptyPathClearsThePicture()
    {
        loadFrom(path(QStringLiteral("red.jpg")));
        QVERIFY(!window().Image1->picture().isNull());
        loadFrom(QString());
        QVERIFY(window().Image1->picture().isNull());
    }

    void enablingAgainDoesNotPostponeTheLoad()
    {
        frmPreview& w = window();
        QSignalSpy ticks(w.Timer1, &Timer::timer);
        w.txtimg->setText(path(QStringLiteral("blue.jpg")));
        // The download enables the timer on every poll; were that a restart, no tick would ever come.
        for (int elapsed = 0; elapsed < 600; elapsed += 100) {
            w.Timer1->setEnabled(true);
            m_services->clock().advance(100);
        }
        QCOMPARE(ticks.count(), 1);
        QVERIFY(!w.Image1->picture().isNull());
    }

    void closeUnloadsAndTheNextWindowStartsEmpty()
    {
        loadFrom(path(QStringLiteral("red.jpg")));
        frmPreview* old = &window();
        old->Show();
        old->cmdsave->click();
        QVERIFY(!m_forms->isLoaded(QStringLiteral("frmPreview")));

        frmPreview& fresh = window();
        QVERIFY(&fresh != old);
        QVERIFY(fresh.txtimg->text().isEmpty());
        QSignalSpy ticks(fresh.Timer1, &Timer::timer);
        m_services->clock().advance(500);
        QCOMPARE(ticks.count(), 1);
        QVERIFY(fresh.Image1->picture().isNull());
    }

    void resizingKeepsTheControlsInPlace()
    {
        frmPreview& w = window();
        w.Show();
        const QRect image = w.Image1->geometry();
        const QRect button = w.cmdsave->geometry();
        const QSize larger = w.size() + QSize(200, 150);
        w.resize(larger);
        QTRY_COMPARE(w.size(), larger);
        QCOMPARE(w.Image1->geometry(), image);
        QCOMPARE(w.cmdsave->geometry(), button);
    }
};

QTEST_MAIN(TestFrmPreview)
#include "tst_frmpreview.moc"
