// SPDX-License-Identifier: GPL-3.0-or-later
// The FTP window as the user first sees it: every control in its place, captions, colours, fonts
// and the controls that start disabled.
#include "ftp_window/frm_ftp.h"
#include "ftp_window_probe.h"
#include "platform/timer.h"
#include "startup/app.h"
#include "startup/forms.h"
#include "support/scripted_services.h"
#include "support/window_fixture.h"
#include "widgets/address_box.h"
#include "widgets/form.h"
#include "widgets/picture_box.h"
#include "widgets/wrapping_button.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTest>
#include <memory>

using namespace lumaport;
using namespace lumaport::test;

class TestFrmFtpLayout : public WindowTest
{
    Q_OBJECT

    frmftp& ftp() { return m_forms->frmftp(); }

private Q_SLOTS:
    void initTestCase()
    {
        // The program's style and font, so the captions are measured as the user sees them.
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("placement"); // "in", or "clipped" by its frame, or "below" the window

        const QString window = QStringLiteral("frmftp");
        const QString hint = QStringLiteral("Enter the Name of the server (Used in the URL) ");
        auto row = [](const char* name, const QString& container, const QString& caption, const QString& toolTip,
                      QRect twips, const char* placement = "in") {
            QTest::newRow(name) << QString::fromLatin1(name) << container << caption << toolTip << twips
                                << QString::fromLatin1(placement);
        };
        row("fraLoginInfo", window, "Login Options", "", {240, 240, 4170, 4020});
        row("Command8", "fraLoginInfo", "Clear", "", {240, 360, 855, 255});
        row("Command7", "fraLoginInfo", "Load", "", {1200, 360, 855, 255});
        row("cmdsave", "fraLoginInfo", "Save", "", {2160, 360, 855, 255});
        row("cmdopen", "fraLoginInfo", "Open", "", {3120, 360, 855, 255});
        row("lblserver1", "fraLoginInfo", "Permanente URL", "", {240, 840, 2775, 255});
        row("Text3", window, "", hint, {480, 1320, 3735, 285});
        row("Label1", "fraLoginInfo", "URL Name", "", {240, 1440, 1095, 255});
        row("txtname", "fraLoginInfo", "", "current displayed URL", {240, 1680, 3735, 195});
        row("Shape1", "fraLoginInfo", "", "", {120, 1920, 3975, 1935});
        row("lblServer", "fraLoginInfo", "Server:", "", {240, 2040, 510, 195});
        row("txtServer", "fraLoginInfo", "",
            "FTP Server Name\nhost, ftp://, ftpes://, ftps:// or sftp://host[:port]\ns3://host[:port]/bucket/folder/ "
            "(s3+http:// without TLS), the access key as user name and the secret key as password; another region "
            "than the host names: ?region=eu-west-3 at the end\ndavs://host[:port]/folder/ (dav:// without TLS)",
            {240, 2280, 3765, 285});
        row("lblUserName", "fraLoginInfo", "User Name:", "", {240, 2640, 840, 195});
        row("txtUserName", "fraLoginInfo", "", "User Name", {240, 2880, 2205, 285});
        row("cmdLogOn", "fraLoginInfo", "Log On", "Log On", {2640, 2880, 1320, 420});
        row("lblPassword", "fraLoginInfo", "Password:", "", {240, 3240, 735, 195});
        row("txtPassword", "fraLoginInfo", "", "Password", {240, 3480, 2205, 285});
        row("cmdLogOff", "fraLoginInfo", "Log Off", "Log Off", {2640, 3360, 1320, 420});
        row("fraRemoteFiles", window, "Remote Files", "", {4440, 240, 5175, 4020});
        row("lstRemoteFile", "fraRemoteFiles", "", "", {90, 360, 4995, 2985});
        row("Label4", "fraRemoteFiles", "", "", {120, 3380, 975, 200});
        row("Command11", "fraRemoteFiles", "Preview", "", {120, 3630, 1005, 300});
        row("Command10", "fraRemoteFiles", "Selected No Tags", "", {1200, 3480, 975, 450});
        row("Command9", "fraRemoteFiles", "Use Selected with Tags", "", {2160, 3480, 1215, 450});
        row("cmdUpFolder", "fraRemoteFiles", "", "Move Up One Folder", {3480, 3600, 420, 330});
        row("cmdDelete", "fraRemoteFiles", "Delete File", "Delete", {3960, 3600, 1140, 330});
        row("cmdSize", "fraRemoteFiles", "S", "Get File Size", {7200, 1200, 420, 320}, "clipped");
        row("cmdRename", "fraRemoteFiles", "R", "Rename File", {7200, 1560, 420, 320}, "clipped");
        row("cmdNewFolder", "fraRemoteFiles", "", "New Folder", {7200, 2400, 420, 330}, "clipped");
        row("fraLocalFiles", window, "Local File", "", {240, 4320, 8040, 735});
        row("txtsaveftp", "fraLocalFiles", "", "", {120, 360, 1605, 285});
        row("drvLocalDrive", "fraLocalFiles", "", "Local Drive List", {360, 4800, 1800, 315}, "clipped");
        row("dirLocalDir", "fraLocalFiles", "", "Local Directory", {360, 5160, 1815, 540}, "clipped");
        row("filLocalFile", "fraLocalFiles", "", "Local Files", {2160, 4800, 2895, 870}, "clipped");
        row("fraControls", window, "", "", {8280, 4320, 1335, 735});
        row("cmdsend", "fraControls", "Send", "", {120, 240, 1095, 375});
        row("imgSendFile", "fraControls", "", "Send Selected File", {3240, 270, 390, 345}, "clipped");
        row("lblSendFile", "fraControls", "Send File", "", {3720, 360, 810, 195}, "clipped");
        row("imgReceiveFile", "fraControls", "", "Recieve Selected File", {4680, 270, 390, 345}, "clipped");
        row("lblReceiveFile", "fraControls", "Receive File", "", {5280, 360, 1080, 195}, "clipped");
        row("cmdURL", window, "Request URL", "", {360, 5280, 1215, 375});
        row("txturl1", window, "[img]", "", {1680, 5280, 855, 285});
        row("Command3", window, "URL with Tags", "", {2640, 5280, 1335, 375});
        row("txturl2", window, "[/img]", "", {4080, 5280, 855, 255});
        row("Command4", window, "Save Tags", "", {5040, 5280, 975, 375});
        row("Label2", window, "UBB Tags", "", {6120, 5160, 975, 255});
        row("Text1", window, "", "Enter your tag here", {6120, 5400, 975, 285});
        row("Label3", window, "URL Text", "", {7200, 5160, 2415, 255});
        row("Text2", window, "", "", {7200, 5400, 2415, 285});
        row("txtURL", window, "", "", {240, 5880, 9375, 435});
        row("Command5", window, "Copy", "", {240, 6600, 855, 375});
        row("Command2", window, "EXIT", "", {1200, 6600, 735, 375});
        row("Command1", window, "Back", "", {2040, 6600, 855, 375});
        row("fraStatus", window, "Status", "", {3240, 6480, 3570, 540});
        row("lblStatus", "fraStatus", "Not Connected", "Connection Status", {120, 240, 3255, 240});
        row("Command6", window, "Select Another Picture", "", {7200, 6600, 2415, 375});
        row("Text4", window, "/", "", {2880, 7680, 255, 285}, "below");
        row("txtpermurl", window, "", hint + "Include \"/\" at the end.", {4080, 7560, 3735, 285}, "below");
        row("txtserverurl", window, "", "", {1920, 8160, 1935, 285}, "below");
        row("txtfolder", window, "", "", {3960, 8160, 2055, 285}, "below");
        row("txtfile", window, "", "", {6120, 8160, 1455, 285}, "below");
        row("Text78", window, "", "", {1680, 8640, 5415, 285}, "below");
    }

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QFETCH(QRect, twips);
        QFETCH(QString, placement);

