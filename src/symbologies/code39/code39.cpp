#include "symbologies/code39/code39.h"

#include <cstring>

#include "symbologies/exact/classify.h"
#include "symbologies/exact/patterns.h"

namespace bcx {

namespace {

struct Code39Row {
  char character;
  const char* pattern;  // bar first, n narrow, w wide
};

constexpr Code39Row kCode39Table[] = {
    {'0', "nnnwwnwnn"},  // 0
    {'1', "wnnwnnnnw"},  // 1
    {'2', "nnwwnnnnw"},  // 2
    {'3', "wnwwnnnnn"},  // 3
    {'4', "nnnwwnnnw"},  // 4
    {'5', "wnnwwnnnn"},  // 5
    {'6', "nnwwwnnnn"},  // 6
    {'7', "nnnwnnwnw"},  // 7
    {'8', "wnnwnnwnn"},  // 8
    {'9', "nnwwnnwnn"},  // 9
    {'A', "wnnnnwnnw"},  // A
    {'B', "nnwnnwnnw"},  // B
    {'C', "wnwnnwnnn"},  // C
    {'D', "nnnnwwnnw"},  // D
    {'E', "wnnnwwnnn"},  // E
    {'F', "nnwnwwnnn"},  // F
    {'G', "nnnnnwwnw"},  // G
    {'H', "wnnnnwwnn"},  // H
    {'I', "nnwnnwwnn"},  // I
    {'J', "nnnnwwwnn"},  // J
    {'K', "wnnnnnnww"},  // K
    {'L', "nnwnnnnww"},  // L
    {'M', "wnwnnnnwn"},  // M
    {'N', "nnnnwnnww"},  // N
    {'O', "wnnnwnnwn"},  // O
    {'P', "nnwnwnnwn"},  // P
    {'Q', "nnnnnnwww"},  // Q
    {'R', "wnnnnnwwn"},  // R
    {'S', "nnwnnnwwn"},  // S
    {'T', "nnnnwnwwn"},  // T
    {'U', "wwnnnnnnw"},  // U
    {'V', "nwwnnnnnw"},  // V
    {'W', "wwwnnnnnn"},  // W
    {'X', "nwnnwnnnw"},  // X
    {'Y', "wwnnwnnnn"},  // Y
    {'Z', "nwwnwnnnn"},  // Z
    {'-', "nwnnnnwnw"},  // -
    {'.', "wwnnnnwnn"},  // .
    {' ', "nwwnnnwnn"},  // space
    {'*', "nwnnwnwnn"},  // * start/stop
    {'$', "nwnwnwnnn"},  // $
    {'/', "nwnwnnnwn"},  // /
    {'+', "nwnnnwnwn"},  // +
    {'%', "nnnwnwnwn"},  // %
};

constexpr int kCode39Rows = 44;
static_assert(sizeof(kCode39Table) / sizeof(kCode39Table[0]) == kCode39Rows);

constexpr int kWidePerCharacter = 3;

constexpr bool HasThreeWideOfNine(const char* pattern) {
  return MadeOf(pattern, "nw") && PatternLength(pattern) == kCode39CharElements &&
         CountOf(pattern, 'w') == kWidePerCharacter;
}
static_assert(EveryRow(kCode39Table,
                       [](const Code39Row& row) { return HasThreeWideOfNine(row.pattern); }));

constexpr const char* kStartStopModules = kCode39StartStop;
static_assert(CalibratesBarsAndSpaces(kStartStopModules));
constexpr int32_t kWideAsTwo = 1;
constexpr int32_t kWideAsThree = 0;
constexpr int32_t kFirstIsBar = 1;
constexpr int32_t kFirstIsSpace = 0;
// Start, gap, stop: the shortest symbol.
constexpr int32_t kMinElements = 2 * kCode39CharElements + 1;
constexpr int32_t kCharacterStride = kCode39CharElements + 1;

bool ElementsEqual(const ModuleTables& tables, const double* widths, int32_t first, int32_t n,
                   int32_t firstIsBar, const char* expected) {
  char modules[kCode39CharElements + 1];
  ClassifyElements(tables, widths, first, n, firstIsBar, modules);
  return std::strcmp(modules, expected) == 0;
}

bool IsNarrowGap(const ModuleTables& tables, const double* widths, int32_t at) {
  return ElementsEqual(tables, widths, at, 1, kFirstIsSpace, "1");
}

}  // namespace

void WidePatternToModules(const char* pattern, char* out, int32_t n, int32_t wideAs) {
  const char wide = wideAs == kWideAsTwo ? '2' : '3';
  for (int32_t i = 0; i < n; ++i) out[i] = pattern[i] == 'n' ? '1' : wide;
  out[n] = '\0';
}

namespace {

constexpr uint32_t WideMaskOf(const char* pattern) {
  uint32_t mask = 0;
  for (int i = 0; i < kCode39CharElements; ++i) {
    if (pattern[i] == 'w') mask |= 1u << i;
  }
  return mask;
}

// Every pattern of nine elements, narrow or wide, to its character (0 for
// none).
struct WideIndex {
  char characters[1u << kCode39CharElements];
};

constexpr WideIndex MakeWideIndex() {
  WideIndex index{};
  for (const Code39Row& row : kCode39Table)
    index.characters[WideMaskOf(row.pattern)] = row.character;
  return index;
}

constexpr WideIndex kWideIndex = MakeWideIndex();
static_assert(kWideIndex.characters[WideMaskOf("nwnnwnwnn")] == '*');

}  // namespace

int MatchCode39Wide(uint32_t wideMask, char* out) {
  if (wideMask >= (1u << kCode39CharElements) || kWideIndex.characters[wideMask] == '\0') return 0;
  *out = kWideIndex.characters[wideMask];
  return 1;
}

int MatchCode39Character(const char* modules, char* out) {
  char candidate[kCode39CharElements + 1];
  for (const Code39Row& row : kCode39Table) {
    WidePatternToModules(row.pattern, candidate, kCode39CharElements, kWideAsTwo);
    bool match = std::strcmp(candidate, modules) == 0;
    if (!match) {
      WidePatternToModules(row.pattern, candidate, kCode39CharElements, kWideAsThree);
      match = std::strcmp(candidate, modules) == 0;
    }
    if (match) {
      *out = row.character;
      return 1;
    }
  }
  return 0;
}

int DecodeCode39(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
                 int32_t* length, int32_t* /*leadingFnc1*/) {
  if (count < kMinElements) return 0;
  const ModuleTables t = CalibrateModules(widths, count, kStartStopModules, 1);
  if (!ElementsEqual(t, widths, 0, kCode39CharElements, kFirstIsBar, kStartStopModules)) return 0;
  if (!IsNarrowGap(t, widths, kCode39CharElements)) return 0;
  int32_t p = kCharacterStride;
  int32_t k = 0;
  char modules[kCode39CharElements + 1];
  while (p < count - kCode39CharElements) {
    ClassifyElements(t, widths, p, kCode39CharElements, kFirstIsBar, modules);
    if (MatchCode39Character(modules, &text[k]) == 0) return 0;
    ++k;
    if (!IsNarrowGap(t, widths, p + kCode39CharElements)) return 0;
    p += kCharacterStride;
  }
  // The length test comes before the stop is read, so a run of the wrong
  // length is never read past its end.
  if (p + kCode39CharElements != count) return 0;
  if (!ElementsEqual(t, widths, p, kCode39CharElements, kFirstIsBar, kStartStopModules)) return 0;
  text[k] = '\0';
  *length = k;
  return 1;
}

}  // namespace bcx
