// Flood-fill segmentation of the region into dark components.
#include "detect/scan.h"

namespace bcx {

int SegmentRegion() { return 0; }

}  // namespace bcx
