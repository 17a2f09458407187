#include "run_builder.h"

#include <zint.h>

#include <memory>
#include <random>

#include "symbologies/table.h"

namespace bcx::test {

namespace {

bool ModuleIsSet(const zint_symbol* symbol, int row, int column) {
  return ((symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
}

}  // namespace

std::string ZintModules(int symbology, const std::string& data, int option2) {
  zint_symbol* symbol = ZBarcode_Create();
  symbol->symbology = symbology;
  symbol->option_2 = option2;
  symbol->show_hrt = 0;
  const int error = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(data.data()),
                                    static_cast<int>(data.size()));
  std::string modules;
  if (error < ZINT_ERROR && symbol->rows == 1) {
    for (int column = 0; column < symbol->width; ++column) {
      modules.push_back(ModuleIsSet(symbol, 0, column) ? '1' : '0');
    }
  }
  ZBarcode_Delete(symbol);
  const size_t first = modules.find('1');
  if (first == std::string::npos) return "";
  const size_t last = modules.rfind('1');
  return modules.substr(first, last - first + 1);
}

std::vector<int> ElementsOfModules(const std::string& modules) {
  std::vector<int> elements;
  size_t i = 0;
  while (i < modules.size()) {
    size_t j = i;
    while (j < modules.size() && modules[j] == modules[i]) ++j;
    elements.push_back(static_cast<int>(j - i));
    i = j;
  }
  return elements;
}

std::vector<int> ElementsOfDigits(const std::string& digits) {
  std::vector<int> elements;
  for (char c : digits) elements.push_back(c - '0');
  return elements;
}

std::vector<int> WideAs(const std::vector<int>& elements, int wide) {
  std::vector<int> out = elements;
  for (int& e : out) {
    if (e > 1) e = wide;
  }
  return out;
}

std::vector<int> Join(const std::vector<std::vector<int>>& parts) {
  std::vector<int> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

std::vector<double> Render(const std::vector<int>& elements, double pixelsPerModule, double jitter,
                           uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<double> offset(-jitter, jitter);
  std::vector<double> run;
  for (int e : elements) {
    const double noise = jitter > 0.0 ? offset(generator) : 0.0;
    run.push_back(e * pixelsPerModule + noise);
  }
  return run;
}

std::vector<double> Reversed(const std::vector<double>& run) {
  return std::vector<double>(run.rbegin(), run.rend());
}

int32_t SymbologyIdOf(Symbology symbology) {
  switch (symbology) {
    case Symbology::kCode39:
      return kCode39;
    case Symbology::kCode128:
      return kCode128;
    case Symbology::kEan13:
      return kEan13;
    case Symbology::kEan8:
      return kEan8;
    case Symbology::kUpcA:
      return kUpcA;
    case Symbology::kUpcE:
      return kUpcE;
    case Symbology::kItf:
      return kInterleaved2of5;
  }
  return -1;
}

Reading Decode(Symbology symbology, const std::vector<double>& run, bool gs1) {
  const int32_t count = static_cast<int32_t>(run.size());
  std::unique_ptr<double[]> widths(new double[run.size()]);
  for (size_t i = 0; i < run.size(); ++i) widths[i] = run[i];
  std::unique_ptr<char[]> text(new char[run.size()]);
  Reading reading;
  const DecodeOptions options{gs1};
  // Through the symbology table, as dispatch calls them.
  reading.result =
      FindSymbology(SymbologyIdOf(symbology))
          ->decode(widths.get(), count, options, text.get(), &reading.length, &reading.leadingFnc1);
  if (reading.result == 1 && reading.length >= 0 && reading.length < count) {
    reading.text.assign(text.get(), static_cast<size_t>(reading.length));
    reading.terminated = text[static_cast<size_t>(reading.length)] == '\0';
  }
  return reading;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

}  // namespace bcx::test
