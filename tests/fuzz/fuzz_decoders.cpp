// Every decoder, exact and thorough, then the span dispatch and the
// thorough group dispatch, over arbitrary element widths.
// Runs and text buffers live on the heap at exactly their sizes, so the
// sanitizer sees any access outside them.
//   byte 0: how bytes become widths; then one byte per width (two in the
//   wide mapping).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_input.h"
#include "pipeline/context.h"
#include "records/results.h"
#include "records/settings.h"
#include "stages/components/scan_state.h"
#include "stages/spans/spans.h"
#include "stages/spans/spans_thorough.h"
#include "symbologies/table.h"

namespace {

// Longer runs than any symbol has, to reach the length checks too.
constexpr size_t kMostWidths = 4096;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Widths as a scan measures them: never negative, from fractions of a pixel
// to the length of the longest line through a 65535 x 65535 image.
double Width(bcx::fuzz::FuzzInput& input, uint8_t mapping) {
  switch (mapping & 3) {
    case 0:
      return input.Byte() / 16.0;
    case 1: {  // module multiples with a little jitter, as printed symbols give
      const uint8_t b = input.Byte();
      return (1 + (b & 3)) * (1.0 + (mapping >> 2)) + ((b >> 2) - 32) / 128.0 + 0.25;
    }
    case 2:
      return input.Word() * 1.5;
    default:
      return input.Byte() == 0 ? 0.0 : input.Byte() / 8.0;
  }
}

void DecodeEach(const double* widths, int32_t count, bool gs1) {
  for (const bcx::SymbologyDescriptor& symbology : bcx::kSymbologies) {
    if (symbology.decode == nullptr) continue;
    std::unique_ptr<char[]> text(new char[static_cast<size_t>(count)]);
    int32_t length = -7;
    int32_t fnc1 = -7;
    const int ok =
        symbology.decode(widths, count, bcx::DecodeOptions{gs1}, text.get(), &length, &fnc1);
    Check(ok == 0 || ok == 1);
    if (ok == 0) {
      Check(length == -7);
    } else {
      Check(length >= 0 && length < count && text[static_cast<size_t>(length)] == '\0');
    }
  }
}

// The thorough decoders search the whole run from any bar; whatever they
// report lies inside it, on bars, with a text that fits their buffer.
void SearchEach(const double* widths, int32_t count, int32_t from, bool gs1) {
  for (const bcx::SymbologyDescriptor& symbology : bcx::kSymbologies) {
    if (symbology.decodeThorough == nullptr) continue;
    std::unique_ptr<char[]> text(new char[static_cast<size_t>(count) + 1]);
    int32_t length = -7;
    int32_t fnc1 = -7;
    bcx::ThoroughSpan span{-7, -7};
    const int ok = symbology.decodeThorough(widths, count, from, bcx::DecodeOptions{gs1},
                                            text.get(), &length, &fnc1, &span);
    Check(ok == 0 || ok == 1);
    if (ok == 1) {
      Check(length > 0 && length <= count && text[static_cast<size_t>(length)] == '\0');
      Check(span.first >= 0 && span.first <= span.last && span.last < count);
      Check(span.first % 2 == 0 && span.last % 2 == 0);
    }
  }
}

// The dispatch over a group table of as many bars as the run has.
void Dispatch(const double* widths, int32_t count, bool gs1) {
  if (count < 1) return;
  if (count % 2 == 0) --count;  // a run of bars ends with a bar
  const int32_t bars = (count + 1) / 2;
  bcx::Context* context = new bcx::Context{};
  bcx::SetDefaultLimits(context->settings, 96);
  for (int32_t& on : context->settings.switches) on = 1;
  context->settings.switches[bcx::kGs1_128] = gs1 ? 1 : 0;
  std::unique_ptr<bcx::BarRecord[]> group(new bcx::BarRecord[static_cast<size_t>(bars)]());
  for (int32_t k = 0; k < bars; ++k) group[k].side = bcx::Segment{k, 0, k, 30, 30.0, 0.0, 30.0};
  context->scan.group = group.get();
  context->scan.groupCount = bars;
  context->scan.groupCapacity = bars;
  std::unique_ptr<double[]> run(new double[static_cast<size_t>(count)]);
  std::copy(widths, widths + count, run.get());
  bcx::DecodeSpan(TargetOf(*context), 0, bars - 1, run.get());
  bcx::DecodeSpans(TargetOf(*context), run.get(), bars);
  // The thorough dispatch builds its own run from the group's bars: give
  // them the widths as their measured widths.
  for (int32_t k = 0; k < bars; ++k) group[k].meanWidth = widths[2 * k];
  bcx::DecodeGroupThorough(TargetOf(*context), bars);
  for (int32_t i = 0; i < context->results.count; ++i) {
    Check(context->results.records[i].textLength <= count);
  }
  context->scan.group = nullptr;
  bcx::EmptyResultTable(context->results);
  delete context;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bcx::fuzz::FuzzInput input(data, size);
  const uint8_t mapping = input.Byte();
  const bool gs1 = (mapping & 0x80) != 0;
  const size_t perWidth = (mapping & 3) == 2 ? 2 : 1;
  const size_t count = std::min(input.RestSize() / perWidth, kMostWidths);
  std::unique_ptr<double[]> widths(new double[std::max<size_t>(count, 1)]);
  for (size_t i = 0; i < count; ++i) widths[i] = Width(input, mapping);
  DecodeEach(widths.get(), static_cast<int32_t>(count), gs1);
  SearchEach(widths.get(), static_cast<int32_t>(count), (mapping >> 4) & 6, gs1);
  Dispatch(widths.get(), static_cast<int32_t>(count), gs1);
  return 0;
}
