#include "db/StatementObserver.h"

#include <utility>
#include <vector>

namespace tarnwick::db {
namespace {

struct Registration {
    int id;
    StatementObserver observer;
};

std::vector<Registration>& Registrations() {
    static std::vector<Registration> registrations;
    return registrations;
}

int nextId = 1;

}  // namespace

StatementObserverScope::StatementObserverScope(StatementObserver observer) : id_(nextId++) {
    Registrations().push_back({id_, std::move(observer)});
}

StatementObserverScope::~StatementObserverScope() {
    auto& all = Registrations();
    std::erase_if(all, [this](const Registration& r) { return r.id == id_; });
}

void NotifyStatementObservers(const QString& statement) {
    // Copy first: an observer may open or close scopes of its own.
    const std::vector<Registration> current = Registrations();
    for (const auto& registration : current) registration.observer(statement);
}

}  // namespace tarnwick::db
