// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures built into the program: a picture the linker dropped or the resource list lost shows as an
// empty window icon, banner or button, with no error anywhere.
#include <QImage>
#include <QTest>

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureIsBuiltIn_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("window icon") << "icon.png" << QSize(64, 64);
        QTest::newRow("splash banner") << "splash_banner.jpg" << QSize(391, 99);
        QTest::newRow("up folder") << "up_folder.png" << QSize(22, 22);
        QTest::newRow("delete") << "delete.png" << QSize(22, 22);
        QTest::newRow("new folder") << "new_folder.png" << QSize(22, 22);
        QTest::newRow("send file") << "send_file.png" << QSize(26, 23);
        QTest::newRow("receive file") << "receive_file.png" << QSize(26, 23);
    }

    void pictureIsBuiltIn()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage picture(QStringLiteral(":/lumaport/") + name);
        QCOMPARE(picture.size(), size);
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "tst_resources.moc"
