#include "pages/PageLayout.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtMath>
#include <limits>

#include "app/SystemColours.h"

namespace tarnwick::pages {
namespace {

constexpr double kTwipsPerPixel = 15.0;

template <class Control>
Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

}  // namespace

int Twips(int twips) {
    return qRound(twips / kTwipsPerPixel);
}

void Place(QWidget& control, const TwipRect& rect) {
    control.setGeometry(Twips(rect.left), Twips(rect.top), Twips(rect.width), Twips(rect.height));
}

QFont PageFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont ButtonFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

QGroupBox* MakeFrame(QWidget& parent, const char* name, const QString& caption,
                     const TwipRect& rect) {
    auto* frame = Named(new QGroupBox(caption, &parent), name);
    app::SetBackground(*frame, Qt::white);
    Place(*frame, rect);
    return frame;
}

QLabel* MakeLabel(QWidget& parent, const char* name, const QString& caption, const TwipRect& rect) {
    auto* label = Named(new QLabel(caption, &parent), name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    app::SetBackground(*label, Qt::white);
    Place(*label, rect);
    // Font metrics differ a little between systems: a caption never gets cut off at its end.
    const int needed = label->fontMetrics().horizontalAdvance(caption);
    if (needed > label->width()) label->resize(needed, label->height());
    return label;
}

QLabel* MakeWrappedLabel(QWidget& parent, const char* name, const QString& caption,
                         const TwipRect& rect) {
    QLabel* label = MakeLabel(parent, name, caption, rect);
    label->setWordWrap(true);
    Place(*label, rect);
    return label;
}

QLineEdit* MakeTextBox(QWidget& parent, const char* name, const TwipRect& rect) {
    return PlaceTextBox(new QLineEdit(&parent), name, rect);
}

QLineEdit* PlaceTextBox(QLineEdit* text, const char* name, const TwipRect& rect) {
    Named(text, name);
    text->setMaxLength(std::numeric_limits<int>::max());  // no limit of its own
    Place(*text, rect);
    return text;
}

QPushButton* MakeButton(QWidget& parent, const char* name, const QString& caption,
                        const TwipRect& rect) {
    auto* button = Named(new QPushButton(caption, &parent), name);
    button->setFont(ButtonFont());
    button->setAutoDefault(false);
    Place(*button, rect);
    return button;
}

QListWidget* MakeList(QWidget& parent, const char* name, const TwipRect& rect) {
    auto* list = Named(new QListWidget(&parent), name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    Place(*list, rect);
    return list;
}

QFrame* MakeLine(QWidget& parent, const char* name, int left, int top, int width) {
    auto* line = Named(new QFrame(&parent), name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(Twips(left), Twips(top) - 1, Twips(width), 3);
    return line;
}

void SetTabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* previous = nullptr;
    for (QWidget* control : controls) {
        if (previous != nullptr) QWidget::setTabOrder(previous, control);
        previous = control;
    }
    if (controls.size() > 0) (*controls.begin())->setFocus();
}

}  // namespace tarnwick::pages
