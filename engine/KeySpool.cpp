#include "engine/KeySpool.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace tarnwick::engine {
namespace {

constexpr size_t kBufferBytes = size_t{1} << 20;
// A record: the id (8 bytes), the key's length times two plus the digest mark (7 bits to a byte,
// low bits first), the key's bytes.
constexpr size_t kLongestHead = 8 + 10;

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

void KeySpool::Append(uint64_t id, std::string_view key, bool digest) {
    if (reading_) throw std::logic_error("KeySpool::Append after Rewind");
    if (used_ + kLongestHead + key.size() > buffer_.size()) {
        Flush();
        if (kLongestHead + key.size() > buffer_.size()) buffer_.resize(kLongestHead + key.size());
    }
    char* to = buffer_.data() + used_;
    std::memcpy(to, &id, sizeof id);
    to += sizeof id;
    uint64_t head = static_cast<uint64_t>(key.size()) << 1 | (digest ? 1 : 0);
    do {
        const auto low = static_cast<unsigned char>(head & 0x7F);
        head >>= 7;
        *to++ = static_cast<char>(head != 0 ? low | 0x80 : low);
    } while (head != 0);
    std::memcpy(to, key.data(), key.size());
    used_ = static_cast<size_t>(to - buffer_.data()) + key.size();
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

bool KeySpool::Next(uint64_t& id, std::string_view& key, bool& digest) {
    if (!reading_) throw std::logic_error("KeySpool::Next before Rewind");
    if (used_ - at_ < kLongestHead && !Fill(kLongestHead) && used_ == at_) return false;
    if (used_ - at_ < sizeof id + 1) throw std::runtime_error("the keys' temporary file is cut");
    const char* from = buffer_.data() + at_;
    std::memcpy(&id, from, sizeof id);
    size_t headBytes = 0;
    uint64_t head = 0;
    for (int shift = 0;; shift += 7) {
        if (sizeof id + headBytes >= used_ - at_)
            throw std::runtime_error("the keys' temporary file is cut");
        const auto byte = static_cast<unsigned char>(from[sizeof id + headBytes++]);
        head |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) break;
    }
    const size_t length = static_cast<size_t>(head >> 1);
    const size_t recordBytes = sizeof id + headBytes + length;
    if (used_ - at_ < recordBytes && !Fill(recordBytes))
        throw std::runtime_error("the keys' temporary file is cut");
    from = buffer_.data() + at_;
    digest = (head & 1) != 0;
    key = std::string_view(from + sizeof id + headBytes, length);
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
