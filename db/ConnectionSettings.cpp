#include "db/ConnectionSettings.h"

using namespace Qt::Literals::StringLiterals;

namespace tarnwick::db {

QString BuildConnectionString(const ConnectionSettings& settings) {
    return u"DRIVER={"_s + QString::fromUtf16(kDriverName) + u"};"_s + u"SERVER="_s +
           settings.server + u';' + u"USER="_s + settings.user + u';' + u"PASSWORD="_s +
           settings.password + u';' + u"DATABASE="_s + settings.database + u';' + u"PORT="_s +
           settings.port + u';';
}

}  // namespace tarnwick::db
