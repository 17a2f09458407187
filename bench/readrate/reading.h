// Reading through a bcx_reader in either mode, and scoring what it found
// against the symbols that were drawn.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bcxread.h"
#include "render.h"
#include "synth.h"

namespace readrate {

// "exact", "thorough" or "both"; false for anything else.
bool ParseModes(const std::string& word, std::vector<int>* modes);
const char* ModeName(int mode);

// A reader in the mode with every symbology on; freed by the owner.
bcx_reader* NewReader(int mode);

// Reads grey pixels or an encoded image; `ms` gets the call's wall time.
std::vector<bcxtest::ReadResult> ReadGrey(bcx_reader* reader, const Grey& image, double* ms);
std::vector<bcxtest::ReadResult> ReadEncoded(bcx_reader* reader, const std::vector<uint8_t>& bytes,
                                             double* ms);

struct Score {
  int read = 0;     // symbols of the image found with the right text
  int misread = 0;  // results that are none of the image's symbols
};

// Every symbol counts once however often it is reported.
Score ScoreResults(const std::vector<bcxtest::ReadResult>& results,
                   const std::vector<Symbol>& symbols);

double Median(std::vector<double> values);

// Writes one line per result to `out` (nothing when it is nullptr): the
// image's label, the mode, the type's name, the text and the four corners,
// or "-" where the image gave none. Two runs' lists compared line by line
// tell whether a change moved a single result.
void ListResults(FILE* out, const std::string& label, int mode,
                 const std::vector<bcxtest::ReadResult>& results);

}  // namespace readrate
