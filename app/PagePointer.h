#pragma once

#include <QCursor>
#include <QObject>
#include <QPointer>
#include <optional>
#include <vector>

class QWidget;

namespace tarnwick::app {

// The page pointer codes: default (0), busy (11, the hourglass) and custom (99, the hand).
enum class PointerCode { Default = 0, Busy = 11, Custom = 99 };

// A page's pointer setting, shown over the page and every control that has no pointer of its
// own. While the page is busy, the hourglass shows over those controls too (text boxes keep an
// I-beam of their own otherwise); they get their own pointer back when the page is no longer
// busy. Lives as a child of its page.
class PagePointer : public QObject {
  public:
    explicit PagePointer(QWidget& page);

    // The pointer of a page, or nullptr when the page has none.
    static PagePointer* Of(const QWidget& page);

    PointerCode Code() const { return code_; }
    void Set(PointerCode code);

    // The image that the custom pointer shows; without one it shows Qt's pointing hand.
    void SetCustomImage(const QCursor& cursor);
    bool HasCustomImage() const { return customImage_.has_value(); }

    // What a hover over a control asks for: the pointer becomes `code` unless the page is busy.
    // Busy is set and cleared only by the long actions.
    void Hover(PointerCode code);

    // The shape shown for a code.
    QCursor CursorFor(PointerCode code) const;

  private:
    // The controls of the page that show a pointer of their own, and that pointer.
    struct OwnPointer {
        QPointer<QWidget> control;
        QCursor cursor;
    };
    void CoverOwnPointers();
    void RestoreOwnPointers();

    QWidget& page_;
    std::vector<OwnPointer> covered_;
    PointerCode code_ = PointerCode::Default;
    std::optional<QCursor> customImage_;
};

}  // namespace tarnwick::app
