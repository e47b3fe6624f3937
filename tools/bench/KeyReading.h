#pragma once

#include <QString>

namespace tarnwick::db {
class Connection;
}

namespace tarnwick::bench {

// The key reading of a run taken apart, on the (name, city) keys of `table` in id order.
struct KeyReadingFigures {
    double openSeconds = 0;           // sending the key query's first slice (KeySlices)
    double readSeconds = 0;           // fetching the rows (the other slices) and building keys
    double detectSeconds = 0;         // the duplicate detection alone, on keys kept in memory
    double naiveSeconds = 0;          // the quadratic scan on the first kNaiveKeys keys
    double linearSeconds = 0;         // the detection on the same keys
    bool agree = false;               // both found the same positions
    double distinctKeyMegabytes = 0;  // the bytes of the distinct keys
};

inline constexpr int kNaiveKeys = 20000;

KeyReadingFigures MeasureKeyReading(const std::shared_ptr<db::Connection>& connection,
                                    const QString& table);

}  // namespace tarnwick::bench
