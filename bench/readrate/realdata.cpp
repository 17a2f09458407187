// Real-world images: the manifest's texts are in their source's format and
// are turned into this library's formats before comparing.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "readrate.h"
#include "render.h"

namespace readrate {
namespace {

using bcxtest::ReadResult;

struct Entry {
  std::string path;
  std::string symbology;
  std::string expected;
};

constexpr const char* kCode39Set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// The two Code 39 characters a full-ASCII character is written with.
std::string FullAsciiPair(unsigned char c) {
  static const char* const kLow[32] = {"%U", "$A", "$B", "$C", "$D", "$E", "$F", "$G",
                                       "$H", "$I", "$J", "$K", "$L", "$M", "$N", "$O",
                                       "$P", "$Q", "$R", "$S", "$T", "$U", "$V", "$W",
                                       "$X", "$Y", "$Z", "%A", "%B", "%C", "%D", "%E"};
  if (c < 32) return kLow[c];
  if (c >= 'a' && c <= 'z') return std::string("+") + static_cast<char>(c - 'a' + 'A');
  if (c >= '!' && c <= ',') return std::string("/") + static_cast<char>('A' + (c - '!'));
  if (c == '/') return "/O";
  if (c == ':') return "/Z";
  if (c >= ';' && c <= '?') return std::string("%") + static_cast<char>('F' + (c - ';'));
  if (c == '@') return "%V";
  if (c >= '[' && c <= '_') return std::string("%") + static_cast<char>('K' + (c - '['));
  if (c == '`') return "%W";
  if (c >= '{' && c <= 127) return std::string("%") + static_cast<char>('P' + (c - '{'));
  return std::string(1, static_cast<char>(c));
}

std::string Code39Raw(const std::string& text) {
  bool plain = true;
  for (char c : text) plain = plain && std::string(kCode39Set).find(c) != std::string::npos;
  if (plain) return text;
  std::string raw;
  for (unsigned char c : text) {
    if (std::string(kCode39Set).find(static_cast<char>(c)) != std::string::npos && c != '$' &&
        c != '%' && c != '+' && c != '/') {
      raw.push_back(static_cast<char>(c));
    } else {
      raw += FullAsciiPair(c);
    }
  }
  return raw;
}

// UTF-8 to bytes; the source writes FNC1 to FNC4 as U+00F1 to U+00F4.
std::string Code128Bytes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xC3 && i + 1 < text.size()) {
      const unsigned char code = static_cast<unsigned char>(0xC0 | (text[i + 1] & 0x3F));
      ++i;
      if (code >= 0xF1 && code <= 0xF4) {
        out.push_back(static_cast<char>(201 + (code - 0xF1)));
      } else {
        out.push_back(static_cast<char>(code));
      }
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

struct Expectation {
  int type;
  std::string text;
};

// What this library reports for the symbol with only its own symbology on.
bool Convert(const Entry& e, Expectation* out) {
  const std::string& t = e.expected;
  if (e.symbology == "EAN-13" && t.size() == 13) {
    *out = {BCX_EAN13, t.substr(0, 12)};
  } else if (e.symbology == "EAN-8" && t.size() == 8) {
    *out = {BCX_EAN8, t.substr(0, 7)};
  } else if (e.symbology == "UPC-A" && t.size() == 12) {
    *out = {BCX_UPCA, t};
  } else if (e.symbology == "UPC-E" && t.size() == 8) {
    *out = {BCX_UPCE, bcxtest::ExpandUpcE(t.substr(1, 6)) + t[7]};
  } else if (e.symbology == "Code39") {
    *out = {BCX_CODE39, Code39Raw(t)};
  } else if (e.symbology == "Code128") {
    *out = {BCX_CODE128, Code128Bytes(t)};
  } else if (e.symbology == "ITF") {
    *out = {BCX_ITF, t};
  } else {
    return false;
  }
  return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !bytes->empty();
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Tally {
  int total = 0;
  int alone = 0;  // right text with only its symbology on
  int allOn = 0;  // right text somewhere with every symbology on
  int wrong = 0;  // something else read with its symbology alone
};

}  // namespace

int ReadRealData(const std::string& manifestPath, bool verbose) {
  std::ifstream manifest(manifestPath);
  if (!manifest) {
    std::fprintf(stderr, "cannot read %s\n", manifestPath.c_str());
    return 1;
  }
  const std::string root = DirectoryOf(manifestPath);
  std::map<std::string, Tally> tallies;
  std::string line;
  std::getline(manifest, line);  // header
  const std::vector<int> all = {BCX_CODE39, BCX_CODE128, BCX_GS1_128, BCX_EAN13,
                                BCX_EAN8,   BCX_UPCA,    BCX_UPCE,    BCX_ITF};
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    Entry e;
    if (!std::getline(fields, e.path, '\t') || !std::getline(fields, e.symbology, '\t')) continue;
    std::getline(fields, e.expected);
    Expectation want{};
    Tally& tally = tallies[e.symbology];
    ++tally.total;
    std::vector<uint8_t> bytes;
    if (!Convert(e, &want) || !ReadFile(root + "/" + e.path, &bytes)) {
      std::printf("skipped %s\n", e.path.c_str());
      continue;
    }
    std::vector<int> alone = {want.type};
    std::vector<ReadResult> results;
    bool found = false;
    bcxtest::ReadImage(bytes, alone, nullptr, &results);
    for (const ReadResult& r : results)
      found = found || (r.type == want.type && r.text == want.text);
    if (found) ++tally.alone;
    if (!found && !results.empty()) ++tally.wrong;
    std::string seen;
    for (const ReadResult& r : results) seen += " '" + bcxtest::Printable(r.text) + "'";
    // Everything on: UPC-A then comes out as EAN-13 with a leading 0.
    Expectation anyForm = want;
    if (want.type == BCX_UPCA) anyForm = {BCX_EAN13, "0" + want.text.substr(0, 11)};
    bcxtest::ReadImage(bytes, all, nullptr, &results);
    bool foundAll = false;
    for (const ReadResult& r : results) {
      foundAll = foundAll || (r.type == anyForm.type && r.text == anyForm.text);
    }
    if (foundAll) ++tally.allOn;
    if (verbose) {
      std::printf("%-24s %-8s %s want '%s' got%s\n", e.path.c_str(), e.symbology.c_str(),
                  found ? "READ" : "miss", bcxtest::Printable(want.text).c_str(),
                  seen.empty() ? " nothing" : seen.c_str());
    }
  }
  std::printf("\n%-8s %6s %14s %14s %8s\n", "symbology", "images", "alone", "all on", "misread");
  Tally sum;
  for (const auto& [name, t] : tallies) {
    std::printf("%-9s %6d %6d (%3d%%) %6d (%3d%%) %8d\n", name.c_str(), t.total, t.alone,
                t.total ? 100 * t.alone / t.total : 0, t.allOn,
                t.total ? 100 * t.allOn / t.total : 0, t.wrong);
    sum.total += t.total;
    sum.alone += t.alone;
    sum.allOn += t.allOn;
    sum.wrong += t.wrong;
  }
  std::printf("%-9s %6d %6d (%3d%%) %6d (%3d%%) %8d\n", "total", sum.total, sum.alone,
              sum.total ? 100 * sum.alone / sum.total : 0, sum.allOn,
              sum.total ? 100 * sum.allOn / sum.total : 0, sum.wrong);
  return 0;
}

}  // namespace readrate
