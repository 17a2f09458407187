// Prints the results of every golden case as golden.tsv holds them.
//   golden_dump            the table on standard output
//   golden_dump --stats    also, on standard error, how many cases read something
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <set>
#include <string>

#include "corpus.h"

namespace {

// Names go into test names elsewhere, and a repeated one would hide a case.
bool NamesUsable(const std::vector<bcxgolden::GoldenCase>& cases) {
  std::set<std::string> seen;
  for (const bcxgolden::GoldenCase& c : cases) {
    const bool plain = !c.name.empty() && std::all_of(c.name.begin(), c.name.end(), [](char ch) {
      return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_';
    });
    if (!plain || !seen.insert(c.name).second) {
      std::cerr << "golden_dump: case name '" << c.name << "' is repeated or not plain\n";
      return false;
    }
    if (!c.file.empty() && !c.image.empty()) {
      std::cerr << "golden_dump: case '" << c.name << "' has both a file and bytes\n";
      return false;
    }
    if (c.file.empty() && c.imageType == 0 && c.priorType == 0 && !c.image.empty()) {
      std::cerr << "golden_dump: case '" << c.name << "' would keep the type of the case before\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool stats = argc > 1 && std::strcmp(argv[1], "--stats") == 0;
  const std::vector<bcxgolden::GoldenCase> cases = bcxgolden::GoldenCorpus();
  if (!NamesUsable(cases)) return 2;
  std::string out = bcxgolden::GoldenHeader();
  size_t reading = 0;
  size_t symbols = 0;
  for (const bcxgolden::GoldenCase& c : cases) {
    const bcxgolden::GoldenResult result = bcxgolden::RunGoldenCase(c);
    if (bcxgolden::ReadsSomething(result)) ++reading;
    for (const bcxgolden::GoldenPage& p : result.pages) symbols += p.symbols.size();
    out += bcxgolden::GoldenLines(c, result);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (stats) {
    std::cerr << cases.size() << " cases, " << reading << " read at least one symbol, " << symbols
              << " symbols in all\n";
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