        QWidget* widget = control(ftp(), qPrintable(name));
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QString shownCaption;
        if (auto* button = qobject_cast<QPushButton*>(widget))
            shownCaption = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            shownCaption = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(widget))
            shownCaption = frame->title();
        else if (auto* box = qobject_cast<QLineEdit*>(widget))
            shownCaption = box->text();
        QCOMPARE(shownCaption, caption);
        QCOMPARE(widget->toolTip(), toolTip);
        QCOMPARE(widget->geometry(), toPixels({twips.x(), twips.y(), twips.width(), twips.height()}));

        const QRect inContainer = widget->parentWidget()->rect();
        if (placement == QLatin1String("in"))
            QVERIFY(inContainer.contains(widget->geometry()));
        else
            QVERIFY(!inContainer.intersects(widget->geometry()));
        if (placement == QLatin1String("below"))
            QVERIFY(widget->parentWidget() == &ftp());
    }

    void sizeColoursAndFonts()
    {
        frmftp& w = ftp();
        QCOMPARE(w.size(), QSize(650, 478));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.palette().color(QPalette::Window), QColor(185, 199, 204));
        QCOMPARE(w.windowTitle(), QStringLiteral("FTP-"));
        QVERIFY(control<QPushButton>(w, "cmdLogOn")->font().bold());
        QCOMPARE(control(w, "cmdLogOn")->palette().color(QPalette::Button), QColor(192, 255, 192));
        QVERIFY(control<QPushButton>(w, "cmdLogOff")->font().bold());
        QCOMPARE(control(w, "cmdLogOff")->palette().color(QPalette::Button), QColor(255, 192, 192));
        QVERIFY(control<QLabel>(w, "lblStatus")->font().bold());
        QCOMPARE(control<QLabel>(w, "lblStatus")->alignment(), Qt::AlignCenter);
        QCOMPARE(control<AddressBox>(w, "txtURL")->font().pointSize(), 12);
        QCOMPARE(w.txtPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(w.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, w.txtPassword),
                 int('*'));
        QCOMPARE(w.txtname->palette().color(QPalette::Text), QColor(192, 0, 0));
        QCOMPARE(w.txtname->palette().color(QPalette::Base), QColor(185, 199, 204));
        for (QWidget* box :
             {static_cast<QWidget*>(w.txtname), static_cast<QWidget*>(w.txturl1), static_cast<QWidget*>(w.txturl2)})
            QVERIFY(!(box->focusPolicy() & Qt::TabFocus));
        QVERIFY(control(w, "Text78")->isHidden());
        for (const char* name : {"cmdUpFolder", "cmdDelete", "cmdNewFolder"})
            QVERIFY2(!control<QPushButton>(w, name)->icon().isNull(), name);
        for (const char* name : {"imgSendFile", "imgReceiveFile"})
            QVERIFY2(!control<PictureBox>(w, name)->picture().isNull(), name);
        // Clipped controls still take the keyboard focus by tabbing.
        QVERIFY(control(w, "cmdSize")->focusPolicy() & Qt::TabFocus);
        QCOMPARE(arrangement(w), kLoggedOff);
        QCOMPARE(control<Timer>(w, "Timer1")->interval(), 1000);
        QVERIFY(control<Timer>(w, "Timer1")->enabled());
        QCOMPARE(control<Timer>(w, "Timer2")->interval(), 4000);
        QVERIFY(!control<Timer>(w, "Timer2")->enabled());
    }

    void captionsInViewAreNotCutOff()
    {
        frmftp& w = ftp();
        const QRect view = w.rect();
        for (QLabel* label : w.findChildren<QLabel*>()) {
            if (!view.contains(QRect(label->mapTo(&w, QPoint()), label->size())) || label->text().isEmpty())
                continue;
            const int needed = QFontMetrics(label->font()).horizontalAdvance(label->text());
            QVERIFY2(needed <= label->width(), qPrintable(label->objectName()));
        }
        for (QPushButton* button : w.findChildren<QPushButton*>()) {
            if (!view.contains(QRect(button->mapTo(&w, QPoint()), button->size())) || button->text().isEmpty())
                continue;
            QStyleOptionButton option;
            option.initFrom(button);
            QRect area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            if (!button->icon().isNull())
                area.setWidth(area.width() - button->iconSize().width() - 4);
            const int wrap = qobject_cast<WrappingButton*>(button) ? int(Qt::TextWordWrap) : 0;
            const QRect needed =
                QFontMetrics(button->font()).boundingRect(area, Qt::AlignCenter | wrap, button->text());
            QVERIFY2(area.contains(needed), qPrintable(button->objectName()));
        }
        // The picture choices beside "Send" show their captions and largest numbers whole, as does the keyring's.
        for (const char* name : {"chkRemoveMetadata", "chkFitLimit", "spnFitSide", "spnFitKilobytes", "chkThumbnail",
                                 "spnThumbnailSide", "chkKeyring"})
            QVERIFY2(control(w, name)->sizeHint().width() <= control(w, name)->width(), name);
    }
};

QTEST_MAIN(TestFrmFtpLayout)
#include "tst_frm_ftp_layout.moc"
