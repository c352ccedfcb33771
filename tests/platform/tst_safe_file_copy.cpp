// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/safe_file_copy.h"
#include "platform/services.h"
#include "support/scripted_services.h"
#include "support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;

class TestSafeFileCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failureShowsThreeBoxesAndLosesNothing();
    void triesAgainAfterTheBox();
    void copyOntoItselfShowsNoBox();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void TestSafeFileCopy::failureShowsThreeBoxesAndLosesNothing()
{
    writeFile(path("old.jpg"), "old");
    ScriptedServices services;
    services.answerEveryBox();
    QVERIFY(!SafeFileCopy(path("gone.jpg"), path("old.jpg"), services));
    QCOMPARE(services.boxes().size(), std::size_t(3));
    for (const BoxRecord& box : services.boxes()) {
        QCOMPARE(box.text, QStringLiteral("Error copying File"));
        QVERIFY(box.title.isEmpty() || box.title == kAppTitle);
        QCOMPARE(box.icon, MsgIcon::None);
        QCOMPARE(box.buttons, MsgButtons::Ok);
    }
    QCOMPARE(readFile(path("old.jpg")), QByteArray("old"));
}

void TestSafeFileCopy::triesAgainAfterTheBox()
{
    writeFile(path("source.jpg"), "new");
    ScriptedServices services;
    services.answerEveryBox();
    services.setWhileBoxShows([this] { QDir(m_dir.path()).mkdir("later"); });

    QVERIFY(SafeFileCopy(path("source.jpg"), path("later/copy.jpg"), services));
    QCOMPARE(services.boxes().size(), std::size_t(1));
    QCOMPARE(readFile(path("later/copy.jpg")), QByteArray("new"));
}

void TestSafeFileCopy::copyOntoItselfShowsNoBox()
{
    writeFile(path("x.jpg"), "picture");
    ScriptedServices services;
    QVERIFY(SafeFileCopy(path("x.jpg"), path("x.jpg"), services));
    QVERIFY(services.boxes().empty());
}

QTEST_GUILESS_MAIN(TestSafeFileCopy)
#include "tst_safe_file_copy.moc"
