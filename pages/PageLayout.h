#pragma once

#include <QFont>
#include <QString>
#include <initializer_list>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QFrame;
class QPushButton;
class QWidget;

namespace tarnwick::pages {

// Positions and sizes are given in twips: 15 twips to a pixel at 96 dots per inch.
int Twips(int twips);

// A rectangle in twips: left, top, width, height, relative to the control's container.
struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};
void Place(QWidget& control, const TwipRect& rect);

// Arial 9 pt bold: every text of a page. Push buttons: Arial 11.25 pt bold.
QFont PageFont();
QFont ButtonFont();

// The controls of the pages, each with its name as object name, placed in its container. Frames
// and labels are designed with a white background, which the look-and-feel code replaces.
QGroupBox* MakeFrame(QWidget& parent, const char* name, const QString& caption,
                     const TwipRect& rect);
QLabel* MakeLabel(QWidget& parent, const char* name, const QString& caption, const TwipRect& rect);
// A label whose caption wraps onto several lines within its box.
QLabel* MakeWrappedLabel(QWidget& parent, const char* name, const QString& caption,
                         const TwipRect& rect);
QLineEdit* MakeTextBox(QWidget& parent, const char* name, const TwipRect& rect);
// Names and places a text box of a kind of its own (created with its container as parent).
QLineEdit* PlaceTextBox(QLineEdit* text, const char* name, const TwipRect& rect);
QPushButton* MakeButton(QWidget& parent, const char* name, const QString& caption,
                        const TwipRect& rect);
QListWidget* MakeList(QWidget& parent, const char* name, const TwipRect& rect);
// A horizontal line from (left, top) over `width` twips.
QFrame* MakeLine(QWidget& parent, const char* name, int left, int top, int width);

// Chains the controls in this order for the Tab key and gives the first the focus the page
// starts with.
void SetTabOrder(std::initializer_list<QWidget*> controls);

}  // namespace tarnwick::pages
