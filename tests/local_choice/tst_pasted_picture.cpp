// SPDX-License-Identifier: GPL-3.0-or-later
#include "local_choice/pasted_picture.h"

#include <QTest>

using namespace lumaport;

class TstPastedPicture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The name a pasted picture is saved under, and the next one tried while a name is taken.
    void pastedPictureNames()
    {
        const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
        QCOMPARE(pastedPictureName(when), QStringLiteral("Pasted 2026-01-02 03-04-05.png"));
        QCOMPARE(pastedPictureName(when, 2), QStringLiteral("Pasted 2026-01-02 03-04-05 (2).png"));
    }
};

QTEST_GUILESS_MAIN(TstPastedPicture)
#include "tst_pasted_picture.moc"
