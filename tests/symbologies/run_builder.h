// Element runs for the decoder tests: symbols encoded by libzint (an
// independent encoder) or spelled out as module digits, rendered at a chosen
// pixel width with seeded jitter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bcx::test {

// Module row of a one-row symbol from libzint, "1" dark and "0" light, quiet
// zones trimmed; empty when zint refuses the data.
std::string ZintModules(int symbology, const std::string& data, int option2 = 0);

// Widths in modules of the runs of equal modules, bar first.
std::vector<int> ElementsOfModules(const std::string& modules);

// "211412" -> {2, 1, 1, 4, 1, 2}.
std::vector<int> ElementsOfDigits(const std::string& digits);

// Every wide element (more than 1 module) set to `wide` modules.
std::vector<int> WideAs(const std::vector<int>& elements, int wide);

// Concatenation helper.
std::vector<int> Join(const std::vector<std::vector<int>>& parts);

// Each element times pixelsPerModule plus a uniform offset in
// [-jitter, +jitter] from a generator seeded with `seed`.
std::vector<double> Render(const std::vector<int>& elements, double pixelsPerModule,
                           double jitter = 0.0, uint32_t seed = 1);

std::vector<double> Reversed(const std::vector<double>& run);

// A decoder's answer, called with a run and a text buffer on the heap of
// exactly their sizes so that the sanitizer sees any access outside them.
struct Reading {
  int result = 0;
  std::string text;
  int32_t length = -7;  // untouched unless the decoder succeeds
  int32_t leadingFnc1 = -7;
  bool terminated = false;  // a NUL right after the text
};

enum class Symbology { kCode39, kCode128, kEan13, kEan8, kUpcA, kUpcE, kItf };
constexpr Symbology kAllSymbologies[] = {Symbology::kCode39, Symbology::kCode128, Symbology::kEan13,
                                         Symbology::kEan8,   Symbology::kUpcA,    Symbology::kUpcE,
                                         Symbology::kItf};

// gs1 stands for switch 2, which only Code 128 reads.
Reading Decode(Symbology symbology, const std::vector<double>& run, bool gs1 = false);

// The symbology table's identifier of a decoder.
int32_t SymbologyIdOf(Symbology symbology);

// Bytes of a string literal including embedded high bytes.
std::string Bytes(std::initializer_list<int> bytes);

}  // namespace bcx::test
