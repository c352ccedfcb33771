// SPDX-License-Identifier: GPL-3.0-or-later
// What the FTP window's progress bar says while a file moves.
#include "transfer/transfer_rules.h"

#include <QTest>

using namespace lumaport;
using namespace Qt::StringLiterals;

class TstTransferRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void progressTexts()
    {
        const QLocale c = QLocale::c();
        QCOMPARE(transferProgressText(512LL << 20, 1LL << 30, 2000, c), u"50%, 512.0 MB of 1.0 GB, 256.0 MB/s"_s);
        QCOMPARE(transferProgressText(2048, -1, 1000, c), u"2.0 kB, 2.0 kB/s"_s); // size unknown: no percent
        QCOMPARE(transferProgressText(0, 10, 0, c), u"0%, 0 bytes of 10 bytes"_s);
        QCOMPARE(transferProgressText(0, 0, 5, c), u"100%, 0 bytes of 0 bytes, 0 bytes/s"_s);
    }
};

QTEST_GUILESS_MAIN(TstTransferRules)
#include "tst_transfer_rules.moc"
