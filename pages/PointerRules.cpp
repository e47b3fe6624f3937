#include "pages/PointerRules.h"

#include <QAbstractScrollArea>
#include <QEnterEvent>
#include <QEvent>
#include <QHash>
#include <QMouseEvent>
#include <QWidget>
#include <vector>

#include "app/PagePointer.h"
#include "app/UnguardedProcedure.h"
#include "app/core/FailureDescription.h"

namespace tarnwick::pages {
namespace {

using app::PointerCode;

struct PagePointerRules {
    const char* page;
    std::vector<const char*> customOver;   // push buttons
    std::vector<const char*> defaultOver;  // besides the page itself
};

// The pointer rules of every page.
const std::vector<PagePointerRules>& RuleTable() {
    static const std::vector<PagePointerRules> table = {
        {"Form1",
         {"PushButton2", "PushButton3", "PushButton5"},
         {"Frame1", "Text1", "Text2", "Text3", "Text4"}},
        {"Form2", {"PushButton2", "PushButton3"}, {"Frame1", "List1"}},
        {"Form3",
         {"PushButton2", "PushButton4", "PushButton5", "PushButton6", "PushButton7", "PushButton8"},
         {"Label1", "Label2", "List1", "List2", "DataGrid1"}},
        {"Form4", {"PushButton2", "PushButton4"}, {"Label1", "Text1"}},
    };
    return table;
}

// Watches the mouse over a page's controls and applies the rule of each one.
class PointerHover : public QObject {
  public:
    PointerHover(QWidget& page, app::PagePointer& pointer)
        : QObject(&page), pointer_(pointer), pageName_(page.objectName()) {}

    void Watch(QWidget& control, PointerCode code) {
        const QString procedure =
            pageName_ + u'.' +
            (control.isWindow() ? QStringLiteral("Form") : control.objectName()) +
            QStringLiteral("_MouseMove");
        WatchWidget(control, {code, procedure});
        // Lists and grids receive the mouse in their viewport.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(&control))
            WatchWidget(*area->viewport(), {code, procedure});
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        QPointF position;
        if (event->type() == QEvent::Enter)
            position = static_cast<QEnterEvent*>(event)->position();
        else if (event->type() == QEvent::MouseMove)
            position = static_cast<QMouseEvent*>(event)->position();
        else
            return false;
        const auto rule = rules_.constFind(watched);
        if (rule == rules_.constEnd()) return false;
        // A move that a control passed on to its container, or an enter into a container on the
        // way to one of its controls, belongs to the control under the mouse, not to the
        // container.
        if (static_cast<QWidget*>(watched)->childAt(position.toPoint()) != nullptr) return false;
        const Rule r = *rule;
        app::RunUnguarded(r.procedure, [&] { pointer_.Hover(r.code); });
        return false;
    }

  private:
    struct Rule {
        PointerCode code;
        QString procedure;
    };

    void WatchWidget(QWidget& widget, Rule rule) {
        widget.setMouseTracking(true);
        widget.installEventFilter(this);
        rules_.insert(&widget, std::move(rule));
    }

    app::PagePointer& pointer_;
    QString pageName_;
    QHash<const QObject*, Rule> rules_;
};

QWidget& FindControl(QWidget& page, const char* name) {
    auto* control = page.findChild<QWidget*>(QString::fromLatin1(name));
    if (control == nullptr) {
        throw app::Failure(QStringLiteral("%1 has no control %2")
                               .arg(page.objectName(), QString::fromLatin1(name)));
    }
    return *control;
}

}  // namespace

void InstallPointerRules(QWidget& page) {
    app::PagePointer* pointer = app::PagePointer::Of(page);
    if (pointer == nullptr)
        throw app::Failure(QStringLiteral("%1 has no page pointer").arg(page.objectName()));
    for (const PagePointerRules& rules : RuleTable()) {
        if (page.objectName() != QLatin1String(rules.page)) continue;
        auto* hover = new PointerHover(page, *pointer);
        hover->Watch(page, PointerCode::Default);
        for (const char* name : rules.customOver)
            hover->Watch(FindControl(page, name), PointerCode::Custom);
        for (const char* name : rules.defaultOver)
            hover->Watch(FindControl(page, name), PointerCode::Default);
        return;
    }
    throw app::Failure(QStringLiteral("No pointer rules for %1").arg(page.objectName()));
}

}  // namespace tarnwick::pages
