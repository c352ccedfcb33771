// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard of a virtual X server, read by another program after the copy has ended.
#include "platform/lasting_clipboard.h"

#include <QProcess>
#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TestLastingClipboard : public QObject
{
    Q_OBJECT
    QProcess m_server;

private Q_SLOTS:
    void theTextStaysAfterTheCopyEnded()
    {
        qunsetenv("WAYLAND_DISPLAY");
        m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_server.canReadLine(), 10000);
        qputenv("DISPLAY", ":" + m_server.readLine().trimmed());
        const ClipboardCopy copy = copyLasting(u"https://example.com/ä.png"_s);
        QVERIFY2(copy.copied && copy.lasting, qPrintable(copy.why));
        QProcess reader;
        reader.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-o"_s});
        QVERIFY(reader.waitForFinished());
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), u"https://example.com/ä.png"_s);
    }

    // xclip's server ends with the display.
    void cleanupTestCase() { m_server.terminate(), m_server.waitForFinished(); }
};

QTEST_GUILESS_MAIN(TestLastingClipboard)
#include "tst_lasting_clipboard.moc"
