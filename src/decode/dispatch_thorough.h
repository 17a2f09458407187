// Thorough decoding of a group: every enabled symbology searches the whole
// element run, both ways, for as many symbols as it holds.
#pragma once

#include <cstdint>

namespace bcx {

struct Context;

// Decodes the n ordered, merged bars of the context's group table. Each
// symbol found is stored once in the result table, with the corners of its
// first and last bars; bars one symbol used are not read again.
void DecodeGroupThorough(Context& context, int32_t n);

}  // namespace bcx
