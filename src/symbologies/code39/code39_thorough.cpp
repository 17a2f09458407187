#include "symbologies/code39/code39_thorough.h"

#include <cmath>

#include "symbologies/code39/code39.h"
#include "symbologies/tolerant/narrow_wide.h"

namespace bcx {

namespace {

constexpr int32_t kCharacterElements = kCode39CharElements;
constexpr int32_t kCharacterStride = kCharacterElements + 1;  // and the gap after it
constexpr int32_t kWidePerCharacter = 3;
constexpr char kStartStop = '*';
constexpr int32_t kMinDataCharacters = 1;
// Start, gap, one data character, gap, stop.
constexpr int32_t kMinElements = 2 * kCharacterStride + kCharacterElements;

constexpr int WideCount(const char* modules) {
  int wide = 0;
  for (int i = 0; modules[i] != '\0'; ++i) wide += modules[i] != '1' ? 1 : 0;
  return wide;
}
static_assert(PatternLength(kCode39StartStop) == kCharacterElements &&
              WideCount(kCode39StartStop) == kWidePerCharacter);

using narrow_wide::kMaxWideRatio;
using narrow_wide::kMinSeparation;
using narrow_wide::kQuietNarrows;
using narrow_wide::NarrowStepHolds;

// Gaps between characters are a narrow element wide or a little more;
// up to about three narrow elements is common in print, so four keeps
// those with a narrow to spare and stays below the quiet zone.
constexpr double kMaxGapNarrows = 4.0;
static_assert(kQuietNarrows > kMaxGapNarrows);

constexpr bool IsBar(int32_t i) { return i % 2 == 0; }

struct WideElements {
  bool elements[kCharacterElements];
};

constexpr WideElements WideOf(const char* modules) {
  WideElements w{};
  for (int32_t i = 0; i < kCharacterElements; ++i) w.elements[i] = modules[i] != '1';
  return w;
}

constexpr WideElements kStartStopWide = WideOf(kCode39StartStop);

// Ink spread in pixels shown by the nine elements at `at` read as
// with `wide` elements: half the difference between bars and spaces of one width,
// narrow and, where the character has both, wide.
double SpreadOf(const double* widths, int32_t at, const bool* isWide) {
  double sum[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // [wide][bar]
  int n[2][2] = {{0, 0}, {0, 0}};
  for (int32_t i = 0; i < kCharacterElements; ++i) {
    const int wide = isWide[i] ? 1 : 0;
    const int bar = IsBar(i) ? 1 : 0;
    sum[wide][bar] += widths[at + i];
    ++n[wide][bar];
  }
  double spread = 0.0;
  int terms = 0;
  for (int wide = 0; wide < 2; ++wide) {
    if (n[wide][0] > 0 && n[wide][1] > 0) {
      spread += (sum[wide][1] / n[wide][1] - sum[wide][0] / n[wide][0]) / 2.0;
      ++terms;
    }
  }
  return terms > 0 ? spread / terms : 0.0;
}

struct Character {
  char value;
  double narrow;                         // mean narrow width, spread taken off
  double spread;                         // what the character shows, see SpreadOf
  double corrected[kCharacterElements];  // widths, spread taken off
  bool wide[kCharacterElements];
};

// The character at `at` with `spread` pixels taken off its bars and given
// to its spaces: its three widest elements are the wide ones.
bool ReadCharacter(const double* widths, int32_t at, double spread, Character* out) {
  double* corrected = out->corrected;
  for (int32_t i = 0; i < kCharacterElements; ++i) {
    if (!IsMeasured(widths[at + i])) return false;
    corrected[i] = widths[at + i] + (IsBar(i) ? -spread : spread);
  }
  bool* wide = out->wide;
  if (!(SplitWidestEitherWay(widths + at, corrected, kCharacterElements, kWidePerCharacter, wide) >=
        kMinSeparation)) {
    return false;
  }
  uint32_t wideMask = 0;
  double narrowSum = 0.0;
  double wideSum = 0.0;
  for (int32_t i = 0; i < kCharacterElements; ++i) {
    if (wide[i]) wideMask |= 1u << i;
    (wide[i] ? wideSum : narrowSum) += corrected[i];
  }
  if (MatchCode39Wide(wideMask, &out->value) == 0) return false;
  out->narrow = narrowSum / (kCharacterElements - kWidePerCharacter);
  if (!(wideSum / kWidePerCharacter <= kMaxWideRatio * out->narrow)) return false;
  out->spread = SpreadOf(widths, at, wide);
  return true;
}

double WidthOf(const Character& c) { return narrow_wide::SumOf(c.corrected, kCharacterElements); }

// Every element of the `characters` characters from `at`, read with
// `spread`, agrees with the narrow and wide widths of the whole symbol.
// Each character is first scaled to the symbol's mean character width
// (all characters span the same modules) so that perspective, which
// narrows a symbol towards one end, is not taken for a wrong element.
bool ClassesHold(const double* widths, int32_t at, int32_t characters, double spread) {
  Character c{};
  double total = 0.0;
  for (int32_t k = 0; k < characters; ++k) {
    if (!ReadCharacter(widths, at + k * kCharacterStride, spread, &c)) return false;
    total += WidthOf(c);
  }
  const double mean = total / characters;
  return narrow_wide::ClassesHold([&](auto&& visit) {
    for (int32_t k = 0; k < characters; ++k) {
      ReadCharacter(widths, at + k * kCharacterStride, spread, &c);
      const double scale = mean / WidthOf(c);
      for (int32_t i = 0; i < kCharacterElements; ++i) {
        if (!visit(c.corrected[i] * scale, c.wide[i])) return false;
      }
    }
    return true;
  });
}

// One reading of the candidate whose start character is at `at`.
struct Pass {
  int32_t last;  // the stop's last bar
  int32_t length;
  double spreadSum;  // of the characters' own spreads
  double narrowSum;
  int32_t characters;
};

bool ReadPass(const double* widths, int32_t count, int32_t at, double spread, char* text,
              Pass* pass) {
  Character c{};
  if (!ReadCharacter(widths, at, spread, &c) || c.value != kStartStop) return false;
  *pass = Pass{0, 0, c.spread, c.narrow, 1};
  double narrow = c.narrow;
  for (int32_t p = at + kCharacterStride; count - p >= kCharacterElements; p += kCharacterStride) {
    // The gap before this character, a space: spread given back.
    const double gap = widths[p - 1] + spread;
    if (!IsMeasured(widths[p - 1]) || !(gap <= kMaxGapNarrows * narrow)) return false;
    if (!ReadCharacter(widths, p, spread, &c) || !NarrowStepHolds(c.narrow, narrow)) return false;
    pass->spreadSum += c.spread;
    pass->narrowSum += c.narrow;
    ++pass->characters;
    narrow = c.narrow;
    if (c.value == kStartStop) {
      pass->last = p + kCharacterElements - 1;
      return true;
    }
    text[pass->length++] = c.value;
  }
  return false;
}

// The symbol whose start character is at `at`: read once with the start's
// spread to find its extent, then again with the spread of all its
// characters.
bool ReadFrom(const double* widths, int32_t count, int32_t at, char* text, int32_t* length,
              ThoroughSpan* span) {
  Pass first{};
  if (!ReadPass(widths, count, at, SpreadOf(widths, at, kStartStopWide.elements), text, &first)) {
    return false;
  }
  const double spread = first.spreadSum / first.characters;
  Pass pass{};
  if (!ReadPass(widths, count, at, spread, text, &pass)) return false;
  if (pass.length < kMinDataCharacters) return false;
  const double narrow = pass.narrowSum / pass.characters;
  if (!ClassesHold(widths, at, pass.characters, spread)) return false;
  return narrow_wide::EndReading(widths, count, at, pass.last, narrow, spread, text, pass.length,
                                 length, span);
}

}  // namespace

int DecodeCode39Thorough(const double* widths, int32_t count, int32_t from,
                         const DecodeOptions& /*options*/, char* text, int32_t* length,
                         int32_t* /*leadingFnc1*/, ThoroughSpan* span) {
  return narrow_wide::SearchStarts(widths, count, from, kMinElements, ReadFrom, text, length, span);
}

}  // namespace bcx
