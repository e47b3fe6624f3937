#include "db/ConnectionWork.h"

#include <sqlext.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnwick::db {
namespace {

// How long a close waits for the server to take a cancel.
constexpr auto kCancelLimit = std::chrono::milliseconds(300);

std::mutex atWorkMutex;
std::vector<SQLHSTMT> atWork;

// Marks a statement as at work for as long as its call is being waited for.
class AtWork {
  public:
    explicit AtWork(SQLHSTMT statement) : statement_(statement) {
        if (statement_ == nullptr) return;
        const std::lock_guard lock(atWorkMutex);
        atWork.push_back(statement_);
    }
    ~AtWork() {
        if (statement_ == nullptr) return;
        const std::lock_guard lock(atWorkMutex);
        std::erase(atWork, statement_);
    }
    AtWork(const AtWork&) = delete;
    AtWork& operator=(const AtWork&) = delete;

  private:
    SQLHSTMT statement_;
};

bool OnApplicationThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

void WaitForCall(SQLHSTMT statement, const std::function<void()>& call) {
    if (!OnApplicationThread()) {
        call();
        return;
    }
    const AtWork registration(statement);
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
        // Delivered by the loop below, however late the loop got going.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

void ConnectionWork::Wait(SQLHSTMT statement, const std::function<void()>& call) {
    atWork_ = true;
    try {
        WaitForCall(statement, call);
    } catch (...) {
        atWork_ = false;
        RunAfterWork();
        throw;
    }
    atWork_ = false;
    RunAfterWork();
}

void ConnectionWork::AfterWork(std::function<void()> then) {
    if (!atWork_) {
        then();
        return;
    }
    afterWork_.push_back(std::move(then));
}

void ConnectionWork::RunAfterWork() {
    // Taken out first: what runs may leave more for a later end of work, or let the connection go.
    std::vector<std::function<void()>> due;
    due.swap(afterWork_);
    for (auto& then : due) then();
}

void CancelStatementsAtWork() {
    std::vector<SQLHSTMT> statements;
    {
        const std::lock_guard lock(atWorkMutex);
        statements = atWork;
    }
    if (statements.empty()) return;
    // On a thread of its own: a server that does not answer must not hold up the end of the
    // program.
    auto asked = std::make_shared<std::promise<void>>();
    std::future<void> done = asked->get_future();
    std::thread([statements, asked] {
        for (SQLHSTMT statement : statements) {
            if (!SQL_SUCCEEDED(SQLCancel(statement)))
                std::fputs("Tarnwick: a statement at work could not be cancelled\n", stderr);
        }
        asked->set_value();
    }).detach();
    done.wait_for(kCancelLimit);
}

}  // namespace tarnwick::db
