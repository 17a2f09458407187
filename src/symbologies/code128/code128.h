// Code 128: code sets A, B and C with shifts and set changes, function
// characters as bytes 201 to 204, modulo-103 check character.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

constexpr int kCode128CharElements = 6;
// The stop pattern in modules: calibration reads it at the end of the run.
constexpr const char* kCode128Stop = "2331112";
constexpr int kCode128Values = 103;
// Bar, space, bar, space, bar, space in modules, one row per value; the
// thorough decoder matches against the same rows.
inline constexpr const char* kCode128Table[kCode128Values] = {
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

// The start patterns and their values, which begin the check sum.
constexpr const char* kCode128StartA = "211412";
constexpr const char* kCode128StartB = "211214";
constexpr const char* kCode128StartC = "211232";
constexpr int kCode128StartAValue = 103;
constexpr int kCode128StartBValue = 104;
constexpr int kCode128StartCValue = 105;

constexpr unsigned char kFnc1Byte = 201;
constexpr unsigned char kFnc2Byte = 202;
constexpr unsigned char kFnc3Byte = 203;
constexpr unsigned char kFnc4Byte = 204;

// Value 0 to 102 of a 6-digit module string, or -1.
int MatchCode128Value(const char* modules);

enum Code128CodeSet { kCode128SetA, kCode128SetB, kCode128SetC, kCode128NoShift };

// Turning values into text, shared by the exact and the thorough decoder so
// that both write the same bytes.
struct Code128Text {
  Code128CodeSet current;
  Code128CodeSet shift;
  bool startedInC;
  bool firstData;
  char* text;
  int32_t length;
  int32_t* leadingFnc1;
  bool gs1Enabled;
};

// The state after start value 103, 104 or 105, writing to text from 0.
Code128Text StartCode128Text(int startValue, const DecodeOptions& options, char* text,
                             int32_t* leadingFnc1);

// Acts on one data value (not the check character); firstData marks the
// value right after the start.
void PutCode128Value(Code128Text& s, int value, bool firstData);

// The leading FNC1 flag is cleared when decoding starts and set to 1 when
// options.gs1_128 is on and the data of a Start C symbol opens with FNC1
// (the GS1-128 form), whose FNC1 then writes nothing.
DecodeSignature DecodeCode128;

}  // namespace bcx
