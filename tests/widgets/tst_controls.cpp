// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/volumes.h"
#include "support/test_files.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/form.h"
#include "widgets/qt_services.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace lumaport;
using lumaport::test::writeFile;

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderListChangesOnlyOnRealMoves()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a b/ünï")));
        FolderList list;
        QSignalSpy changed(&list, &FolderList::changed);

        QVERIFY(list.setPath(dir.path() + QStringLiteral("/a b")));
        QCOMPARE(list.path(), dir.path() + QStringLiteral("/a b"));
        QCOMPARE(changed.count(), 1);
        QVERIFY(list.setPath(dir.path() + QStringLiteral("/a b/")));
        QCOMPARE(changed.count(), 1);

        // A drive opens at its current folder; the same text as a path opens the root.
        QVERIFY(list.setDrive(QStringLiteral("/")));
        QCOMPARE(list.path(), currentFolderOf(*findVolume(QStringLiteral("/"))));
        QVERIFY(list.setPath(QStringLiteral("/")));
        QCOMPARE(list.path(), QStringLiteral("/"));
        QVERIFY(!list.setDrive(QStringLiteral("/no/such/volume")));

        QVERIFY(list.setPath(dir.path() + QStringLiteral("/a b/ünï")));
        const int before = changed.count();
        QString error;
        QVERIFY(!list.setPath(dir.path() + QStringLiteral("/missing"), &error));
        QVERIFY(!error.isEmpty());
        writeFile(dir.path() + QStringLiteral("/file"));
        QVERIFY(!list.setPath(dir.path() + QStringLiteral("/file")));
        QCOMPARE(changed.count(), before);
        QCOMPARE(list.path(), dir.path() + QStringLiteral("/a b/ünï"));
    }

    void folderListLeavesAVanishedFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("gone")));
        FolderList list;
        QVERIFY(list.setPath(dir.path() + QStringLiteral("/gone")));
        QVERIFY(QDir(dir.path() + QStringLiteral("/gone")).removeRecursively());
        list.refresh();
        QCOMPARE(list.path(), dir.path() + QStringLiteral("/gone"));
        QVERIFY(list.setPath(dir.path()));
    }

    void fileListMatchesPatternIgnoringCase()
    {
        QTemporaryDir dir;
        for (const char* name : {"b.jpg", "A.JPG", "with space.jpg", "ünïcödé.jpg", ".hidden.jpg", "c.gif", "noext"})
            writeFile(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.jpg")));
        // Links are followed: one to a file is listed, one to a folder is not.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("b.jpg")), dir.filePath(QStringLiteral("to b.jpg"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("folder.jpg")), dir.filePath(QStringLiteral("to f.jpg"))));

        FileList list;
        QVERIFY(list.setPathAndPattern(dir.path(), QStringLiteral("*.jpg")));
        QStringList shown;
        for (int i = 0; i < list.listCount(); ++i)
            shown << list.list(i);
        // Where accented letters sort depends on the locale; the rest does not.
        QVERIFY(shown.removeOne(QString::fromUtf8("ünïcödé.jpg")));
        QCOMPARE(shown, (QStringList{QStringLiteral(".hidden.jpg"), QStringLiteral("A.JPG"), QStringLiteral("b.jpg"),
                                     QStringLiteral("to b.jpg"), QStringLiteral("with space.jpg")}));

        // "*.*" means every file, dot or not.
        QVERIFY(list.setPattern(QStringLiteral("*.*")));
        QCOMPARE(list.listCount(), 8);
        QVERIFY(list.list(list.listCount()).isEmpty());
    }

    void fileListKeepsLastListingOnBadFolder()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("a.jpg")));
        FileList list;
        QVERIFY(list.setPathAndPattern(dir.path(), QStringLiteral("*.jpg")));
        QVERIFY(!list.setPath(dir.path() + QStringLiteral("/missing")));
        QCOMPARE(list.path(), dir.path());
        QCOMPARE(list.listCount(), 1);
        QVERIFY(QDir(dir.path()).removeRecursively());
        QVERIFY(!list.refresh());
        QCOMPARE(list.listCount(), 1);
    }

    void fileListSelectionRunsClickOnce()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("a.jpg")));
        writeFile(dir.filePath(QStringLiteral("b.jpg")));
        FileList list;
        QVERIFY(list.setPathAndPattern(dir.path(), QStringLiteral("*.jpg")));
        QSignalSpy clicked(&list, &FileList::clicked);
        QCOMPARE(list.fileName(), QString());

        QVERIFY(list.setFileName(QStringLiteral("b.jpg")));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(list.fileName(), QStringLiteral("b.jpg"));
        QVERIFY(!list.setFileName(QStringLiteral("B.JPG")));
        QCOMPARE(list.fileName(), QStringLiteral("b.jpg"));

        // Re-listing forgets the choice without announcing one.
        QVERIFY(list.refresh());
        QCOMPARE(list.fileName(), QString());
        QCOMPARE(clicked.count(), 1);
    }

    void focusAloneChoosesNoFile()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("a.jpg")));
        QWidget window;
        auto* list = new FileList(&window);
        QVERIFY(list->setPathAndPattern(dir.path(), QStringLiteral("*.jpg")));
        QSignalSpy clicked(list, &FileList::clicked);
        window.show();
        list->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(list->fileName(), QString());
    }

    void optionGroupKeepsOneOrNone()
    {
        QWidget parent;
        OptionButton* a = addOption(&parent, "a", QStringLiteral("A"), {0, 0, 600, 255});
        OptionButton* b = addOption(&parent, "b", QStringLiteral("B"), {0, 300, 600, 255});
        QSignalSpy bSelected(b, &QAbstractButton::toggled);
        a->setChecked(true);
        b->setChecked(true);
        QVERIFY(!a->isChecked());
        QVERIFY(b->isChecked());
        b->click();
        QVERIFY(b->isChecked());
        QCOMPARE(bSelected.count(), 1);
        b->setChecked(false);
        QVERIFY(!a->isChecked() && !b->isChecked());
    }

    void objectNamesReachAutomationNotNames()
    {
        QWidget window;
        window.setObjectName(QStringLiteral("frmtest"));
        auto* plain = addTextBox(&window, "txtServer", {0, 0, 1500, 285});
        auto* described = addTextBox(&window, "txtOther", {0, 300, 1500, 285});
        described->setAccessibleDescription(QStringLiteral("kept"));
        QLabel* label = addLabel(&window, "lblServer", QStringLiteral("Server:"), {0, 600, 1500, 255});
        setBuddy(label, plain);
        ObjectNameAccessibility filter;
        qApp->installEventFilter(&filter);
        window.show();
        QCoreApplication::processEvents();
        qApp->removeEventFilter(&filter);
        QCOMPARE(plain->accessibleDescription(), QStringLiteral("txtServer"));
        QCOMPARE(plain->accessibleName(), QStringLiteral("Server:"));
        QCOMPARE(described->accessibleDescription(), QStringLiteral("kept"));
        QCOMPARE(label->accessibleDescription(), QStringLiteral("lblServer"));
        QVERIFY(label->accessibleName().isEmpty());
    }

    void twipsMapAtFifteenToAPixel()
    {
        QCOMPARE(toPixels({240, 480, 3255, 315}), QRect(16, 32, 217, 21));
        QCOMPARE(twipsToPixels(5895), 393);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
