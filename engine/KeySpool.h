#pragma once

#include <QTemporaryFile>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/YieldCallback.h"

namespace tarnwick::engine {

// The keys of the first reading, kept in a temporary file for the second: each row's id, its key in
// the form the comparison keeps it (DuplicateDetector::KeptKey: the key itself, or the digest of a
// long key), and its label for a report (RowLabel.h; empty unless asked for). The second reading
// then asks nothing of the server and hashes nothing again, and the program's memory holds one
// buffer of the file at a time. The file has no name once it is open, and goes when the spool does.
class KeySpool {
  public:
    KeySpool();
    KeySpool(const KeySpool&) = delete;
    KeySpool& operator=(const KeySpool&) = delete;

    struct Record {
        uint64_t id = 0;
        std::string_view key;
        bool digest = false;
        std::string_view label;
    };
    // Adds a record. Throws std::runtime_error when the file cannot be written.
    void Append(const Record& record);
    // Ends the writing and goes back to the first record (again after a reading).
    void Rewind();
    // Reads the next record; false after the last. Its bytes stay valid until the next call.
    // Throws std::runtime_error when the file cannot be read or ends inside a record.
    bool Next(Record& record);

    int64_t Records() const { return records_; }

    // Gives the file's space back from its end in parts, yielding between them, and closes it: a
    // file of a gigabyte given back at once would hold the caller for a tenth of a second.
    void Release(const YieldCallback& yield);

  private:
    void Flush();
    bool Fill(size_t need);

    std::unique_ptr<QTemporaryFile> file_;
    std::vector<char> buffer_;
    size_t used_ = 0;  // writing: bytes in the buffer; reading: the end of the bytes read into it
    size_t at_ = 0;    // reading: the next byte to take
    bool reading_ = false;
    int64_t records_ = 0;
};

}  // namespace tarnwick::engine
