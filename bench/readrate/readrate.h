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

// The same for any image holding the symbol whose module runs are given;
// a module width of 0 is estimated from the group found.
void DiagnoseImage(const std::vector<uint8_t>& png, const std::vector<int>& runs,
                   double moduleWidth, const bcxtest::ReadCase& c);

// Diagnoses one image of the manifest, its symbol redrawn by zint from the
// expected text for the module runs.
int DiagnoseManifestImage(const std::string& manifestPath, const std::string& imagePath);

// Reads the images of a manifest (path, symbology, expected text) and prints
// the read rate per symbology. Returns 0 unless the manifest is unreadable.
int ReadRealData(const std::string& manifestPath, bool verbose);

}  // namespace readrate
