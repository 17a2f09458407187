#include "decode/code128.h"

#include <cstring>

#include "decode/classify.h"

namespace bcx {

namespace {

// Bar, space, bar, space, bar, space in modules, one row per value.
constexpr const char* kCode128Table[] = {
    "212222",  // 0   space   | 00
    "222122",  // 1   !       | 01
    "222221",  // 2   "       | 02
    "121223",  // 3   #       | 03
    "121322",  // 4   $       | 04
    "131222",  // 5   %       | 05
    "122213",  // 6   &       | 06
    "122312",  // 7   '       | 07
    "132212",  // 8   (       | 08
    "221213",  // 9   )       | 09
    "221312",  // 10  *       | 10
    "231212",  // 11  +       | 11
    "112232",  // 12  ,       | 12
    "122132",  // 13  -       | 13
    "122231",  // 14  .       | 14
    "113222",  // 15  /       | 15
    "123122",  // 16  0       | 16
    "123221",  // 17  1       | 17
    "223211",  // 18  2       | 18
    "221132",  // 19  3       | 19
    "221231",  // 20  4       | 20
    "213212",  // 21  5       | 21
    "223112",  // 22  6       | 22
    "312131",  // 23  7       | 23
    "311222",  // 24  8       | 24
    "321122",  // 25  9       | 25
    "321221",  // 26  :       | 26
    "312212",  // 27  ;       | 27
    "322112",  // 28  <       | 28
    "322211",  // 29  =       | 29
    "212123",  // 30  >       | 30
    "212321",  // 31  ?       | 31
    "232121",  // 32  @       | 32
    "111323",  // 33  A       | 33
    "131123",  // 34  B       | 34
    "131321",  // 35  C       | 35
    "112313",  // 36  D       | 36
    "132113",  // 37  E       | 37
    "132311",  // 38  F       | 38
    "211313",  // 39  G       | 39
    "231113",  // 40  H       | 40
    "231311",  // 41  I       | 41
    "112133",  // 42  J       | 42
    "112331",  // 43  K       | 43
    "132131",  // 44  L       | 44
    "113123",  // 45  M       | 45
    "113321",  // 46  N       | 46
    "133121",  // 47  O       | 47
    "313121",  // 48  P       | 48
    "211331",  // 49  Q       | 49
    "231131",  // 50  R       | 50
    "213113",  // 51  S       | 51
    "213311",  // 52  T       | 52
    "213131",  // 53  U       | 53
    "311123",  // 54  V       | 54
    "311321",  // 55  W       | 55
    "331121",  // 56  X       | 56
    "312113",  // 57  Y       | 57
    "312311",  // 58  Z       | 58
    "332111",  // 59  [       | 59
    "314111",  // 60  \       | 60
    "221411",  // 61  ]       | 61
    "431111",  // 62  ^       | 62
    "111224",  // 63  _       | 63
    "111422",  // 64  NUL / ` | 64
    "121124",  // 65  SOH / a | 65
    "121421",  // 66  STX / b | 66
    "141122",  // 67  ETX / c | 67
    "141221",  // 68  EOT / d | 68
    "112214",  // 69  ENQ / e | 69
    "112412",  // 70  ACK / f | 70
    "122114",  // 71  BEL / g | 71
    "122411",  // 72  BS / h  | 72
    "142112",  // 73  HT / i  | 73
    "142211",  // 74  LF / j  | 74
    "241211",  // 75  VT / k  | 75
    "221114",  // 76  FF / l  | 76
    "413111",  // 77  CR / m  | 77
    "241112",  // 78  SO / n  | 78
    "134111",  // 79  SI / o  | 79
    "111242",  // 80  DLE / p | 80
    "121142",  // 81  DC1 / q | 81
    "121241",  // 82  DC2 / r | 82
    "114212",  // 83  DC3 / s | 83
    "124112",  // 84  DC4 / t | 84
    "124211",  // 85  NAK / u | 85
    "411212",  // 86  SYN / v | 86
    "421112",  // 87  ETB / w | 87
    "421211",  // 88  CAN / x | 88
    "212141",  // 89  EM / y  | 89
    "214121",  // 90  SUB / z | 90
    "412121",  // 91  ESC / { | 91
    "111143",  // 92  FS / |  | 92
    "111341",  // 93  GS / }  | 93
    "131141",  // 94  RS / ~  | 94
    "114113",  // 95  US / DEL| 95
    "114311",  // 96  FNC3    | 96
    "411113",  // 97  FNC2    | 97
    "411311",  // 98  SHIFT   | 98
    "113141",  // 99  CODE C  | 99
    "114131",  // 100 CODE B / FNC4 | CODE B
    "311141",  // 101 FNC4 / CODE A | CODE A
    "411131",  // 102 FNC1
};
static_assert(sizeof(kCode128Table) / sizeof(kCode128Table[0]) == kCode128Values);

constexpr int kModulesPerCharacter = 11;

constexpr bool SumsToEleven(const char* row) {
  int sum = 0;
  int n = 0;
  for (; row[n] != '\0'; ++n) sum += row[n] - '0';
  return n == kCode128CharElements && sum == kModulesPerCharacter;
}

constexpr bool AllRowsElevenModules() {
  for (const char* row : kCode128Table) {
    if (!SumsToEleven(row)) return false;
  }
  return true;
}
static_assert(AllRowsElevenModules());

constexpr const char* kStartA = "211412";  // value 103
constexpr const char* kStartB = "211214";  // value 104
constexpr const char* kStartC = "211232";  // value 105
constexpr const char* kStop = kCode128Stop;
static_assert(CalibratesBarsAndSpaces(kStop));
constexpr int kStopElements = 7;
static_assert(SumsToEleven(kStartA) && SumsToEleven(kStartB) && SumsToEleven(kStartC));

constexpr int kStartAValue = 103;
constexpr int kStartBValue = 104;
constexpr int kStartCValue = 105;
constexpr int kCheckModulus = 103;
// Start, check and stop: the shortest symbol.
constexpr int32_t kMinElements = 2 * kCode128CharElements + kStopElements;
// Check character and stop follow the last data character.
constexpr int32_t kTailElements = kCode128CharElements + kStopElements;
constexpr int32_t kFirstIsBar = 1;

enum CodeSet { kSetA, kSetB, kSetC, kNoShift };

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

struct Code128State {
  CodeSet current;
  CodeSet shift;
  bool startedInC;
  bool firstData;
  char* text;
  int32_t length;
  int32_t* leadingFnc1;
  bool gs1Enabled;
};

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
int ReadStart(const ModuleTables& tables, const double* widths, CodeSet* set) {
  char modules[kCode128CharElements + 1];
  ClassifyElements(tables, widths, 0, kCode128CharElements, kFirstIsBar, modules);
  if (std::strcmp(modules, kStartA) == 0) {
    *set = kSetA;
    return kStartAValue;
  }
  if (std::strcmp(modules, kStartB) == 0) {
    *set = kSetB;
    return kStartBValue;
  }
  if (std::strcmp(modules, kStartC) == 0) {
    *set = kSetC;
    return kStartCValue;
  }
  return -1;
}

}  // namespace

int MatchCode128Value(const char* modules) {
  for (int v = 0; v < kCode128Values; ++v) {
    if (std::strcmp(kCode128Table[v], modules) == 0) return v;
  }
  return -1;
}

int DecodeCode128(const double* widths, int32_t count, const DecodeOptions& options, char* text,
                  int32_t* length, int32_t* leadingFnc1) {
  if (count < kMinElements) return 0;
  const ModuleTables t = CalibrateModules(widths, count, kStop, 0);
  *leadingFnc1 = 0;
  Code128State s{kSetA, kNoShift, false, true, text, 0, leadingFnc1, options.gs1_128};
  const int start = ReadStart(t, widths, &s.current);
  if (start < 0) return 0;
  s.startedInC = start == kStartCValue;
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
