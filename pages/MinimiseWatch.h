#pragma once

#include <QObject>

class QWidget;

namespace tarnwick::pages {

// Remembers whether a page was minimised while a long action worked, so that the action can
// bring it back at its end. The page's own state alone is not enough: the window system minimises
// the window at once but tells the page later, when it next takes events, so a minimise just
// before the end can still be on its way. The watch therefore also counts a minimise that the
// page's window has taken but the page has not yet heard of.
class MinimiseWatch : public QObject {
  public:
    explicit MinimiseWatch(QWidget& page);  // a child of the page

    // Forgets earlier minimising: the action starts.
    void Start();
    // Whether the page was minimised since Start, or is minimised now.
    bool Minimised() const;
    // Brings the page and its window back to the normal state.
    void RestoreNormal();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool WindowMinimised() const;

    QWidget& page_;
    bool minimised_ = false;
};

}  // namespace tarnwick::pages
