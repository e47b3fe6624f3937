#include "app/Application.h"

#include "app/UnguardedProcedure.h"

namespace tarnwick::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const QString where = receiver ? receiver->objectName() : QString();
        EndAfterUnguardedFailure(where.isEmpty() ? QStringLiteral("event dispatch") : where,
                                 std::current_exception());
        return true;
    }
}

}  // namespace tarnwick::app
