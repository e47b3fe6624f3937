#pragma once

#include <cstdint>
#include <string>

namespace tarnwick::engine {

// The rows that the duplicate search reads, in ascending order of their row ids: each row's id, the
// exact text of each of its key fields, and of the fields that say what the row is (its label, for
// a report; none unless asked for). The run reads them from the server (KeySlices, KeyScan); a test
// can hand them over from memory.
class KeyRows {
  public:
    virtual ~KeyRows() = default;

    // Moves to the next row; false past the last. Throws when the rows cannot be read.
    virtual bool Fetch() = 0;
    // The key fields of every row, and the label fields after them.
    virtual int KeyFieldCount() const = 0;
    virtual int LabelFieldCount() const { return 0; }
    // The current row's id, as the 64 bits of a whole number that is signed when IdsSigned says
    // so; the ids of one reading are all signed or all unsigned.
    virtual uint64_t Id() const = 0;
    virtual bool IdsSigned() const = 0;
    // Appends the exact text of the current row's field `field` (from 0: the key fields, then the
    // label fields) to `out` and returns true (a key field of bytes as the bytes themselves, which
    // compare as exactly as their text), or returns false for NULL (and appends nothing).
    // Throws when it cannot be read.
    virtual bool AppendField(int field, std::string& out) const = 0;
};

}  // namespace tarnwick::engine
