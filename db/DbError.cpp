#include "db/DbError.h"

#include <sqlext.h>

#include <array>

namespace tarnwick::db {

DbError::DbError(const QString& description, const QString& sqlState, int nativeError)
    : std::runtime_error(description.toStdString()),
      description_(description),
      sqlState_(sqlState),
      nativeError_(nativeError) {}

void ThrowIfFailed(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (Succeeded(rc) || rc == SQL_NO_DATA) return;

    if (handle != SQL_NULL_HANDLE) {
        std::array<SQLWCHAR, 6> state{};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        // Ask for the length first so that long messages arrive whole.
        SQLRETURN diag =
            SQLGetDiagRecW(handleType, handle, 1, state.data(), &nativeError, nullptr, 0, &length);
        if (Succeeded(diag)) {
            std::basic_string<SQLWCHAR> message(static_cast<size_t>(length) + 1, 0);
            diag = SQLGetDiagRecW(handleType, handle, 1, state.data(), &nativeError, message.data(),
                                  static_cast<SQLSMALLINT>(message.size()), &length);
            if (Succeeded(diag)) {
                const auto* text = reinterpret_cast<const char16_t*>(message.data());
                const auto* code = reinterpret_cast<const char16_t*>(state.data());
                throw DbError(
                    QString::fromUtf16(text, std::min<qsizetype>(length, message.size() - 1)),
                    QString::fromUtf16(code, 5), static_cast<int>(nativeError));
            }
        }
    }
    throw DbError(QString::fromLatin1("%1 failed (return code %2) without a diagnostic record")
                      .arg(QLatin1String(what))
                      .arg(rc));
}

bool DbError::IsLostConnection() const {
    return sqlState_ == u"08S01" || nativeError_ == 2006 || nativeError_ == 2013 ||
           description_.contains(u"server has gone away", Qt::CaseInsensitive) ||
           description_.contains(u"Lost connection", Qt::CaseInsensitive);
}

DbError::Cause DbError::WhatHappened() const {
    if (IsLostConnection() || nativeError_ == 1927) return Cause::LostConnection;
    if (nativeError_ == 1317 || nativeError_ == 1969 || nativeError_ == 3024)
        return Cause::StatementStopped;
    if (nativeError_ == 1047 || description_.contains(u"WSREP", Qt::CaseInsensitive) ||
        description_.contains(u"Primary Component", Qt::CaseInsensitive))
        return Cause::NodeOutOfCluster;
    return Cause::Other;
}

}  // namespace tarnwick::db
