#pragma once

#include <QApplication>

namespace tarnwick::app {

// The program's QApplication. A failure that escapes an event handler ends in the unguarded
// failure report and the end of the program instead of crossing Qt's event dispatch.
class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tarnwick::app
