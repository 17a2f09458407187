// Patterns of module digits ("211412") or of narrow and wide letters
// ("nnnwwnwnn"), measured at compile time, so that every table row of a
// symbology is checked against its character's shape before it is used.
#pragma once

#include <cstddef>

namespace bcx {

// Modules of a pattern of module digits ("211412" is 11).
constexpr int PatternModules(const char* pattern) {
  int sum = 0;
  for (int i = 0; pattern[i] != '\0'; ++i) sum += pattern[i] - '0';
  return sum;
}

constexpr int PatternLength(const char* pattern) {
  int n = 0;
  while (pattern[n] != '\0') ++n;
  return n;
}

// How many of the pattern's elements are `letter`.
constexpr int CountOf(const char* pattern, char letter) {
  int n = 0;
  for (int i = 0; pattern[i] != '\0'; ++i) n += pattern[i] == letter ? 1 : 0;
  return n;
}

// Whether every element of the pattern is one of `letters`.
constexpr bool MadeOf(const char* pattern, const char* letters) {
  for (int i = 0; pattern[i] != '\0'; ++i) {
    if (CountOf(letters, pattern[i]) == 0) return false;
  }
  return true;
}

// Whether `check` holds for every row of a table.
template <typename Row, size_t N, typename Check>
constexpr bool EveryRow(const Row (&rows)[N], Check check) {
  for (const Row& row : rows) {
    if (!check(row)) return false;
  }
  return true;
}

}  // namespace bcx
