// SPDX-License-Identifier: GPL-3.0-or-later
// Base of the program's windows and the helpers that build their controls from twip positions.
#pragma once

#include <QColor>
#include <QRadioButton>
#include <QString>
#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QSpinBox;

namespace lumaport {

/// Position and size in twips (15 to a pixel), as left, top, width, height.
struct Twips
{
    int left;
    int top;
    int width;
    int height;
};

QRect toPixels(const Twips& twips);
int twipsToPixels(int twips);

/// A window of the program. Its registry creates it (then runs Form_Load) and destroys it on unload.
class Form : public QWidget
{
    Q_OBJECT
public:
    Form(const QString& name, const QString& caption, int clientWidthTwips, int clientHeightTwips,
         bool withMenuBar = false);

    /// Runs once, right after the registry created the window.
    virtual void Form_Load() {}
    /// Runs on every request to unload the window (close box or code); setting cancel keeps it loaded.
    virtual void Form_Unload(bool& cancel) { Q_UNUSED(cancel); }

    /// Requests an unload: Form_Unload runs first and may cancel it.
    void unload();
    /// Shows the window modeless and brings it to the front.
    void Show();
    /// A fixed single border: no resizing, no maximise button, and a minimise button where asked for.
    void setFixedSingleBorder(bool minimizeButton);
    /// The first show places the window at the centre of the screen.
    void setStartCentered() { m_startCentered = true; }

    /// Where the controls live: the window itself, or the area under its menu bar.
    QWidget* client() const { return m_client; }
    QMenuBar* menuBar() const { return m_menuBar; }

    /// Set by the registry: destroys the window and forgets it.
    void setDestroyer(std::function<void(Form*)> destroyer) { m_destroyer = std::move(destroyer); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* m_client = this;
    QMenuBar* m_menuBar = nullptr;
    std::function<void(Form*)> m_destroyer;
    bool m_unloading = false;
    bool m_startCentered = false;
};

/// Option button of a group whose members are its siblings: selecting one deselects the others, and a
/// selected one stays selected when clicked again. Unlike a plain radio group, code may leave none selected.
class OptionButton : public QRadioButton
{
    Q_OBJECT
public:
    explicit OptionButton(QWidget* parent);

protected:
    void nextCheckState() override;
};

/// The grey-blue ground of the main, save-picture and FTP windows.
inline const QColor kFormBackColor(185, 199, 204);

void place(QWidget* widget, const Twips& twips);
void setBackColor(QWidget* widget, const QColor& color);
void setForeColor(QWidget* widget, const QColor& color);
void makeBold(QWidget* widget);
/// A button's small picture, from the program's resources.
void setPicture(QPushButton* button, const QString& resource);

/// Creates a control of type W with its name and places it at its twip position.
template <class W> W* addControl(QWidget* parent, const char* name, const Twips& twips)
{
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    place(widget, twips);
    return widget;
}

QLabel* addLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips);
/// A label whose caption is set once, shrunk to fit its box (see fitCaption).
QLabel* addFittedLabel(QWidget* parent, const char* name, const QString& caption, const Twips& twips);
QLineEdit* addTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& text = {});
/// A text box with no label of its own to name it for screen readers.
QLineEdit* addNamedTextBox(QWidget* parent, const char* name, const Twips& twips, const QString& accessibleName);
QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips);
QPushButton* addTipButton(QWidget* parent, const char* name, const QString& caption, const Twips& twips,
                          const QString& toolTip);
/// A check box whose tooltip and accessible name say what its short caption stands for.
QCheckBox* addCheckBox(QWidget* parent, const char* name, const QString& caption, const Twips& twips,
                       const QString& accessibleName);
/// A number box from smallest to largest, the unit after the number; a smallest of 0 means no limit and
/// reads "any".
QSpinBox* addNumberBox(QWidget* parent, const char* name, const Twips& twips, int smallest, int largest,
                       const QString& unit, const QString& accessibleName);
OptionButton* addOption(QWidget* parent, const char* name, const QString& caption, const Twips& twips);
QGroupBox* addFrame(QWidget* parent, const char* name, const QString& caption, const Twips& twips);

/// Labels text boxes for screen readers: a text box with no buddy label gets the label's caption.
void setBuddy(QLabel* label, QWidget* buddy);

/// Shrinks the label's font, a point at a time, until its caption fits its width: the twip layout leaves
/// little room beside a caption in today's desktop fonts, and a cut-off notice reads as a different sentence.
void fitCaption(QLabel* label);

/// The text with every word longer than most characters cut in its middle with "…": a server's name or address
/// of thousands of characters must not stretch a box or a title across the screen, and both its ends tell it apart.
QString withLongWordsElided(const QString& text, qsizetype most);

} // namespace lumaport
