#include "symbologies/ean_upc/ean_upc_thorough.h"

#include <cmath>
#include <cstring>

#include "symbologies/tolerant/module_match.h"

namespace bcx {

namespace {

constexpr int kModulesPerDigit = 7;
constexpr int32_t kDigitElements = kEanDigitElements;
constexpr const char* kSideGuard = kEanSideGuard;
constexpr const char* kCentreGuard = "11111";
constexpr int32_t kFirstIsBar = 1;
constexpr int32_t kFirstIsSpace = 0;
constexpr int kNoPartner = -1;

// Left-half digits are read from L (set A) and G (set B) codes, right-half
// digits from R codes, which have the widths of L codes bar first.
constexpr const char* CodeOf(DigitSet set, int digit) {
  return set == kSetG ? kEanGCodes[digit] : kEanLCodes[digit];
}

// The digit of the same set with the same edge sums, which only ink spread
// tells apart from this one (1 and 7, 2 and 8), or kNoPartner.
constexpr int PartnerOf(DigitSet set, int digit) {
  for (int d = 0; d < kEanDigitValues; ++d) {
    if (d != digit && EdgeSumDistanceLargest(CodeOf(set, d), CodeOf(set, digit)) == 0) return d;
  }
  return kNoPartner;
}

// Partners differ by one module in every element, alternately wider and
// narrower: what makes kMaxElementDeviation below decide between them.
constexpr bool PartnersOneModuleApart() {
  constexpr DigitSet kLeftSets[] = {kSetL, kSetG};
  for (DigitSet set : kLeftSets) {
    for (int d = 0; d < kEanDigitValues; ++d) {
      const int p = PartnerOf(set, d);
      if (p == kNoPartner) continue;
      for (int i = 0; i < kDigitElements; ++i) {
        const int step = CodeOf(set, p)[i] - CodeOf(set, d)[i];
        if (step != 1 && step != -1) return false;
      }
    }
  }
  return true;
}
static_assert(PartnersOneModuleApart());
static_assert(PartnerOf(kSetL, 1) == 7 && PartnerOf(kSetL, 2) == 8 && PartnerOf(kSetG, 1) == 7 &&
              PartnerOf(kSetG, 2) == 8 && PartnerOf(kSetL, 0) == kNoPartner);

// An L code and a G code never share edge sums (the sum of the first two
// elements is even in every L code, odd in every G code), so the edge sums
// alone tell the parity of a left digit.
constexpr bool SetsApartByEdgeSums() {
  for (int a = 0; a < kEanDigitValues; ++a) {
    for (int b = 0; b < kEanDigitValues; ++b) {
      if (EdgeSumDistanceLargest(kEanLCodes[a], kEanGCodes[b]) == 0) return false;
    }
  }
  return true;
}
static_assert(SetsApartByEdgeSums());

constexpr int WidestCodeElement() {
  int widest = 0;
  for (int d = 0; d < kEanDigitValues; ++d) {
    for (int i = 0; i < kDigitElements; ++i) {
      if (kEanLCodes[d][i] - '0' > widest) widest = kEanLCodes[d][i] - '0';
    }
  }
  return widest;
}
static_assert(WidestCodeElement() == kEanWidestInnerSpace);

// A digit is accepted when each edge sum, normalised by the digit's own
// seven modules, lies within this many modules of the code's: just under
// half, so that a sum is never as near two codes (codes with different
// sums differ by a whole module in one of them) and the nearest code is
// taken, as rounding each sum to whole modules would take it. A page
// scanned at 150 dpi puts a 0.33 mm module on 1.95 pixels and every edge
// on a whole pixel, which moves an edge sum by up to half a pixel each
// side of the digit; edges found in the grey profile of a blurred photo
// sit up to 0.2 module off on either side of an element. At 0.45 a fifth
// of the small symbols on such a page failed; the check digit, the
// guards, the quiet zones and two agreeing lines catch the wrong digits
// a wider bound lets through.
constexpr double kMaxEdgeDeviation = 0.499;
static_assert(2.0 * kMaxEdgeDeviation < 1.0);

// Between partners, once the candidate's ink spread is taken off each
// element, the nearer is taken; it must lie within this many modules in
// every element. Partners are a module apart in every element, so at 0.6
// the other is still at least 0.4 off. On a scan at 150 dpi every edge
// of a 1.95-pixel module is rounded to a whole pixel, which moves an
// element by up to a pixel, half a module: at 0.4 such scans lost every
// digit 1, 2, 7 and 8 rounded the wrong way, a fifth of all small symbols
// on a page; a wrong choice still has the check digit to pass.
constexpr double kMaxElementDeviation = 0.6;
static_assert(kMaxElementDeviation < 1.0);

// Past half a module of ink spread a one-module bar is as wide as a
// two-module one; no print tolerance reaches it.
constexpr double kMaxInkSpread = 0.5;

struct DigitMatch {
  int digit;
  DigitSet set;
  bool ambiguous;  // its partner has the same edge sums
  int32_t at;
  int32_t firstIsBar;
  double unit;
};

// The code within kMaxEdgeDeviation of the four elements at `at`.
bool MatchDigitAt(const double* widths, int32_t at, DigitSets sets, DigitMatch* match) {
  match->at = at;
  match->firstIsBar = sets == kRightR ? kFirstIsBar : kFirstIsSpace;
  match->unit = UnitOf(widths, at, kDigitElements, kModulesPerDigit);
  if (!(match->unit > 0.0)) return false;
  double sums[kDigitElements - 1];
  MeasureEdgeSums(widths, at, kDigitElements, match->unit, sums);
  double best = kMaxEdgeDeviation;
  bool found = false;
  const int setCount = sets == kLeftLOrG ? 2 : 1;
  for (int k = 0; k < setCount; ++k) {
    const DigitSet set = k == 1 ? kSetG : (sets == kRightR ? kSetR : kSetL);
    for (int d = 0; d < kEanDigitValues; ++d) {
      const double deviation = EdgeSumDeviation(sums, CodeOf(set, d));
      if (deviation < best) {
        best = deviation;
        match->digit = d;
        match->set = set;
        found = true;
      }
    }
  }
  if (!found) return false;
  match->ambiguous = PartnerOf(match->set, match->digit) != kNoPartner;
  return true;
}

// Where the parts of a candidate starting at `at` lie.
struct EanLayout {
  int32_t leftAt;
  int32_t centreAt;  // when the shape has a right half
  int32_t rightAt;
  int32_t endAt;
  int32_t last;
  int32_t elements;
  int32_t modules;
};

EanLayout LayoutOf(const EanShape& shape, int32_t at) {
  EanLayout l{};
  l.leftAt = at + kGuardElements;
  l.centreAt = l.leftAt + kDigitElements * shape.leftDigits;
  l.rightAt = l.centreAt + kCentreGuardElements;
  l.endAt = shape.rightDigits > 0 ? l.rightAt + kDigitElements * shape.rightDigits : l.centreAt;
  l.last = l.endAt + PatternLength(shape.endGuard) - 1;
  l.elements = l.last - at + 1;
  l.modules = PatternModules(kSideGuard) + kModulesPerDigit * shape.leftDigits +
              PatternModules(shape.endGuard);
  if (shape.rightDigits > 0) {
    l.modules += PatternModules(kCentreGuard) + kModulesPerDigit * shape.rightDigits;
  }
  return l;
}

// A guard's edge sums in modules of `unit` (its neighbouring digits' mean).
bool GuardReads(const double* widths, int32_t at, const char* guard, double unit) {
  double sums[kCentreGuardElements + 1];
  MeasureEdgeSums(widths, at, PatternLength(guard), unit, sums);
  return EdgeSumDeviation(sums, guard) < kMaxEdgeDeviation;
}

double MeanUnit(const DigitMatch* matches, int32_t first, int32_t n) {
  double sum = 0.0;
  for (int32_t j = first; j < first + n; ++j) sum += matches[j].unit;
  return sum / n;
}

// The ink spread of the candidate in modules, from its guards and the
// digits whose code is sure; partners are decided with it.
struct InkTally {
  double excess;
  int32_t elements;
};

void TallyGuard(InkTally& t, const double* widths, int32_t at, const char* guard,
                int32_t firstIsBar, double unit) {
  t.excess += InkExcessOf(widths, at, PatternLength(guard), unit, firstIsBar, guard);
  t.elements += PatternLength(guard);
}

bool ReadCandidate(const double* widths, int32_t count, int32_t at, const EanShape& shape,
                   EanReading* reading) {
  const EanLayout l = LayoutOf(shape, at);
  if (count - at < l.elements) return false;
  const int32_t digits = shape.leftDigits + shape.rightDigits;
  DigitMatch matches[kMaxEanDigits];
  for (int32_t j = 0; j < digits; ++j) {
    const bool left = j < shape.leftDigits;
    const int32_t digitAt =
        left ? l.leftAt + kDigitElements * j : l.rightAt + kDigitElements * (j - shape.leftDigits);
    if (!MatchDigitAt(widths, digitAt, left ? shape.leftSets : kRightR, &matches[j])) return false;
  }
  const double leftUnit = MeanUnit(matches, 0, shape.leftDigits);
  const double rightUnit =
      shape.rightDigits > 0 ? MeanUnit(matches, shape.leftDigits, shape.rightDigits) : leftUnit;
  const double allUnit = MeanUnit(matches, 0, digits);
  if (!GuardReads(widths, at, kSideGuard, leftUnit)) return false;
  if (shape.rightDigits > 0 && !GuardReads(widths, l.centreAt, kCentreGuard, allUnit)) return false;
  if (!GuardReads(widths, l.endAt, shape.endGuard, rightUnit)) return false;

  InkTally ink{0.0, 0};
  TallyGuard(ink, widths, at, kSideGuard, kFirstIsBar, leftUnit);
  if (shape.rightDigits > 0) {
    TallyGuard(ink, widths, l.centreAt, kCentreGuard, kFirstIsSpace, allUnit);
  }
  TallyGuard(ink, widths, l.endAt, shape.endGuard, shape.endGuardFirstIsBar, rightUnit);
  for (int32_t j = 0; j < digits; ++j) {
    const DigitMatch& m = matches[j];
    if (m.ambiguous) continue;
    ink.excess +=
        InkExcessOf(widths, m.at, kDigitElements, m.unit, m.firstIsBar, CodeOf(m.set, m.digit));
    ink.elements += kDigitElements;
  }
  const double spread = ink.excess / ink.elements;
  if (!(std::fabs(spread) <= kMaxInkSpread)) return false;

  for (int32_t j = 0; j < digits; ++j) {
    DigitMatch& m = matches[j];
    if (m.ambiguous) {
      const int partner = PartnerOf(m.set, m.digit);
      const double own = ElementDistanceTo(widths, m.at, kDigitElements, m.unit, spread,
                                           m.firstIsBar, CodeOf(m.set, m.digit));
      const double other = ElementDistanceTo(widths, m.at, kDigitElements, m.unit, spread,
                                             m.firstIsBar, CodeOf(m.set, partner));
      if (other < own) m.digit = partner;
      if (!((other < own ? other : own) < kMaxElementDeviation)) return false;
    }
    reading->digits[j] = static_cast<char>('0' + m.digit);
    reading->sets[j] = m.set;
  }
  reading->digits[digits] = '\0';
  reading->count = digits;

  double width = 0.0;
  for (int32_t i = at; i <= l.last; ++i) width += widths[i];
  const double unit = width / l.modules;
  return QuietBefore(widths, at, shape.leftQuietModules * unit) &&
         QuietAfter(widths, count, l.last, shape.rightQuietModules * unit);
}

}  // namespace

int SearchEan(const double* widths, int32_t count, int32_t from, const EanShape& shape,
              EanAccept accept, char* text, int32_t* length, ThoroughSpan* span) {
  const int32_t elements = LayoutOf(shape, 0).elements;
  for (int32_t at = FirstBarFrom(from, count); count - at >= elements; at += 2) {
    if (!MayStartSymbol(widths, count, at)) continue;
    // The start guard, in the modules of the left half as ReadCandidate
    // measures it, turns most bars away before any digit is matched.
    const double unit = UnitOf(widths, at + kGuardElements, kDigitElements * shape.leftDigits,
                               kModulesPerDigit * shape.leftDigits);
    if (!(unit > 0.0) || !GuardReads(widths, at, kSideGuard, unit)) continue;
    EanReading reading{};
    if (!ReadCandidate(widths, count, at, shape, &reading)) continue;
    if (!accept(reading, text, length)) continue;
    *span = ThoroughSpan{at, at + elements - 1};
    return 1;
  }
  return 0;
}

bool AcceptCheckedHalves(const EanReading& reading, const CheckedHalves& halves, char* text,
                         int32_t* length) {
  const int32_t checked = 2 * halves.digitsPerHalf - 1;
  std::memcpy(text, reading.digits, static_cast<size_t>(checked));
  text[checked] = '\0';
  if (reading.digits[checked] != '0' + ComputeCheckDigit(text)) return false;
  int32_t n = checked;
  if (halves.keepCheck) text[n++] = reading.digits[checked];
  text[n] = '\0';
  *length = n;
  return true;
}

}  // namespace bcx
