// SPDX-License-Identifier: GPL-3.0-or-later
// The preview window: one picture load per start of its timer, errors keep the picture shown.
#include "platform/picture_box.h"
#include "platform/timer.h"
#include "preview/frm_preview.h"
#include "startup/forms.h"
#include "support/scripted_services.h"
#include "support/window_fixture.h"

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace lumaport;
using lumaport::test::ScriptedServices;

namespace {

// Ticks come 500 ms after a start; this leaves room for a busy machine.
constexpr int kTickTimeout = 10000;

} // namespace

class TestFrmPreview : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    std::unique_ptr<ScriptedServices> m_services;
    std::unique_ptr<Forms> m_forms;

    QString path(const QString& name) const { return m_files.filePath(name); }
    frmPreview& window() { return m_forms->frmPreview(); }

    void writePicture(const QString& name, Qt::GlobalColor color)
    {
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(color);
        QVERIFY(image.save(path(name), "JPG"));
    }
    void writeBytes(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    QByteArray readBytes(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Starts the timer the way the download does, and waits for its one tick.
    void loadFrom(const QString& picturePath)
    {
        frmPreview& w = window();
        QSignalSpy ticks(w.Timer1, &Timer::timer);
        w.txtimg->setText(picturePath);
        w.Timer1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, kTickTimeout);
        QVERIFY(!w.Timer1->enabled());
    }

private Q_SLOTS:
    void initTestCase()
    {
        writePicture(QStringLiteral("red.jpg"), Qt::red);
        writePicture(QStringLiteral("blue.jpg"), Qt::blue);
        writeBytes(QStringLiteral("archive.zip"), QByteArray("PK\x03\x04 not a picture", 22));
        const QByteArray whole = readBytes(QStringLiteral("blue.jpg"));
        writeBytes(QStringLiteral("arriving.jpg"), whole.left(whole.size() / 2));
    }

    void init()
    {
        m_services = std::make_unique<ScriptedServices>();
        m_forms = lumaport::test::makeForms(*m_services);
    }

    void cleanup()
    {
        QCOMPARE(m_services->pendingExpectations(), 0);
        m_forms.reset();
        m_services.reset();
    }

    void aNewWindowLoadsOnceAtBoxSize()
    {
        frmPreview& w = window();
        QVERIFY(w.Timer1->enabled());
        QCOMPARE(w.Timer1->interval(), 500);
        QSignalSpy ticks(w.Timer1, &Timer::timer);
        // Set right after creation, as the download does, before the first tick.
        w.txtimg->setText(path(QStringLiteral("red.jpg")));

        QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, kTickTimeout);
        QVERIFY(!w.Timer1->enabled());
        QVERIFY(!w.isVisible());
        const QImage shown = w.Image1->picture().toImage();
        QCOMPARE(shown.size(), w.Image1->size());
        QVERIFY(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)).red() > 200);
    }

    void aFailedLoadKeepsThePicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << "missing.jpg";
        QTest::newRow("not a picture") << "archive.zip";
        QTest::newRow("still arriving") << "arriving.jpg";
        QTest::newRow("a folder") << ".";
    }

    void aFailedLoadKeepsThePicture()
    {
        QFETCH(QString, name);
        loadFrom(path(QStringLiteral("red.jpg")));
        const qint64 before = window().Image1->picture().cacheKey();

        loadFrom(path(name));
        QCOMPARE(window().Image1->picture().cacheKey(), before);
        QVERIFY(m_services->boxes().empty());
    }

    void theNextStartRetriesAPictureThatArrivedMeanwhile()
    {
        loadFrom(path(QStringLiteral("arriving.jpg")));
        QVERIFY(window().Image1->picture().isNull());
        writeBytes(QStringLiteral("arriving.jpg"), readBytes(QStringLiteral("blue.jpg")));

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
        QTimer poll;
        connect(&poll, &QTimer::timeout, w.Timer1, [&w] { w.Timer1->setEnabled(true); });
        poll.start(100);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, kTickTimeout);
        poll.stop();
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
        QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, kTickTimeout);
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
