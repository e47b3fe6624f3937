#include "engine/WorkingConnection.h"

#include "app/core/GuardedProcedure.h"
#include "app/core/Require.h"
#include "db/Connection.h"

namespace tarnwick::engine {

using app::Require;

void OpenWorkingConnection(app::GuardedProcedure& proc, int firstLine,
                           const std::shared_ptr<db::Connection>& connection,
                           const db::ConnectionSettings& settings) {
    int line = firstLine;
    for (const db::ConnectionOption option : db::kWorkingOptions) {
        proc.Step(line, [&] { Require(connection).SetOption(option); });
        line += 2;
    }
    proc.Step(line, [&] { Require(connection).Open(db::BuildConnectionString(settings)); });
}

}  // namespace tarnwick::engine
