#include "reading.h"

#include <algorithm>
#include <chrono>

#include "readrate.h"

namespace readrate {
namespace {

std::vector<bcxtest::ReadResult> Collect(const bcx_reader* reader, int count) {
  std::vector<bcxtest::ReadResult> results;
  for (int i = 0; i < count; ++i) {
    bcxtest::ReadResult r{};
    r.type = bcx_result_type(reader, i);
    const uint8_t* bytes = nullptr;
    const size_t length = bcx_result_text(reader, i, &bytes);
    if (bytes != nullptr) r.text.assign(reinterpret_cast<const char*>(bytes), length);
    int32_t xy[8] = {};
    bcx_result_corners(reader, i, xy);
    for (int k = 0; k < 4; ++k)
      r.corners[k] = {static_cast<double>(xy[2 * k]), static_cast<double>(xy[2 * k + 1])};
    results.push_back(r);
  }
  return results;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

bool ParseModes(const std::string& word, std::vector<int>* modes) {
  if (word == "exact") {
    *modes = {BCX_MODE_EXACT};
  } else if (word == "thorough") {
    *modes = {BCX_MODE_THOROUGH};
  } else if (word == "both") {
    *modes = {BCX_MODE_EXACT, BCX_MODE_THOROUGH};
  } else {
    return false;
  }
  return true;
}

const char* ModeName(int mode) { return mode == BCX_MODE_EXACT ? "exact" : "thorough"; }

bcx_reader* NewReader(int mode) {
  bcx_reader* reader = bcx_reader_new();
  if (reader == nullptr) return nullptr;
  bcx_reader_set_mode(reader, mode);
  bcx_reader_set_types(reader, BCX_ALL_TYPES);
  return reader;
}

std::vector<bcxtest::ReadResult> ReadGrey(bcx_reader* reader, const Grey& image, double* ms) {
  const auto start = std::chrono::steady_clock::now();
  const int count =
      bcx_read_gray(reader, image.pixels.data(), image.width, image.height, image.width);
  if (ms != nullptr) *ms = MsSince(start);
  return Collect(reader, count);
}

std::vector<bcxtest::ReadResult> ReadEncoded(bcx_reader* reader, const std::vector<uint8_t>& bytes,
                                             double* ms) {
  const auto start = std::chrono::steady_clock::now();
  const int count = bcx_read_memory(reader, bytes.data(), bytes.size(), 0);
  if (ms != nullptr) *ms = MsSince(start);
  return Collect(reader, count);
}

Score ScoreResults(const std::vector<bcxtest::ReadResult>& results,
                   const std::vector<Symbol>& symbols) {
  std::vector<Expectation> wants(symbols.size(), Expectation{-1, ""});
  for (size_t i = 0; i < symbols.size(); ++i) {
    LibraryForm(symbols[i].symbology, symbols[i].text, &wants[i]);
  }
  std::vector<bool> found(symbols.size(), false);
  Score score;
  for (const bcxtest::ReadResult& r : results) {
    bool known = false;
    for (size_t i = 0; i < wants.size(); ++i) {
      if (wants[i].type < 0 || !Matches(r, wants[i], true)) continue;
      known = true;
      found[i] = true;
    }
    if (!known) ++score.misread;
  }
  score.read = static_cast<int>(std::count(found.begin(), found.end(), true));
  return score;
}

void ListResults(FILE* out, const std::string& label, int mode,
                 const std::vector<bcxtest::ReadResult>& results) {
  if (out == nullptr) return;
  if (results.empty()) std::fprintf(out, "%s\t%s\t-\n", label.c_str(), ModeName(mode));
  for (const bcxtest::ReadResult& r : results) {
    std::fprintf(out, "%s\t%s\t%s\t%s", label.c_str(), ModeName(mode), bcx_symbology_name(r.type),
                 bcxtest::Printable(r.text).c_str());
    for (const bcxtest::PointD& c : r.corners) std::fprintf(out, "\t%.0f,%.0f", c.x, c.y);
    std::fprintf(out, "\n");
  }
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const size_t mid = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(mid), values.end());
  return values[mid];
}

}  // namespace readrate
