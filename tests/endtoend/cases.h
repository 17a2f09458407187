// Symbols with the type and text this library must report for them.
#pragma once

#include <zint.h>

#include <ostream>
#include <string>
#include <vector>

#include "bcxdec.h"
#include "expected_text.h"
#include "render.h"

namespace bcxtest {

struct ReadCase {
  const char* name;
  SymbolSpec symbolDef;
  std::vector<int> enabled;  // symbologies switched on for the scan
  int type;                  // expected identifier
  std::string text;          // expected bytes
};

constexpr char kFnc1 = static_cast<char>(201);
constexpr char kFnc4 = static_cast<char>(204);
constexpr int kCode39NoCheck = 0;

inline SymbolSpec Code39(const std::string& data) {
  return {BARCODE_CODE39, data, DATA_MODE, kCode39NoCheck};
}
inline SymbolSpec Code128(const std::string& data) { return {BARCODE_CODE128, data}; }
inline SymbolSpec Gs1(const std::string& data) { return {BARCODE_GS1_128, data, GS1_MODE}; }
inline SymbolSpec Ean(const std::string& data) { return {BARCODE_EANX, data}; }
inline SymbolSpec UpcA(const std::string& data) { return {BARCODE_UPCA, data}; }
inline SymbolSpec UpcE(const std::string& data) { return {BARCODE_UPCE, data}; }
// zint draws ITF wide elements three modules wide; the decoder reads only
// two-module wide elements, so the tests draw them two wide.
inline SymbolSpec Itf(const std::string& data) {
  return {BARCODE_C25INTER, data, DATA_MODE, 0, true};
}

inline void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

// Every symbology with several payloads, each read alone.
inline std::vector<ReadCase> PayloadCases() {
  return {
      {"Code39Word", Code39("CODE39"), {BCX_CODE39}, BCX_CODE39, "CODE39"},
      {"Code39Digits", Code39("0123456789"), {BCX_CODE39}, BCX_CODE39, "0123456789"},
      {"Code39LettersAtoM", Code39("ABCDEFGHIJKLM"), {BCX_CODE39}, BCX_CODE39, "ABCDEFGHIJKLM"},
      {"Code39LettersNtoZ", Code39("NOPQRSTUVWXYZ"), {BCX_CODE39}, BCX_CODE39, "NOPQRSTUVWXYZ"},
      {"Code39Punctuation", Code39("-. $/+%"), {BCX_CODE39}, BCX_CODE39, "-. $/+%"},
      {"Code39OneChar", Code39("Z"), {BCX_CODE39}, BCX_CODE39, "Z"},
      {"Code128SetB", Code128("AB"), {BCX_CODE128}, BCX_CODE128, "AB"},
      {"Code128SetC", Code128("123456"), {BCX_CODE128}, BCX_CODE128, "123456"},
      {"Code128BtoCtoB", Code128("ab1234567890yz"), {BCX_CODE128}, BCX_CODE128, "ab1234567890yz"},
      {"Code128ShiftToA", Code128("ab\tcd"), {BCX_CODE128}, BCX_CODE128, "ab\tcd"},
      {"Code128SetAThenB",
       Code128("\x01\x02\x03xyz"),
       {BCX_CODE128},
       BCX_CODE128,
       "\x01\x02\x03xyz"},
      {"Code128DelIs195",
       Code128("A\x7f"),
       {BCX_CODE128},
       BCX_CODE128,
       std::string("A") + static_cast<char>(195)},
      {"Code128Fnc4",
       Code128("x\xe9y"),
       {BCX_CODE128},
       BCX_CODE128,
       std::string("x") + kFnc4 + "iy"},
      {"Code128Punctuation",
       Code128("Hello, World! ~{}"),
       {BCX_CODE128},
       BCX_CODE128,
       "Hello, World! ~{}"},
      {"Gs1Switch2On",
       Gs1("[01]12345678901231"),
       {BCX_CODE128, BCX_GS1_128},
       BCX_GS1_128,
       "0112345678901231"},
      {"Gs1Switch2Off",
       Gs1("[01]12345678901231"),
       {BCX_CODE128},
       BCX_CODE128,
       std::string(1, kFnc1) + "0112345678901231"},
      {"Gs1SeparatorOn",
       Gs1("[10]1234AB[21]56"),
       {BCX_CODE128, BCX_GS1_128},
       BCX_GS1_128,
       std::string("101234AB") + kFnc1 + "2156"},
      {"Gs1SeparatorOff",
       Gs1("[10]1234AB[21]56"),
       {BCX_CODE128},
       BCX_CODE128,
       std::string(1, kFnc1) + "101234AB" + kFnc1 + "2156"},
      {"Gs1TwoFixedAis",
       Gs1("[01]09501101530003[17]251231"),
       {BCX_CODE128, BCX_GS1_128},
       BCX_GS1_128,
       "0109501101530003"
       "17251231"},
      {"Ean13", Ean("400638133393"), {BCX_EAN13}, BCX_EAN13, "400638133393"},
      {"Ean13Isbn", Ean("978020137962"), {BCX_EAN13}, BCX_EAN13, "978020137962"},
      {"Ean13Zeros", Ean("000000000000"), {BCX_EAN13}, BCX_EAN13, "000000000000"},
      {"Ean13Leading5", Ean("590123412345"), {BCX_EAN13}, BCX_EAN13, "590123412345"},
      {"Ean8", Ean("9638507"), {BCX_EAN8}, BCX_EAN8, "9638507"},
      {"Ean8Sequence", Ean("1234567"), {BCX_EAN8}, BCX_EAN8, "1234567"},
      {"Ean8Nines", Ean("9999999"), {BCX_EAN8}, BCX_EAN8, "9999999"},
      {"UpcA", UpcA("03600029145"), {BCX_UPCA}, BCX_UPCA, "036000291452"},
      {"UpcASequence",
       UpcA("12345678901"),
       {BCX_UPCA},
       BCX_UPCA,
       std::string("12345678901") + Mod10CheckDigit("12345678901")},
      {"UpcAAsEan13", UpcA("03600029145"), {BCX_EAN13, BCX_UPCA}, BCX_EAN13, "003600029145"},
      {"UpcELast1", UpcE("0425261"), {BCX_UPCE}, BCX_UPCE, UpcEText("425261")},
      {"UpcELast3", UpcE("0123453"), {BCX_UPCE}, BCX_UPCE, UpcEText("123453")},
      {"UpcELast4", UpcE("0123454"), {BCX_UPCE}, BCX_UPCE, UpcEText("123454")},
      {"UpcELast0", UpcE("0123450"), {BCX_UPCE}, BCX_UPCE, UpcEText("123450")},
      {"UpcELast6", UpcE("0123456"), {BCX_UPCE}, BCX_UPCE, UpcEText("123456")},
      {"ItfTwoDigits", Itf("12"), {BCX_ITF}, BCX_ITF, "12"},
      {"ItfFourDigits", Itf("1234"), {BCX_ITF}, BCX_ITF, "1234"},
      {"ItfFourteenDigits", Itf("12345678901231"), {BCX_ITF}, BCX_ITF, "12345678901231"},
      {"ItfAllDigits", Itf("0123456789"), {BCX_ITF}, BCX_ITF, "0123456789"},
  };
}

// One symbol per symbology (and GS1-128) for sweeps over angles and scale.
inline std::vector<ReadCase> SweepCases() {
  return {
      {"Code39", Code39("CODE39"), {BCX_CODE39}, BCX_CODE39, "CODE39"},
      {"Code128", Code128("Ab12345"), {BCX_CODE128}, BCX_CODE128, "Ab12345"},
      {"Gs1_128",
       Gs1("[01]12345678901231"),
       {BCX_CODE128, BCX_GS1_128},
       BCX_GS1_128,
       "0112345678901231"},
      {"Ean13", Ean("400638133393"), {BCX_EAN13}, BCX_EAN13, "400638133393"},
      {"Ean8", Ean("9638507"), {BCX_EAN8}, BCX_EAN8, "9638507"},
      {"UpcA", UpcA("03600029145"), {BCX_UPCA}, BCX_UPCA, "036000291452"},
      {"UpcE", UpcE("0425261"), {BCX_UPCE}, BCX_UPCE, UpcEText("425261")},
      {"Itf", Itf("12345678901231"), {BCX_ITF}, BCX_ITF, "12345678901231"},
  };
}

}  // namespace bcxtest
