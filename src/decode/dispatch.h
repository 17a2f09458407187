// Splits an ordered group into bar spans and offers each span to the enabled
// symbologies.
#pragma once

#include <cstdint>

namespace bcx {

// Decodes the n ordered, merged bars of g_scan.group, storing every symbol
// found in the result table.
void DecodeGroup(int32_t n);

}  // namespace bcx
