#include "pages/PageWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

#include "app/ProgramEnd.h"
#include "app/SystemColours.h"
#include "db/Connection.h"
#include "pages/PageLayout.h"

namespace tarnwick::pages {

PageWindow::PageWindow(const char* name, int clientWidthTwips, int clientHeightTwips)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      pointer_(new app::PagePointer(*this)) {
    setObjectName(QString::fromLatin1(name));
    setFixedSize(Twips(clientWidthTwips), Twips(clientHeightTwips));
    setFont(PageFont());
    app::SetBackground(*this, Qt::white);
    setMouseTracking(true);
}

void PageWindow::ShowPage() {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                            screen->availableGeometry()));
        }
    }
    show();
    raise();
    activateWindow();
}

void PageWindow::HidePage() {
    hide();
}

void PageWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    // The close may arrive while an action waits for the server (the wait processes window
    // events): nothing more is sent, the statement at work is cancelled, then the program ends.
    db::StopSendingStatements();
    app::EndProgram(0);
}

}  // namespace tarnwick::pages
