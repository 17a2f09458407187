// Lines across the image at a spread of directions, where the bar field
// lets them through, each read as it is sampled.
#pragma once

#include <cstdint>

#include "stages/scanlines/line_work.h"

namespace bcx {
struct BarField;
struct Settings;
}  // namespace bcx

namespace bcx::lines {

// Lines run at kAngles directions over a half turn, 15 degrees apart: a
// symbol then lies within 7.5 degrees of one of them, which stretches its
// widths evenly by at most 1 / cos 7.5 = 1.009, and a line at that slant
// crosses the whole symbol wherever its bars are taller than an eighth of
// its length.
constexpr int32_t kAngles = 12;

// Whether two readings since reading `since` read one text in one place.
bool AnySymbolRead(const Work& w, int32_t since = 0);

// Below a page's size the lines are read in two looks. The first takes a
// quarter of them, those whose index k along their direction has
// k % kLookPeriod of 0 or 3 (a wide band and a narrow one, 6 and 10 pixels
// apart at the least spacing): a symbol a dozen pixels tall is still
// crossed by two of them. Where it reads none, the rest of the lines are
// read. Each look reads direction after direction and stops after the
// first that reads a symbol, the image then taken to hold no other, as
// where the components read one. A page's lines are all read in one
// look, wide and narrow bands taking turns along them.
constexpr int32_t kLookPeriod = 8;

enum class Look { kFirst, kRest, kAll };

// Reads the lines of `look` direction after direction (see Look).
void Sweep(const Settings& settings, const GreyImage& g, const BarField& field, Work& w, Look look);

// An image a few pixels thin (a scan line or a strip cut from one) is read
// along its length, row by row or column by column, each line its own.
bool IsThin(const GreyImage& g);
void SweepThin(const Settings& settings, const GreyImage& g, Work& w);

}  // namespace bcx::lines
