// SPDX-License-Identifier: GPL-3.0-or-later
// What the user sees of every window in the program's font: no control covers another, none is cut off by its
// window or frame, and every caption fits its control.
#include "ftp_window/frm_ftp.h"
#include "main_window/frm_load.h"
#include "preview/frm_preview.h"
#include "published_window/frm_published.h"
#include "save_picture/frm_savpic.h"
#include "startup/app.h"
#include "startup/forms.h"
#include "startup/frm_about.h"
#include "startup/frm_splash.h"
#include "support/window_fixture.h"
#include "widgets/shape.h"
#include "widgets/wrapping_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTest>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

using Open = QWidget& (*)(Forms&);
const std::pair<const char*, Open> kWindows[] = {
    {"frmSplash", [](Forms& forms) -> QWidget& { return forms.frmSplash(); }},
    {"frmload", [](Forms& forms) -> QWidget& { return forms.frmload(); }},
    {"frmsavpic", [](Forms& forms) -> QWidget& { return forms.frmsavpic(); }},
    {"frmPreview", [](Forms& forms) -> QWidget& { return forms.frmPreview(); }},
    {"frmftp", [](Forms& forms) -> QWidget& { return forms.frmftp(); }},
    {"frmAbout", [](Forms& forms) -> QWidget& { return forms.frmAbout(); }},
    {"frmPublished", [](Forms& forms) -> QWidget& { return forms.frmPublished(); }},
};

// The window's own controls, not the parts Qt builds them of (a spin box's text box, a list's scroll bars).
bool isControl(const QWidget* widget)
{
    return !widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_");
}

// The controls a user sees. Some state is kept in controls placed wholly past a frame's or the window's edge;
// those are never seen, nor is anything inside them.
QList<QWidget*> seenControls(QWidget& window)
{
    QList<QWidget*> seen;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!isControl(widget) || !widget->isVisibleTo(&window))
            continue;
        bool inView = true;
        for (const QWidget* part = widget; part != &window && inView; part = part->parentWidget())
            inView = part->parentWidget()->rect().intersects(part->geometry());
        if (inView)
            seen << widget;
    }
    return seen;
}

// Where a control shows in its parent: its whole box; but only its text for a label without a frame or a ground of
// its own, and for a frame its title and what its border holds (a control may stand on the border beside the
// title).
QList<QRect> shownAreas(const QWidget* widget)
{
    if (const auto* frame = qobject_cast<const QGroupBox*>(widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect title =
            frame->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        return {title.translated(frame->pos()), frame->contentsRect().translated(frame->pos())};
    }
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (!label || label->frameShape() != QFrame::NoFrame || label->autoFillBackground() || !label->pixmap().isNull())
        return {widget->geometry()};
    if (label->text().isEmpty())
        return {};
    const int wrap = label->wordWrap() ? int(Qt::TextWordWrap) : 0;
    const QRect text =
        QFontMetrics(label->font()).boundingRect(label->contentsRect(), int(label->alignment()) | wrap, label->text());
    return {text.intersected(label->contentsRect()).translated(label->pos())};
}

// Two boxes that share no more than an edge line of one pixel stand side by side.
bool overlap(const QWidget* one, const QWidget* other)
{
    for (const QRect& area : shownAreas(one)) {
        for (const QRect& otherArea : shownAreas(other)) {
            const QRect shared = area.intersected(otherArea);
            if (shared.width() > 1 && shared.height() > 1)
                return true;
        }
    }
    return false;
}

// A frame, or a shape drawn as one, holds the controls placed wholly inside it.
bool holds(const QWidget* outer, const QWidget* inner)
{
    return (qobject_cast<const QGroupBox*>(outer) || qobject_cast<const Shape*>(outer)) &&
           outer->geometry().contains(inner->geometry());
}

// The size a control's caption takes against the room the control gives it.
std::pair<QSize, QSize> captionAndRoom(QWidget* widget)
{
    const QFontMetrics metrics(widget->font());
    const QStyle* style = widget->style();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        const QRect area = label->contentsRect();
        if (label->wordWrap() || Qt::mightBeRichText(label->text()))
            return {{area.width(), label->heightForWidth(area.width())}, area.size()};
        return {{metrics.horizontalAdvance(label->text()), 0}, area.size()};
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        QRect area = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (!button->icon().isNull())
            area.setWidth(area.width() - button->iconSize().width() - 4);
        const int wrap = qobject_cast<WrappingButton*>(button) ? int(Qt::TextWordWrap) : 0;
        return {metrics.boundingRect(area, Qt::AlignCenter | wrap, button->text()).size(), area.size()};
    }
    if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
        // A check box or an option: its mark, the gap, then the caption.
        const bool check = qobject_cast<QCheckBox*>(box);
        const int mark =
            style->pixelMetric(check ? QStyle::PM_IndicatorWidth : QStyle::PM_ExclusiveIndicatorWidth) +
            style->pixelMetric(check ? QStyle::PM_CheckBoxLabelSpacing : QStyle::PM_RadioButtonLabelSpacing);
        return {{mark + metrics.horizontalAdvance(box->text()), 0}, box->size()};
    }
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return {{metrics.horizontalAdvance(frame->title()), 0}, frame->size()};
    // The largest number with its unit.
    if (qobject_cast<QSpinBox*>(widget))
        return {{widget->sizeHint().width(), 0}, widget->size()};
    return {};
}

} // namespace

class TstWindowLayouts : public WindowTest
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The program's style and font, so the captions are measured as the user sees them.
        setUpApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    }

    void whatTheUserSees_data()
    {
        QTest::addColumn<int>("window");
        for (int i = 0; i < int(std::size(kWindows)); ++i)
            QTest::newRow(kWindows[i].first) << i;
    }

    void whatTheUserSees()
    {
        QFETCH(int, window);
        QWidget& shown = kWindows[window].second(*m_forms);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        const QList<QWidget*> seen = seenControls(shown);
        QVERIFY(!seen.isEmpty());
        for (QWidget* control : seen) {
            const QString name = control->objectName();
            QVERIFY2(control->parentWidget()->rect().contains(control->geometry()),
                     qPrintable(name + u" is cut off"_s));
            const auto [caption, room] = captionAndRoom(control);
            QVERIFY2(caption.width() <= room.width() && caption.height() <= room.height(),
                     qPrintable(u"%1's caption needs %2 x %3 pixels, has %4 x %5"_s.arg(name)
                                    .arg(caption.width())
                                    .arg(caption.height())
                                    .arg(room.width())
                                    .arg(room.height())));
            for (QWidget* other : seen) {
                if (other != control && other->parentWidget() == control->parentWidget() && !holds(control, other) &&
                    !holds(other, control) && overlap(control, other))
                    QFAIL(qPrintable(name + u" overlaps "_s + other->objectName()));
            }
        }
    }
};

QTEST_MAIN(TstWindowLayouts)
#include "tst_window_layouts.moc"
