// A reader over arbitrary pixels (bcx_read_gray) or arbitrary bytes
// (bcx_read_memory), read in one mode and then again in the other, so that
// reused buffers meet a second image.
//   byte 0: kind, first mode, threshold, region; byte 1: page; byte 2:
//   stride padding; for grey, bytes 3-4: width - 1; then the pixels or bytes.
#include <bcxread.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_input.h"

namespace {

constexpr int kThresholds[] = {128, -1, -2, 60};
// Small enough that no input keeps the fuzzer waiting on one huge image,
// large enough for every format's real headers.
constexpr uint64_t kFuzzPixelBudget = 1u << 22;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void ReadResults(const bcx_reader* reader, int found) {
  Check(found == bcx_result_count(reader) || (found < 0 && bcx_result_count(reader) == 0));
  Check(bcx_reader_error(reader) != nullptr);
  for (int i = 0; i <= bcx_result_count(reader); ++i) {
    const uint8_t* text = nullptr;
    const size_t length = bcx_result_text(reader, i, &text);
    int32_t corners[8];
    bcx_result_corners(reader, i, corners);
    Check(bcx_result_type(reader, i) < 8);
    unsigned sum = 0;
    for (size_t k = 0; k < length; ++k) sum += text[k];
    (void)sum;
  }
  int width = 0;
  int height = 0;
  bcx_image_size(reader, &width, &height);
  bcx_image_page_count(reader);
}

int ReadGrey(bcx_reader* reader, bcx::fuzz::FuzzInput& input, size_t padding) {
  const int width = 1 + input.Word() % 4096;
  const size_t stride = static_cast<size_t>(width) + padding;
  const size_t rest = input.RestSize();
  if (rest < static_cast<size_t>(width)) return bcx_read_gray(reader, input.Rest(), width, 0, 0);
  // The last row needs only its width: a view into a larger image ends there.
  const size_t height = 1 + (rest - static_cast<size_t>(width)) / stride;
  // An exact copy, so that a read past the last pixel is seen.
  std::vector<uint8_t> pixels(input.Rest(),
                              input.Rest() + (height - 1) * stride + static_cast<size_t>(width));
  return bcx_read_gray(reader, pixels.data(), width, static_cast<int>(height),
                       static_cast<ptrdiff_t>(stride));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bcx::fuzz::FuzzInput input(data, size);
  const uint8_t control = input.Byte();
  const int page = input.Byte() % 8;
  const size_t padding = input.Byte() % 4;
  bcx_reader* reader = bcx_reader_new();
  if (reader == nullptr) return 0;
  bcx_reader_set_max_pixels(reader, kFuzzPixelBudget);
  const bool grey = (control & 1) != 0;
  int mode = (control & 2) != 0 ? BCX_MODE_EXACT : BCX_MODE_THOROUGH;
  bcx_reader_set_mode(reader, mode);
  bcx_reader_set_threshold(reader, kThresholds[(control >> 2) & 3]);
  if ((control & 0x10) != 0) bcx_reader_set_region(reader, 2, 3, 60, 40);
  if ((control & 0x20) != 0) bcx_reader_set_types(reader, 0x19);  // 39, EAN-13, EAN-8

  const uint8_t* bytes = input.Rest();
  const size_t length = input.RestSize();
  bcx::fuzz::FuzzInput greyInput = input;
  for (int pass = 0; pass < 2; ++pass) {
    const int found =
        grey ? ReadGrey(reader, greyInput, padding) : bcx_read_memory(reader, bytes, length, page);
    ReadResults(reader, found);
    mode = mode == BCX_MODE_EXACT ? BCX_MODE_THOROUGH : BCX_MODE_EXACT;
    bcx_reader_set_mode(reader, mode);
    greyInput = input;
  }
  bcx_reader_free(reader);
  return 0;
}
