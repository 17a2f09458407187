#include "bcxscan_settings.h"

#include <cstdint>

namespace bcxscan {
namespace {

std::string ThresholdText(int32_t level) {
  if (level == kThresholdOtsu) return "otsu";
  if (level == kThresholdAdaptive) return "adaptive";
  return std::to_string(level);
}

}  // namespace

bool ApplySettings(const Options& options, bcx_reader* reader, std::string* error) {
  if (bcx_reader_set_mode(reader, options.exact ? BCX_MODE_EXACT : BCX_MODE_THOROUGH) != 1) {
    *error = "the reader refused its mode";
    return false;
  }
  uint32_t types = 0;
  for (int type = 0; type < kSymbologyCount; ++type) {
    if (options.enable[type]) types |= 1u << type;
  }
  if (bcx_reader_set_types(reader, types) != 1) {
    *error = "the reader refused the types";
    return false;
  }
  if (bcx_reader_set_threshold(reader, options.threshold) != 1) {
    *error = "the image provider refused threshold " + ThresholdText(options.threshold);
    return false;
  }
  if (options.hasLimits &&
      bcx_reader_set_limits(reader, options.limits[0], options.limits[1], options.limits[2]) != 1) {
    *error = "the library refused the limits";
    return false;
  }
  if (options.maxPixels != 0 && bcx_reader_set_max_pixels(reader, options.maxPixels) != 1) {
    *error = bcx_reader_error(reader);
    return false;
  }
  return true;
}

bool SetRegion(const Options& options, bcx_reader* reader) {
  if (!options.hasRegion) {
    return bcx_reader_set_region(reader, kNoRegion, kNoRegion, kNoRegion, kNoRegion) == 1;
  }
  return bcx_reader_set_region(reader, options.region[0], options.region[1], options.region[2],
                               options.region[3]) == 1;
}

}  // namespace bcxscan
