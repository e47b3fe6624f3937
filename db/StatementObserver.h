#pragma once

#include <QString>
#include <functional>

namespace tarnwick::db {

// Sees every statement text just before a connection sends it to the server.
using StatementObserver = std::function<void(const QString& statement)>;

// Registers an observer for every connection of the process while the scope lives. Scopes nest;
// all registered observers are told, oldest first. The tests use it to check the exact order and
// text of statements, the command-line run to echo them.
class StatementObserverScope {
  public:
    explicit StatementObserverScope(StatementObserver observer);
    ~StatementObserverScope();
    StatementObserverScope(const StatementObserverScope&) = delete;
    StatementObserverScope& operator=(const StatementObserverScope&) = delete;

  private:
    int id_;
};

// Called by the connection layer before it sends a statement.
void NotifyStatementObservers(const QString& statement);

}  // namespace tarnwick::db
