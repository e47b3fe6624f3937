#pragma once

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace tarnwick::db {

// Owns one ODBC handle of the given type and frees it when it goes. Move-only.
template <SQLSMALLINT HandleType>
class OdbcHandle {
  public:
    OdbcHandle() = default;
    explicit OdbcHandle(SQLHANDLE handle) : handle_(handle) {}
    ~OdbcHandle() { Reset(); }

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    SQLHANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void Reset() {
        if (handle_ != nullptr) {
            SQLFreeHandle(HandleType, handle_);
            handle_ = nullptr;
        }
    }

  private:
    SQLHANDLE handle_ = nullptr;
};

using EnvironmentHandle = OdbcHandle<SQL_HANDLE_ENV>;
using ConnectionHandle = OdbcHandle<SQL_HANDLE_DBC>;
using StatementHandle = OdbcHandle<SQL_HANDLE_STMT>;

// The process-wide ODBC environment (ODBC 3 behaviour), allocated on first use. unixODBC reads
// ODBCSYSINI once, so it must be set before this is first called.
SQLHENV OdbcEnvironment();

// Allocates a handle of the given type under parent; throws DbError on failure.
ConnectionHandle AllocateConnectionHandle();
StatementHandle AllocateStatementHandle(SQLHDBC connection);

}  // namespace tarnwick::db
