#include "tools/bench/KeyReading.h"

#include <QElapsedTimer>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "engine/DuplicateDetector.h"
#include "engine/KeySlices.h"
#include "engine/RowKey.h"

namespace tarnwick::bench {
namespace {

double Seconds(QElapsedTimer& timer) {
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    return seconds;
}

// The 1-based positions of the keys that repeat an earlier key, highest first.
std::vector<int32_t> Detect(const std::vector<std::string>& keys, size_t count,
                            double* distinctKeyMegabytes = nullptr) {
    engine::DuplicateDetector detector;
    std::vector<int32_t> positions;
    for (size_t i = 0; i < count; ++i) {
        if (!detector.Add(detector.Keep(keys[i])).first) positions.push_back(static_cast<int32_t>(i + 1));
    }
    if (distinctKeyMegabytes != nullptr)
        *distinctKeyMegabytes = static_cast<double>(detector.DistinctKeyBytes()) / 1e6;
    return {positions.rbegin(), positions.rend()};
}

// The quadratic scan the linear detection replaced, as the baseline.
std::vector<int32_t> NaiveDuplicatePositions(const std::vector<std::string>& keys, size_t count) {
    std::vector<int32_t> result;
    for (auto i = static_cast<int64_t>(count) - 1; i >= 0; --i) {
        bool found = false;
        for (int64_t j = 0; j < i; ++j) found = found || keys[j] == keys[i];
        if (found) result.push_back(static_cast<int32_t>(i + 1));
    }
    return result;
}

}  // namespace

KeyReadingFigures MeasureKeyReading(const std::shared_ptr<db::Connection>& connection,
                                    const QString& table) {
    KeyReadingFigures figures;
    QElapsedTimer timer;
    timer.start();
    engine::KeySlices rows(connection, {table, QStringLiteral("id"), {{{"name"}, {"city"}}, {}}});
    rows.Open();
    figures.openSeconds = Seconds(timer);

    std::vector<std::string> keys;
    engine::RowKey key;
    while (rows.Fetch()) {
        key.Clear();
        key.AppendField(rows, 0);
        key.AppendField(rows, 1);
        keys.emplace_back(key.Bytes());
    }
    figures.readSeconds = Seconds(timer);

    Detect(keys, keys.size(), &figures.distinctKeyMegabytes);
    figures.detectSeconds = Seconds(timer);

    const size_t few = std::min(keys.size(), static_cast<size_t>(kNaiveKeys));
    const std::vector<int32_t> naive = NaiveDuplicatePositions(keys, few);
    figures.naiveSeconds = Seconds(timer);
    const std::vector<int32_t> linear = Detect(keys, few);
    figures.linearSeconds = Seconds(timer);
    figures.agree = naive == linear;
    return figures;
}

}  // namespace tarnwick::bench
