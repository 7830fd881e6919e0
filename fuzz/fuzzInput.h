// Reads a fuzzer's input as a stream of small decisions: bytes, words and
// texts, each taken from the front; an exhausted input answers zeros, so
// every input, however short, describes a complete run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
  uint32_t dword() { return word() | (static_cast<uint32_t>(word()) << 16); }
  uint64_t qword() { return dword() | (static_cast<uint64_t>(dword()) << 32); }
  void bytes(void* out, size_t count) {
    for (size_t i = 0; i < count; ++i) static_cast<uint8_t*>(out)[i] = byte();
  }
  // A text of up to maxLength UTF-16 units: a length byte, then two bytes a
  // unit (any unit, also unpaired surrogates and zeros).
  std::u16string text(size_t maxLength) {
    size_t length = byte() % (maxLength + 1);
    std::u16string out;
    for (size_t i = 0; i < length && !empty(); ++i) out += static_cast<char16_t>(word());
    return out;
  }
  // A text of up to maxLength characters, one byte each (ASCII and Latin-1).
  std::string narrowText(size_t maxLength) {
    size_t length = byte() % (maxLength + 1);
    std::string out;
    for (size_t i = 0; i < length && !empty(); ++i) out += static_cast<char>(byte());
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace fuzzsupport
