// The 17 exports over arbitrary bytes: a load under a type code taken from
// the input, a page, the size, maybe a region, a scan and every accessor.
//   byte 0: type code (low nibble) and the previous load's type (high), as
//   type code 0 keeps it; byte 1: page; byte 2: threshold and region; then
//   the image bytes.
#include <cstddef>
#include <cstdint>

#include "bcxdec.h"
#include "fuzz_input.h"

namespace {

// The eight type codes, the two multi-page ones twice as often, and codes
// no host should pass.
constexpr uint16_t kTypeCodes[] = {
    BCX_IMG_DETECT, BCX_IMG_BMP,  BCX_IMG_TIFF, BCX_IMG_PNG, BCX_IMG_JPEG, BCX_IMG_PNM, BCX_IMG_GIF,
    BCX_IMG_WEBP,   BCX_IMG_TIFF, BCX_IMG_GIF,  8,           0xFFFF};
constexpr uint16_t kPreviousTypes[] = {BCX_IMG_BMP, BCX_IMG_TIFF, BCX_IMG_GIF, BCX_IMG_PNG};
constexpr int32_t kThresholds[] = {128, 1, 255, BCX_THRESHOLD_OTSU, BCX_THRESHOLD_ADAPTIVE, 200};
constexpr uint16_t kMostPagesScanned = 3;
// The exports accept up to 2^28 pixels, and a 35-byte GIF may claim them:
// loading such an image is fuzzed, scanning its quarter of a billion white
// pixels (seconds, as for any image that large) is not.
constexpr uint32_t kMostPixelsScanned = 1u << 24;

bool Initialise() {
  BcxInit();
  for (uint16_t id = BCX_CODE39; id <= BCX_ITF; ++id) BcxScanType(id, 1);
  return true;
}

void ReadResults() {
  const uint16_t count = BcxGetCount();
  for (uint16_t i = 0; i <= count; ++i) {  // one past the end on purpose
    uint32_t corners[4] = {};
    BcxGetType(i);
    BcxGetRect(i, &corners[0], &corners[1], &corners[2], &corners[3]);
    const uint16_t length = BcxGetStrLen(i);
    for (uint16_t k = 0; i < count && k <= length; ++k) BcxGetCharAt(i, k);
  }
}

void ScanCurrentPage(uint8_t control) {
  uint16_t width = 0;
  uint16_t height = 0;
  if (BcxGetImgSize(&width, &height) == 0) {
    BcxScan();  // refused without a size: must fail cleanly
    return;
  }
  if (static_cast<uint32_t>(width) * height > kMostPixelsScanned) return;
  if ((control & 0x10) != 0 && width > 2 && height > 2) {
    BcxSetRegion(static_cast<uint16_t>(width / 4), static_cast<uint16_t>(height / 4),
                 static_cast<uint16_t>(width - 1 - width / 4),
                 static_cast<uint16_t>(height - 1 - height / 4));
  }
  BcxScan();
  ReadResults();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialised = Initialise();
  (void)initialised;
  bcx::fuzz::FuzzInput input(data, size);
  const uint8_t types = input.Byte();
  const uint16_t type = kTypeCodes[(types & 0x0F) % (sizeof kTypeCodes / sizeof kTypeCodes[0])];
  // A failed load of one byte sets the type a type code 0 keeps, so that an
  // input replays alike whatever ran before it.
  const uint8_t nothing = 0;
  BcxLoadFromMem(&nothing, 1, kPreviousTypes[(types >> 4) % 4]);
  const uint8_t pageByte = input.Byte();
  const uint8_t control = input.Byte();
  BcxSetThreshold(kThresholds[(control & 0x0F) % (sizeof kThresholds / sizeof kThresholds[0])]);
  const size_t length = input.RestSize();
  if (length > UINT32_MAX) return 0;
  const uint16_t loaded = BcxLoadFromMem(input.Rest(), static_cast<uint32_t>(length), type);
  const uint16_t pages = BcxGetNumOfPages();
  if ((pageByte & 0x80) != 0) {
    // Page after page, as a host going through a document.
    for (uint16_t page = 0; page < pages && page < kMostPagesScanned; ++page) {
      if (BcxSetPage(page) != 0) ScanCurrentPage(control);
    }
  } else {
    const uint16_t page = pageByte & 0x7F;
    if (page == 0 || BcxSetPage(page) != 0 || loaded == 0) ScanCurrentPage(control);
  }
  BcxCleanUp();
  return 0;
}
