// SPDX-License-Identifier: GPL-3.0-or-later
// Listing replies to remote list entries.
#include "transfer/listing_entries.h"

#include <QTest>

using namespace lumaport;

class TestListingEntries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entries_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("entries");

        const QStringList none;
        QTest::newRow("empty reply") << QString() << none;
        QTest::newRow("file and folder") << "a\r\nb/\r\n" << QStringList{"a", "b/"};
        QTest::newRow("last line without break is dropped") << "a\r\nb" << QStringList{"a"};
        QTest::newRow("carriage returns alone") << "a\rb/\r" << QStringList{"a", "b/"};
        QTest::newRow("line feeds alone give nothing") << "a\nb\n" << none;
        QTest::newRow("empty lines are skipped") << "\r\n\r\na\r\n\r\n" << QStringList{"a"};
        QTest::newRow("spaces of a blank line lead the next entry") << "a\r\n   \r\nb\r\n" << QStringList{"a", "   b"};
        QTest::newRow("entries keep their blanks") << "  my file.jpg  \r\n" << QStringList{"  my file.jpg  "};
        QTest::newRow("a tab is text") << "\t\r\n" << QStringList{"\t"};
        QTest::newRow("dot names are entries") << ".\r\n..\r\n" << QStringList{".", ".."};
        QTest::newRow("line feed inside a line is skipped") << "ab\ncd\r\n" << QStringList{"abcd"};
        QTest::newRow("non-Latin names") << QStringLiteral("Ünïcødé 写真.jpg\r\n")
                                         << QStringList{QStringLiteral("Ünïcødé 写真.jpg")};
    }

    void entries()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, entries);
        QCOMPARE(listingEntries(reply), entries);
    }
};

QTEST_GUILESS_MAIN(TestListingEntries)
#include "tst_listing_entries.moc"
