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
// A value goes in verbatim (no trimming, quoting, escaping or check for emptiness) unless it holds
// ";", "{" or "}": such a value could end itself early and add attributes of its own (a user name
// "x;INITSTMT=..." would make the driver run a statement), so it goes in enclosed in braces with
// every "}" doubled. unixODBC 2.3 and MariaDB Connector/ODBC 3.1 both read "{a;b}}c}" back as the
// single value "a;b}c".
//
// Known limitation of the driver: MariaDB Connector/ODBC trims blanks from both ends of every
// value, braced or not ("PASSWORD={  }" arrives as no password), and offers no other way to hand
// over a password while the connection string stays as built here: it has no connection attribute
// for one, and SQLConnect's separate password needs a data source name instead of this string. A
// password that begins or ends with blanks, or is nothing but blanks, therefore never reaches the
// server as typed: such a login fails with the server's "Access denied" report.
QString BuildConnectionString(const ConnectionSettings& settings);

// One value as BuildConnectionString puts it after its "KEY=".
QString ConnectionStringValue(const QString& value);

}  // namespace tarnwick::db
