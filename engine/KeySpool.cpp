#include "engine/KeySpool.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tarnwick::engine {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;
// A record: the id (8 bytes), the key's length times two plus the digest mark, the label's length
// (both 7 bits to a byte, low bits first), the key's bytes, the label's bytes.
constexpr size_t kLongestHead = 8 + 10 + 10;

char* WriteNumber(uint64_t number, char* to) {
    do {
        const auto low = static_cast<unsigned char>(number & 0x7F);
        number >>= 7;
        *to++ = static_cast<char>(number != 0 ? low | 0x80 : low);
    } while (number != 0);
    return to;
}

[[noreturn]] void Fail(const QTemporaryFile& file, const char* what) {
    throw std::runtime_error(std::string("the keys could not be ") + what +
                             " their temporary file: " + file.errorString().toStdString());
}

}  // namespace

KeySpool::KeySpool() : file_(std::make_unique<QTemporaryFile>()), buffer_(kBufferBytes) {
    if (!file_->open()) Fail(*file_, "kept in");
    // Unnamed from now on: nothing is left behind however the program ends.
    QFile::remove(file_->fileName());
}

void KeySpool::Append(const Record& record) {
    if (reading_) throw std::logic_error("KeySpool::Append after Rewind");
    const size_t bytes = kLongestHead + record.key.size() + record.label.size();
    if (used_ + bytes > buffer_.size()) {
        Flush();
        if (bytes > buffer_.size()) buffer_.resize(bytes);
    }
    char* to = buffer_.data() + used_;
    std::memcpy(to, &record.id, sizeof record.id);
    to += sizeof record.id;
    to = WriteNumber(static_cast<uint64_t>(record.key.size()) << 1 | (record.digest ? 1 : 0), to);
    to = WriteNumber(record.label.size(), to);
    std::memcpy(to, record.key.data(), record.key.size());
    to += record.key.size();
    std::memcpy(to, record.label.data(), record.label.size());
    used_ = static_cast<size_t>(to - buffer_.data()) + record.label.size();
    ++records_;
}

void KeySpool::Flush() {
    if (used_ > 0 &&
        file_->write(buffer_.data(), static_cast<qint64>(used_)) != static_cast<qint64>(used_))
        Fail(*file_, "written to");
    used_ = 0;
}

void KeySpool::Rewind() {
    if (!reading_) Flush();
    if (!file_->flush() || !file_->seek(0)) Fail(*file_, "read back from");
    reading_ = true;
    used_ = at_ = 0;
}

bool KeySpool::Fill(size_t need) {
    // Keeps the bytes not taken yet, and reads until `need` of them are there or the file ends.
    std::memmove(buffer_.data(), buffer_.data() + at_, used_ - at_);
    used_ -= at_;
    at_ = 0;
    if (need > buffer_.size()) buffer_.resize(need);
    while (used_ < need) {
        const qint64 got =
            file_->read(buffer_.data() + used_, static_cast<qint64>(buffer_.size() - used_));
        if (got < 0) Fail(*file_, "read back from");
        if (got == 0) return false;
        used_ += static_cast<size_t>(got);
    }
    return true;
}

bool KeySpool::Next(Record& record) {
    if (!reading_) throw std::logic_error("KeySpool::Next before Rewind");
    if (used_ - at_ < kLongestHead && !Fill(kLongestHead) && used_ == at_) return false;
    constexpr size_t kId = sizeof record.id;
    if (used_ - at_ < kId + 2) throw std::runtime_error("the keys' temporary file is cut");
    const char* from = buffer_.data() + at_;
    std::memcpy(&record.id, from, kId);
    size_t headBytes = 0;
    const auto readNumber = [&] {
        uint64_t number = 0;
        for (int shift = 0;; shift += 7) {
            if (kId + headBytes >= used_ - at_)
                throw std::runtime_error("the keys' temporary file is cut");
            const auto byte = static_cast<unsigned char>(from[kId + headBytes++]);
            number |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) return number;
        }
    };
    const uint64_t head = readNumber();
    const auto labelLength = static_cast<size_t>(readNumber());
    const auto keyLength = static_cast<size_t>(head >> 1);
    const size_t recordBytes = kId + headBytes + keyLength + labelLength;
    if (used_ - at_ < recordBytes && !Fill(recordBytes))
        throw std::runtime_error("the keys' temporary file is cut");
    from = buffer_.data() + at_;
    record.digest = (head & 1) != 0;
    record.key = std::string_view(from + kId + headBytes, keyLength);
    record.label = std::string_view(from + kId + headBytes + keyLength, labelLength);
    at_ += recordBytes;
    return true;
}

void KeySpool::Release(const YieldCallback& yield) {
    constexpr qint64 kPart = qint64{64} << 20;
    buffer_ = {};
    for (qint64 size = file_->size(); size > 0; size -= kPart) {
        if (!file_->resize(std::max<qint64>(0, size - kPart))) break;  // closing frees the rest
        YieldNow(yield);
    }
    file_->close();
}

}  // namespace tarnwick::engine
