#include "app/PagePointer.h"

#include <QWidget>

namespace tarnwick::app {
namespace {

constexpr char kObjectName[] = "PagePointer";

}  // namespace

PagePointer::PagePointer(QWidget& page) : QObject(&page), page_(page) {
    setObjectName(QString::fromLatin1(kObjectName));
    page_.setCursor(CursorFor(code_));
}

PagePointer* PagePointer::Of(const QWidget& page) {
    return page.findChild<PagePointer*>(QString::fromLatin1(kObjectName),
                                        Qt::FindDirectChildrenOnly);
}

void PagePointer::Set(PointerCode code) {
    const bool wasBusy = code_ == PointerCode::Busy;
    code_ = code;
    page_.setCursor(CursorFor(code));
    const bool busy = code_ == PointerCode::Busy;
    if (busy && !wasBusy) CoverOwnPointers();
    if (!busy && wasBusy) RestoreOwnPointers();
}

void PagePointer::CoverOwnPointers() {
    const QCursor hourglass = CursorFor(PointerCode::Busy);
    for (QWidget* control : page_.findChildren<QWidget*>()) {
        // Windows of their own (a dialog over the page) keep their pointers.
        if (control->window() != &page_ || !control->testAttribute(Qt::WA_SetCursor)) continue;
        covered_.push_back({control, control->cursor()});
        control->setCursor(hourglass);
    }
}

void PagePointer::RestoreOwnPointers() {
    for (const OwnPointer& own : covered_) {
        if (own.control) own.control->setCursor(own.cursor);
    }
    covered_.clear();
}

void PagePointer::SetCustomImage(const QCursor& cursor) {
    customImage_ = cursor;
    if (code_ == PointerCode::Custom) page_.setCursor(*customImage_);
}

void PagePointer::Hover(PointerCode code) {
    if (code_ == PointerCode::Busy || code_ == code) return;
    Set(code);
}

QCursor PagePointer::CursorFor(PointerCode code) const {
    switch (code) {
        case PointerCode::Busy:
            return QCursor(Qt::WaitCursor);
        case PointerCode::Custom:
            return customImage_ ? *customImage_ : QCursor(Qt::PointingHandCursor);
        case PointerCode::Default:
            break;
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace tarnwick::app
