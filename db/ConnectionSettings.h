#pragma once

#include <QString>

namespace tarnwick::db {

// The five login values, each exactly as typed in the login page's fields.
struct ConnectionSettings {
    QString server;
    QString user;
    QString password;
    QString database;
    QString port;  // text, never parsed

    bool operator==(const ConnectionSettings&) const = default;
};

// The name under which the ODBC driver must be registered in odbcinst.ini.
inline constexpr char16_t kDriverName[] = u"MySQL ODBC 5.1 Driver";

// "DRIVER={MySQL ODBC 5.1 Driver};SERVER=...;USER=...;PASSWORD=...;DATABASE=...;PORT=...;"
// The values go in verbatim: no trimming, quoting, escaping or check for emptiness.
QString BuildConnectionString(const ConnectionSettings& settings);

}  // namespace tarnwick::db
