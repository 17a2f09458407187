// Texts this library reports for a symbol's data, worked out independently
// of the decoders: standard check digit arithmetic and the published UPC-E
// zero-suppression rule.
#pragma once

#include <string>

namespace bcxtest {

// Modulo-10 check digit of a digit string, weights 3 and 1 from the right.
inline char Mod10CheckDigit(const std::string& digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = weight == 3 ? 1 : 3;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// The ten manufacturer and item digits a six-digit UPC-E body stands for.
inline std::string ExpandUpcE(const std::string& six) {
  const char last = six[5];
  if (last <= '2') return six.substr(0, 2) + last + "0000" + six.substr(2, 3);
  if (last == '3') return six.substr(0, 3) + "00000" + six.substr(3, 2);
  if (last == '4') return six.substr(0, 4) + "00000" + six.substr(4, 1);
  return six.substr(0, 5) + "0000" + last;
}

// Reported UPC-E text for number system 0: expansion and check digit.
inline std::string UpcEText(const std::string& six) {
  const std::string ten = ExpandUpcE(six);
  return ten + Mod10CheckDigit("0" + ten);
}

}  // namespace bcxtest
