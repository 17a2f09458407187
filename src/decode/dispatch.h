// Splits an ordered group into bar spans and offers each span to the enabled
// symbologies.
#pragma once

#include <cstdint>

namespace bcx {

// Decodes the n ordered, merged bars of g_scan.group, storing every symbol
// found in the result table.
void DecodeGroup(int32_t n);

// The span loop of DecodeGroup over a run of the n bars of g_scan.group
// (2n - 1 widths). Rewrites the group table and the run as spans leave.
void DecodeSpans(double* run, int32_t n);

// The span around the narrowest bar of a run of n bars: out to the nearest
// bar on each side at least width-ratio-limit times as wide, or to the ends.
void FindSpan(const double* run, int32_t n, int32_t* f, int32_t* l);

// Closes the gap that bars f to l leave in g_scan.group and in the run:
// later bars move down with their widths and following spaces; bar f - 1
// keeps the space that followed it. Returns the number of bars left.
int32_t RemoveSpan(double* run, int32_t n, int32_t f, int32_t l);

// Index of the first of the narrowest bars of a run of n bars.
int32_t NarrowestBar(const double* run, int32_t n);

// Offers bars f to l to the symbologies in their fixed order; on success
// stores the corners from the sides of bars f and l. Returns 1 when stored.
int DecodeSpan(int32_t f, int32_t l, const double* run);

void ReverseElementRun(const double* widths, double* reversed, int32_t count);

// Each tries the run forwards, then reversed; a success is written to the
// record at the result count (type, text), without raising the count.
int TryCode39(const double* widths, int32_t count);
int TryCode128(const double* widths, int32_t count);
int TryEan13(const double* widths, int32_t count);
int TryEan8(const double* widths, int32_t count);
int TryUpcA(const double* widths, int32_t count);
int TryUpcE(const double* widths, int32_t count);
int TryInterleaved2of5(const double* widths, int32_t count);

}  // namespace bcx
