// Exported readers of the result table.
#include "api/context.h"
#include "bcxdec.h"

using namespace bcx;

namespace {

constexpr uint16_t kOutOfRange = 0xFFFF;

const ResultTable& Results() { return g_library.context.results; }

bool IsResultIndex(uint16_t index) { return index < Results().count; }

uint32_t PackPoint(Point p) {
  // 32-bit arithmetic: image x in the high half, image y in the low half.
  const uint32_t x = static_cast<uint32_t>(p.x) + static_cast<uint32_t>(g_library.image.regionLeft);
  const uint32_t y = static_cast<uint32_t>(p.y) + static_cast<uint32_t>(g_library.image.regionTop);
  return x * 65536u + y;
}

}  // namespace

extern "C" {

BCX_API uint16_t BCX_CALL BcxGetCount(void) noexcept {
  return static_cast<uint16_t>(Results().count & 0xFF);
}

BCX_API uint16_t BCX_CALL BcxGetType(uint16_t index) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  return static_cast<uint16_t>(Results().records[index].type);
}

BCX_API uint16_t BCX_CALL BcxGetStrLen(uint16_t index) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  return static_cast<uint16_t>(Results().records[index].textLength);
}

BCX_API uint16_t BCX_CALL BcxGetCharAt(uint16_t index, uint16_t position) noexcept {
  if (!IsResultIndex(index)) return kOutOfRange;
  const ResultRecord& record = Results().records[index];
  if (position >= record.textLength) return kOutOfRange;
  return record.text[position];
}

BCX_API uint16_t BCX_CALL BcxGetRect(uint16_t index, uint32_t* corner1, uint32_t* corner2,
                                     uint32_t* corner3, uint32_t* corner4) noexcept {
  if (!IsResultIndex(index)) return 0;
  if (corner1 == nullptr || corner2 == nullptr || corner3 == nullptr || corner4 == nullptr) {
    return 0;
  }
  const Point* c = Results().records[index].corners;
  *corner1 = PackPoint(c[0]);
  *corner2 = PackPoint(c[1]);
  *corner3 = PackPoint(c[2]);
  *corner4 = PackPoint(c[3]);
  return 1;
}

}  // extern "C"
