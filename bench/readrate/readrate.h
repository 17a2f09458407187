// Read-rate measurement over rendered sweeps and real photographs, and a
// step-by-step diagnosis of a symbol that does not read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cases.h"

namespace readrate {

// Prints, for one rendered symbol, what each pipeline step made of it and
// names the first step that loses it.
void Diagnose(const bcxtest::ReadCase& c, int moduleWidth, int barHeight, double degrees);

// The same for any image holding the symbol whose module runs are given.
void DiagnoseImage(const std::vector<uint8_t>& png, const std::vector<int>& runs, int moduleWidth,
                   const bcxtest::ReadCase& c);

// Reads the images of a manifest (path, symbology, expected text) and prints
// the read rate per symbology. Returns 0 unless the manifest is unreadable.
int ReadRealData(const std::string& manifestPath, bool verbose);

}  // namespace readrate
