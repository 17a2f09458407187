#include "thorough_runs.h"

#include <cmath>
#include <memory>
#include <random>

namespace bcx::test {

std::vector<double> Printed(const std::vector<int>& elements, const Print& print) {
  std::mt19937 generator(print.seed);
  std::uniform_real_distribution<double> offset(-print.jitter, print.jitter);
  std::vector<double> run;
  for (size_t i = 0; i < elements.size(); ++i) {
    const double spread = i % 2 == 0 ? print.inkSpread : -print.inkSpread;
    const double noise = print.jitter > 0.0 ? offset(generator) : 0.0;
    run.push_back((elements[i] + spread + noise) * print.pixelsPerModule);
  }
  return run;
}

std::vector<double> PixelRounded(const std::vector<int>& elements, double pixelsPerModule,
                                 double offset) {
  std::vector<double> run;
  double at = offset;
  for (const int modules : elements) {
    const double next = at + modules * pixelsPerModule;
    run.push_back(std::round(next) - std::round(at));
    at = next;
  }
  return run;
}

std::string FirstPixelRoundedFailure(ThoroughDecodeFunction decode, NarrowWideElements elements,
                                     const std::string& text) {
  struct Case {
    int narrow;
    int wide;
    double narrowPx;
  };
  constexpr Case kCases[] = {{1, 2, 1.95}, {1, 3, 1.95}, {1, 2, 2.7}, {2, 5, 2.7},
                             {1, 3, 2.7},  {1, 2, 3.3},  {2, 5, 3.3}, {1, 3, 3.3}};
  for (const Case& c : kCases) {
    const std::vector<int> drawn = elements(c.narrow, c.wide);
    for (int step = 0; step < 8; ++step) {
      const ThoroughReading r =
          ReadThorough(decode, PixelRounded(drawn, c.narrowPx / c.narrow, step / 8.0));
      if (r.result != 1 || r.text != text) {
        return std::to_string(c.wide) + ":" + std::to_string(c.narrow) + " at " +
               std::to_string(c.narrowPx) + " px, offset " + std::to_string(step / 8.0) + ": '" +
               r.text + "'";
      }
    }
  }
  return "";
}

ThoroughReading ReadThorough(ThoroughDecodeFunction decode, const std::vector<double>& run,
                             int32_t from, bool gs1) {
  const int32_t count = static_cast<int32_t>(run.size());
  std::unique_ptr<double[]> widths(new double[run.size()]);
  for (size_t i = 0; i < run.size(); ++i) widths[i] = run[i];
  std::unique_ptr<char[]> text(new char[run.size() + 1]);
  ThoroughReading reading;
  const DecodeOptions options{gs1};
  reading.result = decode(widths.get(), count, from, options, text.get(), &reading.length,
                          &reading.leadingFnc1, &reading.span);
  if (reading.result == 1 && reading.length >= 0 && reading.length <= count) {
    reading.text.assign(text.get(), static_cast<size_t>(reading.length));
    reading.terminated = text[static_cast<size_t>(reading.length)] == '\0';
  }
  return reading;
}

std::vector<double> Embedded(const std::vector<double>& symbol, double pixelsPerModule,
                             double gapBefore, double gapAfter, int32_t junkBars, uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> modules(1, 4);
  std::vector<double> run;
  const auto junk = [&] {
    for (int32_t i = 0; i < 2 * junkBars - 1; ++i)
      run.push_back(modules(generator) * pixelsPerModule);
  };
  if (junkBars > 0) {
    junk();
    run.push_back(gapBefore * pixelsPerModule);
  }
  run.insert(run.end(), symbol.begin(), symbol.end());
  if (junkBars > 0) {
    run.push_back(gapAfter * pixelsPerModule);
    junk();
  }
  return run;
}

std::vector<double> RandomRun(uint32_t seed, RandomWidths kind) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> length(1, 160);
  std::uniform_real_distribution<double> anyWidth(1.0, 12.0);
  std::uniform_int_distribution<int> moduleCount(1, 4);
  std::uniform_real_distribution<double> pixels(2.0, 4.0);
  std::uniform_real_distribution<double> ratios(2.0, 3.0);
  std::uniform_real_distribution<double> jitter(-0.15, 0.15);
  std::uniform_real_distribution<double> quiet(20.0, 80.0);
  std::uniform_int_distribution<int> oneInEight(0, 7);
  std::uniform_int_distribution<int> coin(0, 1);
  const int n = length(generator);
  const double pixelsPerModule = pixels(generator);
  const double ratio = ratios(generator);
  std::vector<double> run;
  for (int i = 0; i < n; ++i) {
    if (i % 2 == 1 && oneInEight(generator) == 0) {
      run.push_back(quiet(generator));
      continue;
    }
    switch (kind) {
      case RandomWidths::kAny:
        run.push_back(anyWidth(generator));
        break;
      case RandomWidths::kWholeModules:
        run.push_back((moduleCount(generator) + jitter(generator)) * pixelsPerModule);
        break;
      case RandomWidths::kNarrowWide:
        run.push_back(((coin(generator) == 1 ? ratio : 1.0) + jitter(generator)) * pixelsPerModule);
        break;
    }
  }
  return run;
}

}  // namespace bcx::test
