#include "db/ConnectionSettings.h"

using namespace Qt::Literals::StringLiterals;

namespace tarnwick::db {

QString ConnectionStringValue(const QString& value) {
    const bool special = value.contains(u';') || value.contains(u'{') || value.contains(u'}');
    if (!special) return value;
    QString braced = value;
    braced.replace(u"}"_s, u"}}"_s);
    return u'{' + braced + u'}';
}

QString BuildConnectionString(const ConnectionSettings& settings) {
    return u"DRIVER={"_s + QString::fromUtf16(kDriverName) + u"};"_s + u"SERVER="_s +
           ConnectionStringValue(settings.server) + u';' + u"USER="_s +
           ConnectionStringValue(settings.user) + u';' + u"PASSWORD="_s +
           ConnectionStringValue(settings.password) + u';' + u"DATABASE="_s +
           ConnectionStringValue(settings.database) + u';' + u"PORT="_s +
           ConnectionStringValue(settings.port) + u';';
}

}  // namespace tarnwick::db
