#include "symbologies/code128/code128_thorough.h"

#include <cmath>

#include "symbologies/code128/code128.h"
#include "symbologies/tolerant/module_match.h"

namespace bcx {

namespace {

constexpr int kModulesPerCharacter = 11;
constexpr int32_t kCharacterElements = kCode128CharElements;
constexpr int kEdgeSums = kCharacterElements - 1;

// The stop is a six-element character of eleven modules and a final bar;
// matching its first six like any character keeps every row one size.
constexpr const char* kStopCharacter = "233111";
constexpr int32_t kStopElements = 7;
constexpr int kStopModules = 13;

constexpr bool IsPrefixOf(const char* prefix, const char* whole) {
  for (int i = 0; prefix[i] != '\0'; ++i) {
    if (prefix[i] != whole[i]) return false;
  }
  return true;
}
static_assert(IsPrefixOf(kStopCharacter, kCode128Stop));
static_assert(PatternLength(kCode128Stop) == kStopElements);
static_assert(PatternModules(kCode128Stop) == kStopModules);

// The final bar and the space before it, summed edge to edge.
constexpr int kStopTailSum =
    (kCode128Stop[kStopElements - 2] - '0') + (kCode128Stop[kStopElements - 1] - '0');

// Rows 0 to 102 are the values, 103 to 105 the starts (their own values),
// 106 the stop.
constexpr int kStopRow = kCode128StartCValue + 1;
constexpr int kRows = kStopRow + 1;
static_assert(kCode128StartAValue == kCode128Values && kCode128StartBValue == kCode128Values + 1 &&
              kCode128StartCValue == kCode128Values + 2);

struct RowTable {
  const char* patterns[kRows];
};

constexpr RowTable MakeRows() {
  RowTable table{};
  for (int v = 0; v < kCode128Values; ++v) table.patterns[v] = kCode128Table[v];
  table.patterns[kCode128StartAValue] = kCode128StartA;
  table.patterns[kCode128StartBValue] = kCode128StartB;
  table.patterns[kCode128StartCValue] = kCode128StartC;
  table.patterns[kStopRow] = kStopCharacter;
  return table;
}
constexpr RowTable kRowTable = MakeRows();

constexpr bool AllRowsSixElementsElevenModules() {
  for (const char* row : kRowTable.patterns) {
    if (PatternLength(row) != kCharacterElements || PatternModules(row) != kModulesPerCharacter) {
      return false;
    }
  }
  return true;
}
static_assert(AllRowsSixElementsElevenModules());

// Every pair of rows differs by this many modules in some edge sum: the
// bar modules of every character are even, so no two rows differ by ink
// spread alone.
constexpr int ClosestRows() {
  int closest = kModulesPerCharacter;
  for (int a = 0; a < kRows; ++a) {
    for (int b = a + 1; b < kRows; ++b) {
      const int d = EdgeSumDistanceLargest(kRowTable.patterns[a], kRowTable.patterns[b]);
      if (d < closest) closest = d;
    }
  }
  return closest;
}
static_assert(ClosestRows() == 1);

// The widest space inside a symbol, in modules.
constexpr int WidestInnerSpace() {
  int widest = 0;
  for (const char* row : kRowTable.patterns) {
    for (int i = 1; i < PatternLength(row); i += 2) {
      if (row[i] - '0' > widest) widest = row[i] - '0';
    }
  }
  return widest;
}

// A row is accepted when every edge sum of the character, normalised by the
// character's own eleven modules, lies within this many modules of the
// row's. Rows differ by a whole module in some sum (ClosestRows), so below
// half a module only the nearest row can be within the bound, and every
// other row is at least 1 - 2 x 0.45 = 0.1 module further off. Element
// jitter of +-0.15 module moves a sum by at most 0.3, and normalising by a
// jittered width adds under 0.15 except when all six elements sit at the
// edge of the jitter band at once.
constexpr double kMaxEdgeDeviation = 0.45;
static_assert(2.0 * kMaxEdgeDeviation < ClosestRows());

// Past half a module of ink spread a one-module bar is as wide as a
// two-module one; no print tolerance reaches it, and a run that shows it is
// not a symbol.
constexpr double kMaxInkSpread = 0.5;

// Half the ten modules the symbology asks for: still wider than any inner
// space (four modules) with the ink spread a space may gain, so a character
// boundary never passes for a quiet zone.
constexpr double kQuietModules = 5.0;
static_assert(kQuietModules > WidestInnerSpace() + kMaxInkSpread);

constexpr int kCheckModulus = 103;
constexpr int32_t kFirstIsBar = 1;

// The row whose edge sums lie within kMaxEdgeDeviation of the six elements
// at `at`, searched in rows [firstRow, endRow), or -1. *unit receives the
// character's pixels per module.
int MatchRow(const double* widths, int32_t at, int firstRow, int endRow, double* unit) {
  *unit = UnitOf(widths, at, kCharacterElements, kModulesPerCharacter);
  if (!(*unit > 0.0)) return -1;
  double sums[kEdgeSums];
  MeasureEdgeSums(widths, at, kCharacterElements, *unit, sums);
  int best = -1;
  double bestDeviation = kMaxEdgeDeviation;
  for (int r = firstRow; r < endRow; ++r) {
    const double deviation = EdgeSumDeviation(sums, kRowTable.patterns[r]);
    if (deviation < bestDeviation) {
      best = r;
      bestDeviation = deviation;
    }
  }
  return best;
}

// What the whole candidate tells besides its values.
struct Candidate {
  double inkExcess;  // summed over elements, see InkExcessOf
  int32_t elements;
  int32_t modules;
};

void AddCharacter(Candidate& c, const double* widths, int32_t at, int32_t n, double unit,
                  const char* pattern) {
  c.inkExcess += InkExcessOf(widths, at, n, unit, kFirstIsBar, pattern);
  c.elements += n;
  c.modules += PatternModules(pattern);
}

double WidthOf(const double* widths, int32_t first, int32_t last) {
  double sum = 0.0;
  for (int32_t i = first; i <= last; ++i) sum += widths[i];
  return sum;
}

// The stop at p, after the check character `check`: its final bar, the
// check sum, the ink spread and the quiet zones of the symbol from `at`.
bool AcceptStop(const double* widths, int32_t count, int32_t at, int32_t p, double unit, int check,
                int32_t sum, Candidate& c) {
  if (count - p < kStopElements || check < 0 || sum % kCheckModulus != check) return false;
  const double tail = (widths[p + kStopElements - 2] + widths[p + kStopElements - 1]) / unit;
  if (!(std::fabs(tail - kStopTailSum) < kMaxEdgeDeviation)) return false;
  AddCharacter(c, widths, p, kStopElements, unit, kCode128Stop);
  if (!(std::fabs(c.inkExcess / c.elements) <= kMaxInkSpread)) return false;
  const int32_t last = p + kStopElements - 1;
  const double quiet = kQuietModules * WidthOf(widths, at, last) / c.modules;
  return QuietBefore(widths, at, quiet) && QuietAfter(widths, count, last, quiet);
}

// The symbol whose start is the character at `at`, if it reads whole.
int ReadFrom(const double* widths, int32_t count, int32_t at, const DecodeOptions& options,
             char* text, int32_t* length, int32_t* leadingFnc1, ThoroughSpan* span) {
  double unit = 0.0;
  const int start = MatchRow(widths, at, kCode128StartAValue, kStopRow, &unit);
  if (start < 0) return 0;
  Candidate c{0.0, 0, 0};
  AddCharacter(c, widths, at, kCharacterElements, unit, kRowTable.patterns[start]);
  Code128Text s = StartCode128Text(start, options, text, leadingFnc1);
  int32_t sum = start % kCheckModulus;
  int32_t weight = 1;
  // A value is written only once the next one is read, so that the last,
  // the check character, never is.
  int pending = -1;
  int32_t p = at + kCharacterElements;
  while (count - p >= kCharacterElements) {
    const int row = MatchRow(widths, p, 0, kRows, &unit);
    if (row == kStopRow) {
      if (!AcceptStop(widths, count, at, p, unit, pending, sum, c) || s.length == 0) return 0;
      text[s.length] = '\0';
      *length = s.length;
      *span = ThoroughSpan{at, p + kStopElements - 1};
      return 1;
    }
    if (row < 0 || row >= kCode128Values) return 0;
    AddCharacter(c, widths, p, kCharacterElements, unit, kRowTable.patterns[row]);
    if (pending >= 0) {
      sum = (sum + pending * weight) % kCheckModulus;
      weight = weight % kCheckModulus + 1;
      PutCode128Value(s, pending, p == at + 2 * kCharacterElements);
    }
    pending = row;
    p += kCharacterElements;
  }
  return 0;
}

}  // namespace

int DecodeCode128Thorough(const double* widths, int32_t count, int32_t from,
                          const DecodeOptions& options, char* text, int32_t* length,
                          int32_t* leadingFnc1, ThoroughSpan* span) {
  *leadingFnc1 = 0;
  for (int32_t at = FirstBarFrom(from, count); count - at > kCharacterElements; at += 2) {
    if (!MayStartSymbol(widths, count, at)) continue;
    if (ReadFrom(widths, count, at, options, text, length, leadingFnc1, span) == 1) return 1;
    *leadingFnc1 = 0;
  }
  return 0;
}

}  // namespace bcx
