// The pipeline without the provider: an arbitrary binarised bitmap of an
// arbitrary size through segmentation, grouping, ordering, merging and
// decoding, in a context of its own as a reader keeps one.
//   bytes 0-1: width - 1; byte 2: resolution and limits; then the pixels,
//   one bit each, rows packed one after the other; the height is what the
//   bits fill.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "pipeline/context.h"
#include "pipeline/pipeline.h"
#include "records/results.h"
#include "records/settings.h"
#include "stages/components/scan_state.h"

namespace {

// A side the region interface allows; the input's size bounds the area.
constexpr int32_t kMaxSide = 65535;
constexpr int32_t kResolutions[] = {96, 72, 300, 600, 1, 10000, 150, 120};
constexpr double kWidthRatios[] = {10.0, 5.0, 20.0, 7.5};

void Configure(bcx::Settings& settings, uint8_t control) {
  bcx::SetDefaultLimits(settings, kResolutions[control & 7]);
  const double ratio = kWidthRatios[(control >> 3) & 3];
  const double longest = (control & 0x20) != 0 ? 10.0 : 8.0;
  bcx::ApplyLimits(settings, ratio, 0.5, longest);
  for (int32_t& on : settings.switches) on = 1;
  if ((control & 0x40) != 0) settings.switches[bcx::kGs1_128] = 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bcx::fuzz::FuzzInput input(data, size);
  const int32_t width = 1 + input.Word() % kMaxSide;
  const uint8_t control = input.Byte();
  const size_t bits = input.RestSize() * 8;
  if (bits < static_cast<size_t>(width)) return 0;
  const size_t rows = bits / static_cast<size_t>(width);
  const int32_t height = rows > kMaxSide ? kMaxSide : static_cast<int32_t>(rows);

  bcx::Context* context = new bcx::Context{};
  Configure(context->settings, control);
  bcx::ScanState& scan = context->scan;
  if (bcx::PrepareScanBuffers(scan, width, height) != 0) {
    const uint8_t* packed = input.Rest();
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < pixels; ++i) scan.region[i] = (packed[i / 8] >> (7 - i % 8)) & 1;
    bcx::RunExactPipeline(*context);
    const bcx::ResultTable& results = context->results;
    for (int32_t i = 0; i < results.count; ++i) {
      if (results.records[i].textLength < 0 || results.records[i].type < 0 ||
          results.records[i].type >= bcx::kSymbologyCount) {
        __builtin_trap();
      }
    }
  }
  bcx::EmptyResultTable(context->results);
  bcx::ReleaseScanBuffers(scan);
  delete context;
  return 0;
}
