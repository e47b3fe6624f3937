#include "db/Connection.h"

#include <atomic>

#include "db/DbError.h"
#include "db/RowSet.h"
#include "db/StatementObserver.h"

namespace tarnwick::db {
namespace {

const SQLWCHAR* Wide(const QString& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

std::atomic<bool> sendingStopped = false;

}  // namespace

std::shared_ptr<Connection> Connection::Create() {
    std::shared_ptr<Connection> connection(new Connection());
    connection->handle_ = AllocateConnectionHandle();
    connection->self_ = connection;
    return connection;
}

Connection::~Connection() {
    // Every statement of this connection is gone by now: cursors and row sets keep their
    // connection alive until they have freed their statement.
    if (connected_) SQLDisconnect(handle_.Get());
}

void Connection::SetCursorLocation(int location) {
    cursorLocation_ = location;
}

void Connection::SetCommandTimeout(int seconds) {
    commandTimeout_ = seconds;
}

void Connection::SetOption(ConnectionOption option) {
    switch (option) {
        case ConnectionOption::CursorLocation:
            return SetCursorLocation(kClientSideCursor);
        case ConnectionOption::CommandTimeout:
            return SetCommandTimeout(kCommandTimeoutSeconds);
        case ConnectionOption::ConnectionTimeout:
            return SetConnectionTimeout(kConnectionTimeoutSeconds);
    }
}

void Connection::SetConnectionTimeout(int seconds) {
    connectionTimeout_ = seconds;
    const auto value = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds));
    ThrowIfFailed(SQLSetConnectAttrW(handle_.Get(), SQL_ATTR_LOGIN_TIMEOUT, value, 0),
                  SQL_HANDLE_DBC, handle_.Get(), "SQLSetConnectAttr(SQL_ATTR_LOGIN_TIMEOUT)");
    ThrowIfFailed(SQLSetConnectAttrW(handle_.Get(), SQL_ATTR_CONNECTION_TIMEOUT, value, 0),
                  SQL_HANDLE_DBC, handle_.Get(), "SQLSetConnectAttr(SQL_ATTR_CONNECTION_TIMEOUT)");
}

void Connection::SetTransactionIsolation(SQLULEN level) {
    // On an open connection the driver asks the server: a wait like any other.
    SQLRETURN rc = SQL_ERROR;
    Wait(nullptr, [&] {
        rc = SQLSetConnectAttrW(handle_.Get(), SQL_ATTR_TXN_ISOLATION,
                                reinterpret_cast<SQLPOINTER>(level), 0);
    });
    ThrowIfFailed(rc, SQL_HANDLE_DBC, handle_.Get(), "SQLSetConnectAttr(SQL_ATTR_TXN_ISOLATION)");
}

SQLULEN Connection::TransactionIsolation() const {
    SQLULEN level = 0;
    SQLRETURN rc = SQL_ERROR;
    Wait(nullptr, [&] {
        rc = SQLGetConnectAttrW(handle_.Get(), SQL_ATTR_TXN_ISOLATION, &level, 0, nullptr);
    });
    ThrowIfFailed(rc, SQL_HANDLE_DBC, handle_.Get(), "SQLGetConnectAttr(SQL_ATTR_TXN_ISOLATION)");
    return level;
}

void Connection::Open(const QString& connectionString) {
    if (open_) throw DbError(QString::fromUtf16(kObjectOpenText));
    if (connected_) {
        throw DbError(QStringLiteral(
            "The connection was closed and cannot be opened again; open a new one."));
    }
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQL_ERROR;
    Wait(nullptr, [&] {
        rc =
            SQLDriverConnectW(handle_.Get(), nullptr, const_cast<SQLWCHAR*>(Wide(connectionString)),
                              static_cast<SQLSMALLINT>(connectionString.size()), nullptr, 0,
                              &outLength, SQL_DRIVER_NOPROMPT);
    });
    ThrowIfFailed(rc, SQL_HANDLE_DBC, handle_.Get(), "SQLDriverConnect");
    open_ = connected_ = true;
}

void Connection::Close() {
    // No statement is sent from here on. The session itself ends when the last holder of the
    // connection lets go: disconnecting now would free the statements of row sets that are still
    // open (the driver manager frees every statement of a connection it disconnects), and their
    // owners would then free them a second time.
    open_ = false;
}

