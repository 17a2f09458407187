// Takes a fuzz input apart: control bytes from the front, the rest as the
// payload. Running out of bytes yields zeros, so every input is usable and
// a short one simply takes the default path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bcx::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return used_ < size_ ? data_[used_++] : 0; }

  uint16_t Word() {
    const uint16_t high = Byte();
    return static_cast<uint16_t>((high << 8) | Byte());
  }

  const uint8_t* Rest() const { return data_ + used_; }
  size_t RestSize() const { return size_ - used_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t used_ = 0;
};

}  // namespace bcx::fuzz
