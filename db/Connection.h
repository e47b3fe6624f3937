#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "db/ConnectionSettings.h"
#include "db/ConnectionWork.h"
#include "db/Cursor.h"
#include "db/OdbcHandle.h"

namespace tarnwick::db {

class RowSet;

// Where row sets keep their rows: 3 is the client side, which is the only place this layer keeps
// them (every row set is fetched whole when it opens, so its RecordCount is exact).
inline constexpr int kClientSideCursor = 3;
// The seconds that every connection allows for logging in and for each statement.
inline constexpr int kConnectionTimeoutSeconds = 5000;
inline constexpr int kCommandTimeoutSeconds = 5000;

// The options a connection carries, each with its fixed value, set before it is opened.
enum class ConnectionOption {
    CursorLocation,     // kClientSideCursor
    CommandTimeout,     // kCommandTimeoutSeconds
    ConnectionTimeout,  // kConnectionTimeoutSeconds
};
// A working connection's options, in the order they are set.
inline constexpr ConnectionOption kWorkingOptions[] = {ConnectionOption::CursorLocation,
                                                       ConnectionOption::CommandTimeout,
                                                       ConnectionOption::ConnectionTimeout};
// A probe's (CanConnect, the login page's connection test): no cursor location.
inline constexpr ConnectionOption kProbeOptions[] = {ConnectionOption::CommandTimeout,
                                                     ConnectionOption::ConnectionTimeout};

// The ADO texts of a use of an object in the wrong state.
inline constexpr char16_t kObjectClosedText[] =
    u"Operation is not allowed when the object is closed.";
inline constexpr char16_t kObjectOpenText[] = u"Operation is not allowed when the object is open.";

// One ODBC connection. Created closed; the options are set before Open. Shared, because a row set
// bound to a grid keeps its connection alive.
//
// About the timeouts: they are handed to the driver as the login timeout
// (SQL_ATTR_LOGIN_TIMEOUT, SQL_ATTR_CONNECTION_TIMEOUT) and each statement's query timeout
// (SQL_ATTR_QUERY_TIMEOUT). MariaDB Connector/ODBC 3.1 stores the login timeout without applying
// it, ignores the connection timeout, and answers a non-zero query timeout with 01S02 ("option
// value changed") and does not apply it. In practice a login waits as long as the operating
// system's TCP connect does, and a statement runs until the server finishes it.
class Connection {
  public:
    // Allocates the connection handle ("creates the connection object").
    static std::shared_ptr<Connection> Create();

    void SetCursorLocation(int location);
    void SetCommandTimeout(int seconds);
    void SetConnectionTimeout(int seconds);
    // Sets one of the options to its fixed value.
    void SetOption(ConnectionOption option);

    // The transaction isolation of the session (SQL_ATTR_TXN_ISOLATION: SQL_TXN_READ_COMMITTED,
    // SQL_TXN_REPEATABLE_READ, ...). On an open connection the driver changes the session's level
    // at once, with a statement of its own; reading it before any change asks the server.
    void SetTransactionIsolation(SQLULEN level);
    SQLULEN TransactionIsolation() const;

    // Connects with an ODBC connection string, without prompting. Throws DbError with the
    // driver's text on failure.
    void Open(const QString& connectionString);
    bool IsOpen() const { return open_; }
    // Sends nothing more; the session ends when the connection is destroyed, after the row sets
    // and cursors that hold it.
    void Close();

    // Sends a statement; when it returns rows they come back as an open row set, otherwise the
    // row set is closed. Throws DbError with the server's text when the statement fails.
    std::shared_ptr<RowSet> Execute(const QString& statement);
    // Sends a statement that changes rows and returns how many it affected, as the server counted
    // them (a copy: the rows it made; a delete: the rows it removed). Throws DbError on failure.
    int64_t ExecuteCounted(const QString& statement);

    // How a statement's result is to be read: forward only, row by row (the survey, the key
    // reading), or also at any position (row sets, which grids read only where they look).
    enum class Reading { Forward, Positioned };

    // Sends a statement and returns its result, fetched by the driver into its own buffer: as it
    // comes (for a reader of rows, Cursor or KeyCursor), or read as text by a Cursor.
    ResultReader Query(const QString& statement, Reading reading = Reading::Forward);
    Cursor OpenCursor(const QString& statement, Reading reading = Reading::Forward);

    // The connection's waits for the server, whether it is at work (Work().AtWork(): nothing else
    // may use it until the call returns), and what is left for their end (db/ConnectionWork.h).
    ConnectionWork& Work() const { return work_; }

    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

  private:
    Connection() = default;
    StatementHandle SendStatement(const QString& statement, Reading reading);
    void RequireOpen() const;
    // Runs a blocking call of this connection as a wait for the server (db/ConnectionWork.h).
    void Wait(SQLHSTMT statement, const std::function<void()>& call) const;

    ConnectionHandle handle_;
    bool open_ = false;       // statements may be sent
    bool connected_ = false;  // the session with the server exists (until destruction)
    mutable ConnectionWork work_;
    int cursorLocation_ = 2;  // server side until told otherwise, as a new ADO connection
    int commandTimeout_ = 30;
    int connectionTimeout_ = 15;
    std::weak_ptr<Connection> self_;
};

// From now on no connection sends a statement: each attempt fails instead; a statement the server
// is working on is cancelled. Called when the user closes the program, so that a run that is still
// unwinding cannot change anything more.
void StopSendingStatements();
// Undoes StopSendingStatements, for tests whose recorded end of program returns.
void ResumeSendingStatements();

// A working connection: cursor location 3, command timeout 5000, connection timeout 5000, set in
// this order, then opened with BuildConnectionString(settings). Throws DbError on failure.
std::shared_ptr<Connection> OpenConnection(const ConnectionSettings& settings);

// The silent probe: true exactly when a connection with both timeouts at 5000 opens. Shows
// nothing, never throws, and leaves no connection open.
bool CanConnect(const ConnectionSettings& settings) noexcept;

// A new row set opened on the connection with the statement.
std::shared_ptr<RowSet> OpenRowSet(const std::shared_ptr<Connection>& connection,
                                   const QString& statement);

}  // namespace tarnwick::db