void Connection::RequireOpen() const {
    if (!open_) throw DbError(QString::fromUtf16(kObjectClosedText));
}

void StopSendingStatements() {
    sendingStopped = true;
    CancelStatementsAtWork();
}

void ResumeSendingStatements() {
    sendingStopped = false;
}

void Connection::Wait(SQLHSTMT statement, const std::function<void()>& call) const {
    // Whoever waits holds the connection: keep it alive while what was left for the end of the
    // work (row sets let go of meanwhile) goes.
    const std::shared_ptr<Connection> self = self_.lock();
    work_.Wait(statement, call);
}

StatementHandle Connection::SendStatement(const QString& statement, Reading reading) {
    RequireOpen();
    if (sendingStopped) {
        throw DbError(QStringLiteral("Tarnwick is closing: the statement was not sent."));
    }
    if (work_.AtWork()) {
        throw DbError(QStringLiteral(
            "The connection is still at work on another statement: the statement was not sent."));
    }
    StatementHandle stmt = AllocateStatementHandle(handle_.Get());
    const auto timeout = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout_));
    // The driver answers "option value changed" (success with info) and keeps no timeout.
    ThrowIfFailed(SQLSetStmtAttrW(stmt.Get(), SQL_ATTR_QUERY_TIMEOUT, timeout, 0), SQL_HANDLE_STMT,
                  stmt.Get(), "SQLSetStmtAttr(SQL_ATTR_QUERY_TIMEOUT)");
    if (reading == Reading::Positioned) {
        // The driver keeps the whole result on the client side either way; a static cursor lets
        // it be read at any position and counted before the first row is read.
        ThrowIfFailed(SQLSetStmtAttrW(stmt.Get(), SQL_ATTR_CURSOR_TYPE,
                                      reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
                      SQL_HANDLE_STMT, stmt.Get(), "SQLSetStmtAttr(SQL_ATTR_CURSOR_TYPE)");
    }
    NotifyStatementObservers(statement);
    SQLRETURN rc = SQL_ERROR;
    Wait(stmt.Get(), [&] {
        rc = SQLExecDirectW(stmt.Get(), const_cast<SQLWCHAR*>(Wide(statement)),
                            static_cast<SQLINTEGER>(statement.size()));
    });
    ThrowIfFailed(rc, SQL_HANDLE_STMT, stmt.Get(), "SQLExecDirect");
    return stmt;
}

ResultReader Connection::Query(const QString& statement, Reading reading) {
    return ResultReader(SendStatement(statement, reading), self_.lock());
}

Cursor Connection::OpenCursor(const QString& statement, Reading reading) {
    return Cursor(Query(statement, reading));
}

std::shared_ptr<RowSet> Connection::Execute(const QString& statement) {
    auto rowSet = std::make_shared<RowSet>();
    rowSet->Take(OpenCursor(statement, Reading::Positioned));
    return rowSet;
}

int64_t Connection::ExecuteCounted(const QString& statement) {
    StatementHandle stmt = SendStatement(statement, Reading::Forward);
    SQLLEN count = 0;
    ThrowIfFailed(SQLRowCount(stmt.Get(), &count), SQL_HANDLE_STMT, stmt.Get(), "SQLRowCount");
    return static_cast<int64_t>(count);
}

std::shared_ptr<Connection> OpenConnection(const ConnectionSettings& settings) {
    auto connection = Connection::Create();
    for (const ConnectionOption option : kWorkingOptions) connection->SetOption(option);
    connection->Open(BuildConnectionString(settings));
    return connection;
}

bool CanConnect(const ConnectionSettings& settings) noexcept {
    try {
        auto connection = Connection::Create();
        for (const ConnectionOption option : kProbeOptions) connection->SetOption(option);
        connection->Open(BuildConnectionString(settings));
        return true;
    } catch (...) {
        return false;
    }
}

std::shared_ptr<RowSet> OpenRowSet(const std::shared_ptr<Connection>& connection,
                                   const QString& statement) {
    auto rowSet = std::make_shared<RowSet>();
    rowSet->Open(statement, connection);
    return rowSet;
}

}  // namespace tarnwick::db
