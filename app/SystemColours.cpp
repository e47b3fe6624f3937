#include "app/SystemColours.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace tarnwick::app {
namespace {

bool TakesButtonFace(const QWidget& control) {
    return qobject_cast<const QGroupBox*>(&control) != nullptr ||
           qobject_cast<const QLabel*>(&control) != nullptr ||
           qobject_cast<const QCheckBox*>(&control) != nullptr ||
           qobject_cast<const QRadioButton*>(&control) != nullptr;
}

}  // namespace

QColor ButtonFaceColour() {
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void SetBackground(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void ApplySystemColours(QWidget& page) {
    const QColor face = ButtonFaceColour();
    SetBackground(page, face);
    for (QWidget* control : page.findChildren<QWidget*>()) {
        if (TakesButtonFace(*control)) SetBackground(*control, face);
    }
}

}  // namespace tarnwick::app
