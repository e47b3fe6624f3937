#pragma once

#include <sql.h>

#include <QString>
#include <stdexcept>

namespace tarnwick::db {

// A failure of the database layer. what() is the driver's own diagnostic text (UTF-8), unchanged;
// the SQLSTATE and the server's error number are kept beside it for callers that need to tell
// failures apart.
class DbError : public std::runtime_error {
  public:
    DbError(const QString& description, const QString& sqlState = {}, int nativeError = 0);

    const QString& Description() const { return description_; }
    const QString& SqlState() const { return sqlState_; }
    int NativeError() const { return nativeError_; }
    // True when the failure says that the connection is gone: SQLSTATE 08S01, or the client
    // library's "MySQL server has gone away" (2006) and "Lost connection to MySQL server" (2013).
    bool IsLostConnection() const;

    // What happened, where the server's error number says more than "the statement failed".
    enum class Cause {
        Other,
        LostConnection,    // IsLostConnection, or the session was killed (1927)
        StatementStopped,  // killed (1317) or over a time limit (1969, 3024)
        NodeOutOfCluster,  // a Galera node not in its cluster's primary component (1047 WSREP)
    };
    Cause WhatHappened() const;

  private:
    QString description_;
    QString sqlState_;
    int nativeError_ = 0;
};

// True for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO.
inline bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Throws a DbError carrying the first diagnostic record of the handle when rc is a failure.
// `what` names the call, used only when the driver left no diagnostic record.
void ThrowIfFailed(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

}  // namespace tarnwick::db
