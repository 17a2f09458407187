#include "symbologies/code128/code128.h"

#include <cstring>

#include "symbologies/exact/classify.h"
#include "symbologies/exact/patterns.h"

namespace bcx {

namespace {

static_assert(sizeof(kCode128Table) / sizeof(kCode128Table[0]) == kCode128Values);

constexpr int kModulesPerCharacter = 11;

constexpr bool SumsToEleven(const char* row) {
  return PatternLength(row) == kCode128CharElements && PatternModules(row) == kModulesPerCharacter;
}
static_assert(EveryRow(kCode128Table, SumsToEleven));

constexpr const char* kStartA = kCode128StartA;
constexpr const char* kStartB = kCode128StartB;
constexpr const char* kStartC = kCode128StartC;
constexpr const char* kStop = kCode128Stop;
static_assert(CalibratesBarsAndSpaces(kStop));
constexpr int kStopElements = 7;
static_assert(SumsToEleven(kStartA) && SumsToEleven(kStartB) && SumsToEleven(kStartC));

constexpr int kStartAValue = kCode128StartAValue;
constexpr int kStartBValue = kCode128StartBValue;
constexpr int kStartCValue = kCode128StartCValue;
constexpr int kCheckModulus = 103;
// Start, check and stop: the shortest symbol.
constexpr int32_t kMinElements = 2 * kCode128CharElements + kStopElements;
// Check character and stop follow the last data character.
constexpr int32_t kTailElements = kCode128CharElements + kStopElements;
constexpr int32_t kFirstIsBar = 1;

using CodeSet = Code128CodeSet;
constexpr CodeSet kSetA = kCode128SetA;
constexpr CodeSet kSetB = kCode128SetB;
constexpr CodeSet kSetC = kCode128SetC;
constexpr CodeSet kNoShift = kCode128NoShift;

// Values whose meaning is not a plain character.
constexpr int kSetBDel = 95;
constexpr unsigned char kSetBDelByte = 195;
constexpr int kValueFnc3 = 96;
constexpr int kValueFnc2 = 97;
constexpr int kValueShift = 98;
constexpr int kValueCodeC = 99;
constexpr int kValueCodeBOrFnc4 = 100;
constexpr int kValueCodeAOrFnc4 = 101;
constexpr int kValueFnc1 = 102;
constexpr int kSetAControlFrom = 64;
constexpr int kAsciiSpace = 32;
constexpr int kDigitPairBase = 10;

using Code128State = Code128Text;

void PutByte(Code128State& s, unsigned char byte) { s.text[s.length++] = static_cast<char>(byte); }

void ActInSetC(Code128State& s, int v) {
  if (v < kValueCodeC + 1) {
    PutByte(s, static_cast<unsigned char>('0' + v / kDigitPairBase));
    PutByte(s, static_cast<unsigned char>('0' + v % kDigitPairBase));
  } else if (v == kValueCodeBOrFnc4) {
    s.current = kSetB;
  } else if (v == kValueCodeAOrFnc4) {
    s.current = kSetA;
  } else if (s.firstData && s.startedInC && s.gs1Enabled) {
    *s.leadingFnc1 = 1;  // marks GS1-128; the FNC1 itself writes nothing
  } else {
    PutByte(s, kFnc1Byte);
  }
}

// Sets A and B share every value from 96 up, with 98, 100 and 101 mirrored.
void ActInSetAOrB(Code128State& s, CodeSet set, int v) {
  const bool inA = set == kSetA;
  if (v < kValueFnc3) {
    if (inA) {
      PutByte(s, static_cast<unsigned char>(v < kSetAControlFrom ? v + kAsciiSpace
                                                                 : v - kSetAControlFrom));
    } else {
      PutByte(s, v == kSetBDel ? kSetBDelByte : static_cast<unsigned char>(v + kAsciiSpace));
    }
    return;
  }
  switch (v) {
    case kValueFnc3:
      PutByte(s, kFnc3Byte);
      break;
    case kValueFnc2:
      PutByte(s, kFnc2Byte);
      break;
    case kValueShift:
      s.shift = inA ? kSetB : kSetA;
      break;
    case kValueCodeC:
      s.current = kSetC;
      break;
    case kValueCodeBOrFnc4:
      if (inA) {
        s.current = kSetB;
      } else {
        PutByte(s, kFnc4Byte);
      }
      break;
    case kValueCodeAOrFnc4:
      if (inA) {
        PutByte(s, kFnc4Byte);
      } else {
        s.current = kSetA;
      }
      break;
    case kValueFnc1:
    default:
      PutByte(s, kFnc1Byte);
      break;
  }
}

void ActOnValue(Code128State& s, int v) {
  CodeSet set = s.current;
  if (s.shift != kNoShift) {
    set = s.shift;
    s.shift = kNoShift;
  }
  if (set == kSetC) {
    ActInSetC(s, v);
  } else {
    ActInSetAOrB(s, set, v);
  }
}

int ReadValue(const ModuleTables& tables, const double* widths, int32_t at) {
  char modules[kCode128CharElements + 1];
  ClassifyElements(tables, widths, at, kCode128CharElements, kFirstIsBar, modules);
  return MatchCode128Value(modules);
}

// Start value 103 to 105, or -1.
int ReadStart(const ModuleTables& tables, const double* widths) {
  char modules[kCode128CharElements + 1];
  ClassifyElements(tables, widths, 0, kCode128CharElements, kFirstIsBar, modules);
  if (std::strcmp(modules, kStartA) == 0) return kStartAValue;
  if (std::strcmp(modules, kStartB) == 0) return kStartBValue;
  if (std::strcmp(modules, kStartC) == 0) return kStartCValue;
  return -1;
}

}  // namespace

int MatchCode128Value(const char* modules) {
  for (int v = 0; v < kCode128Values; ++v) {
    if (std::strcmp(kCode128Table[v], modules) == 0) return v;
  }
  return -1;
}

Code128Text StartCode128Text(int startValue, const DecodeOptions& options, char* text,
                             int32_t* leadingFnc1) {
  *leadingFnc1 = 0;
  CodeSet set = kSetC;
  if (startValue == kStartAValue) set = kSetA;
  if (startValue == kStartBValue) set = kSetB;
  return Code128Text{set,         kNoShift,       startValue == kStartCValue, true, text, 0,
                     leadingFnc1, options.gs1_128};
}

void PutCode128Value(Code128Text& s, int value, bool firstData) {
  s.firstData = firstData;
  ActOnValue(s, value);
}

int DecodeCode128(const double* widths, int32_t count, const DecodeOptions& options, char* text,
                  int32_t* length, int32_t* leadingFnc1) {
  if (count < kMinElements) return 0;
  const ModuleTables t = CalibrateModules(widths, count, kStop, 0);
  *leadingFnc1 = 0;
  const int start = ReadStart(t, widths);
  if (start < 0) return 0;
  Code128State s = StartCode128Text(start, options, text, leadingFnc1);
  int32_t sum = start;
  int32_t weight = 1;
  int32_t p = kCode128CharElements;
  while (p < count - kTailElements) {
    const int v = ReadValue(t, widths, p);
    if (v < 0) return 0;
    // Kept reduced: only the remainder is compared, and a long run must not
    // overflow the sum.
    sum = (sum + v * weight) % kCheckModulus;
    s.firstData = p == kCode128CharElements;
    p += kCode128CharElements;
    ActOnValue(s, v);
    weight = weight % kCheckModulus + 1;
  }
  const int check = ReadValue(t, widths, p);
  if (check < 0 || check != sum % kCheckModulus) return 0;
  p += kCode128CharElements;
  // The length test comes before the stop is read, so a run of the wrong
  // length is never read past its end.
  if (p + kStopElements != count) return 0;
  char modules[kStopElements + 1];
  ClassifyElements(t, widths, p, kStopElements, kFirstIsBar, modules);
  if (std::strcmp(modules, kStop) != 0) return 0;
  text[s.length] = '\0';
  *length = s.length;
  return 1;
}

}  // namespace bcx
