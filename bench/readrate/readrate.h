// Read-rate measurement over rendered sweeps and real photographs, and a
// step-by-step diagnosis of a symbol that does not read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cases.h"
#include "render.h"

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

// What this library reports for a symbol whose content is stated as the
// real-data manifests state it (symbology name, text in the source's form).
struct Expectation {
  int type;
  std::string text;
};
bool LibraryForm(const std::string& symbology, const std::string& text, Expectation* out);

// Whether a result is the expected symbol; with every symbology on, a UPC-A
// read as EAN-13 counts.
bool Matches(const bcxtest::ReadResult& r, const Expectation& want, bool everythingOn);

// The raw Code 39 characters that write a text (full ASCII as pairs).
std::string Code39Raw(const std::string& text);

// One line of a manifest, its path made absolute.
struct ManifestEntry {
  std::string path;
  std::string symbology;
  std::string text;
};
bool LoadManifest(const std::string& manifestPath, std::vector<ManifestEntry>* entries);

// The same images through a reader in each of the modes, with every
// symbology on and with only the image's own.
// `results`, when not nullptr, receives every result (ListResults).
int ReadRealDataModes(const std::string& manifestPath, const std::vector<int>& modes, bool verbose,
                      FILE* results);

// Rendered symbols by degradation, symbology, module width and angle,
// through a reader in each of the modes.
struct SweepOptions {
  std::vector<int> modes;
  bool quick = false;
  bool verbose = false;
  bool png = false;  // through bcx_read_memory of a PNG, not the grey pixels
  int barHeight = 50;
  std::string dumpFolder;   // when set, every image a mode fails is saved there as PNG
  FILE* results = nullptr;  // when set, receives every result (ListResults)
};
int SweepModes(const SweepOptions& options);

// Pages of text and symbols at 150 / 300 / 600 dpi, through a reader in
// each of the modes.
struct PagesOptions {
  std::vector<int> modes;
  bool quick = false;
  bool verbose = false;
  bool scan = false;        // scan-like degradation of every page
  int perKind = 1;          // pages of each kind at each resolution
  std::vector<int> dpis;    // empty: 150, 300, 600
  std::string dumpFolder;   // when set, every page is saved there as PNG
  FILE* results = nullptr;  // when set, receives every result (ListResults)
};
int ReadPages(const PagesOptions& options);

}  // namespace readrate
