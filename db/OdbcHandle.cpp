#include "db/OdbcHandle.h"

#include "db/DbError.h"

namespace tarnwick::db {

SQLHENV OdbcEnvironment() {
    static EnvironmentHandle environment = [] {
        SQLHANDLE handle = SQL_NULL_HANDLE;
        SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle);
        if (!Succeeded(rc))
            throw DbError(QStringLiteral("Could not allocate the ODBC environment"));
        EnvironmentHandle owned(handle);
        rc = SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION,
                           reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        ThrowIfFailed(rc, SQL_HANDLE_ENV, handle, "SQLSetEnvAttr(SQL_ATTR_ODBC_VERSION)");
        return owned;
    }();
    return environment.Get();
}

ConnectionHandle AllocateConnectionHandle() {
    SQLHENV env = OdbcEnvironment();
    SQLHANDLE handle = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, env, &handle);
    ThrowIfFailed(rc, SQL_HANDLE_ENV, env, "SQLAllocHandle(SQL_HANDLE_DBC)");
    return ConnectionHandle(handle);
}

StatementHandle AllocateStatementHandle(SQLHDBC connection) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection, &handle);
    ThrowIfFailed(rc, SQL_HANDLE_DBC, connection, "SQLAllocHandle(SQL_HANDLE_STMT)");
    return StatementHandle(handle);
}

}  // namespace tarnwick::db
