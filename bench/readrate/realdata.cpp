// Real-world images: the manifest's texts are in their source's format and
// are turned into this library's formats before comparing.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reading.h"
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

}  // namespace

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

namespace {

// The source's texts are UTF-8; Code 128 carries Latin-1 characters.
std::string Latin1(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (text[i + 1] & 0x3F)));
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

constexpr unsigned char kFnc1 = 201;
constexpr unsigned char kFnc2 = 202;
constexpr unsigned char kFnc3 = 203;
constexpr unsigned char kFnc4 = 204;
constexpr char kGroupSeparator = 0x1D;
constexpr int kExtendedOffset = 128;

// Our raw Code 128 text as the source reports it: a leading FNC1 dropped,
// later ones as GS, FNC2 and FNC3 dropped, FNC4 applied (one FNC4 shifts the
// next character to the upper half, two in a row latch or unlatch).
std::string InterpretCode128(const std::string& raw) {
  std::string out;
  bool latched = false;
  for (size_t i = 0; i < raw.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(raw[i]);
    if (c == kFnc1) {
      if (i > 0) out.push_back(kGroupSeparator);
    } else if (c == kFnc2 || c == kFnc3) {
      continue;
    } else if (c == kFnc4) {
      if (i + 1 < raw.size() && static_cast<unsigned char>(raw[i + 1]) == kFnc4) {
        latched = !latched;
        ++i;
      } else if (i + 1 < raw.size()) {
        const unsigned char next = static_cast<unsigned char>(raw[++i]);
        out.push_back(static_cast<char>(latched ? next : next + kExtendedOffset));
      }
    } else {
      // FNC4 leaves code set C alone, and set C digits cannot be told from
      // set B digits in the text: digits are taken as set C.
      const bool digit = c >= '0' && c <= '9';
      out.push_back(static_cast<char>(latched && !digit ? c + kExtendedOffset : c));
    }
  }
  return out;
}

bool Convert(const Entry& e, Expectation* out) { return LibraryForm(e.symbology, e.expected, out); }

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
  int byThreshold[3] = {0, 0, 0};  // 128, Otsu, adaptive; own symbology alone
  int allOn = 0;                   // level 128, every symbology on
  int any = 0;                     // read in any of the four ways
  int wrong = 0;                   // something else read at level 128, alone
};

constexpr int kThresholds[3] = {128, BCX_THRESHOLD_OTSU, BCX_THRESHOLD_ADAPTIVE};

bool ReadsAs(const std::vector<uint8_t>& bytes, const std::vector<int>& types, int threshold,
             const Expectation& want, std::string* seen, bool* other) {
  std::vector<ReadResult> results;
  bcxtest::ReadImage(bytes, types, nullptr, &results, threshold);
  bool found = false;
  for (const ReadResult& r : results) {
    found = found || Matches(r, want, types.size() > 1);
    if (seen != nullptr) *seen += std::string(" '") + bcxtest::Printable(r.text) + "'";
  }
  if (other != nullptr) *other = !found && !results.empty();
  return found;
}

}  // namespace

bool LibraryForm(const std::string& symbology, const std::string& t, Expectation* out) {
  if (symbology == "EAN-13" && t.size() == 13) {
    *out = {BCX_EAN13, t.substr(0, 12)};
  } else if (symbology == "EAN-8" && t.size() == 8) {
    *out = {BCX_EAN8, t.substr(0, 7)};
  } else if (symbology == "UPC-A" && t.size() == 12) {
    *out = {BCX_UPCA, t};
  } else if (symbology == "UPC-E" && t.size() == 8) {
    *out = {BCX_UPCE, bcxtest::ExpandUpcE(t.substr(1, 6)) + t[7]};
  } else if (symbology == "Code39") {
    *out = {BCX_CODE39, Code39Raw(t)};
  } else if (symbology == "Code128") {
    *out = {BCX_CODE128, Latin1(t)};
  } else if (symbology == "ITF") {
    *out = {BCX_ITF, t};
  } else {
    return false;
  }
  return true;
}

bool Matches(const ReadResult& r, const Expectation& want, bool everythingOn) {
  if (want.type == BCX_CODE128) {
    return (r.type == BCX_CODE128 || r.type == BCX_GS1_128) &&
           InterpretCode128(r.text) == want.text;
  }
  if (r.type == want.type && r.text == want.text) return true;
  // With everything on, EAN-13 is tried first and reads UPC-A.
  return everythingOn && want.type == BCX_UPCA && r.type == BCX_EAN13 &&
         r.text == std::string("0") + want.text.substr(0, 11);
}

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
    const std::vector<int> alone = {want.type};
    std::string seen;
    bool other = false;
    bool any = false;
    bool first = false;
    for (int k = 0; k < 3; ++k) {
      const bool read = ReadsAs(bytes, alone, kThresholds[k], want, k == 0 ? &seen : nullptr,
                                k == 0 ? &other : nullptr);
      if (k == 0) first = read;
      tally.byThreshold[k] += read ? 1 : 0;
      any = any || read;
    }
    const bool allOn = ReadsAs(bytes, all, kThresholds[0], want, nullptr, nullptr);
    tally.allOn += allOn ? 1 : 0;
    tally.any += (any || allOn) ? 1 : 0;
    tally.wrong += other ? 1 : 0;
    if (verbose) {
      std::printf("%-24s %-8s %s want '%s' got%s\n", e.path.c_str(), e.symbology.c_str(),
                  first ? "READ" : "miss", bcxtest::Printable(want.text).c_str(),
                  seen.empty() ? " nothing" : seen.c_str());
    }
  }
  std::printf(
      "\nReal-world images: reads with only the symbology's own switch on, at level "
      "128, Otsu and adaptive thresholds;\nwith every switch on at 128; read in any "
      "of these ways; other text read at 128.\n\n");
  std::printf("%-9s %6s %6s %6s %8s %7s %6s %7s\n", "symbology", "images", "128", "otsu",
              "adaptive", "all-on", "any", "misread");
  Tally sum;
  auto row = [](const char* name, const Tally& t) {
    std::printf("%-9s %6d %6d %6d %8d %7d %6d %7d\n", name, t.total, t.byThreshold[0],
                t.byThreshold[1], t.byThreshold[2], t.allOn, t.any, t.wrong);
  };
  for (const auto& [name, t] : tallies) {
    row(name.c_str(), t);
    sum.total += t.total;
    for (int k = 0; k < 3; ++k) sum.byThreshold[k] += t.byThreshold[k];
    sum.allOn += t.allOn;
    sum.any += t.any;
    sum.wrong += t.wrong;
  }
  row("total", sum);
  return 0;
}

bool LoadManifest(const std::string& manifestPath, std::vector<ManifestEntry>* entries) {
  std::ifstream manifest(manifestPath);
  if (!manifest) return false;
  const std::string root = DirectoryOf(manifestPath);
  std::string line;
  std::getline(manifest, line);  // header
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    ManifestEntry e;
    if (!std::getline(fields, e.path, '\t') || !std::getline(fields, e.symbology, '\t')) continue;
    std::getline(fields, e.text);
    e.path = root + "/" + e.path;
    entries->push_back(e);
  }
  return true;
}

namespace {

struct ModeTally {
  int own = 0;      // read with only the image's own symbology on
  int all = 0;      // read with every symbology on
  int misread = 0;  // every symbology on: an image with a result that is not its symbol
  std::vector<double> ms;
};

uint32_t TypeMask(const Expectation& want) {
  uint32_t mask = 1u << want.type;
  // GS1-128 reads are Code 128 reads; UPC-A may come as EAN-13.
  if (want.type == BCX_CODE128) mask |= 1u << BCX_GS1_128;
  return mask;
}

}  // namespace

int ReadRealDataModes(const std::string& manifestPath, const std::vector<int>& modes, bool verbose,
                      FILE* list) {
  std::vector<ManifestEntry> entries;
  if (!LoadManifest(manifestPath, &entries)) {
    std::fprintf(stderr, "cannot read %s\n", manifestPath.c_str());
    return 1;
  }
  std::vector<bcx_reader*> readers;
  for (int mode : modes) readers.push_back(NewReader(mode));
  std::map<std::string, std::vector<ModeTally>> tallies;
  std::map<std::string, int> images;
  for (const ManifestEntry& e : entries) {
    Expectation want{};
    std::vector<uint8_t> bytes;
    ++images[e.symbology];
    std::vector<ModeTally>& row = tallies[e.symbology];
    row.resize(modes.size());
    if (!LibraryForm(e.symbology, e.text, &want) || !ReadFile(e.path, &bytes)) {
      std::printf("skipped %s\n", e.path.c_str());
      continue;
    }
    std::string line;
    for (size_t m = 0; m < modes.size(); ++m) {
      bcx_reader* reader = readers[m];
      bcx_reader_set_types(reader, TypeMask(want));
      bool own = false;
      for (const ReadResult& r : ReadEncoded(reader, bytes, nullptr))
        own = own || Matches(r, want, false);
      bcx_reader_set_types(reader, BCX_ALL_TYPES);
      double ms = 0;
      const std::vector<ReadResult> results = ReadEncoded(reader, bytes, &ms);
      ListResults(list, e.path.substr(DirectoryOf(manifestPath).size() + 1), modes[m], results);
      bool all = false;
      bool wrong = false;
      std::string seen;
      for (const ReadResult& r : results) {
        const bool match = Matches(r, want, true);
        all = all || match;
        wrong = wrong || !match;
        seen += std::string(" '") + bcxtest::Printable(r.text) + "'";
      }
      ModeTally& t = row[m];
      t.own += own ? 1 : 0;
      t.all += all ? 1 : 0;
      t.misread += wrong ? 1 : 0;
      t.ms.push_back(ms);
      char part[64];
      std::snprintf(part, sizeof part, " %s:%s%s", ModeName(modes[m]), all ? "READ" : "miss",
                    wrong ? "+WRONG" : "");
      line += part;
      if (wrong) line += seen;
    }
    if (verbose) {
      std::printf("%-40s %-8s want '%s'%s\n",
                  e.path.substr(DirectoryOf(manifestPath).size() + 1).c_str(), e.symbology.c_str(),
                  bcxtest::Printable(e.text).c_str(), line.c_str());
    }
  }
  for (bcx_reader* r : readers) bcx_reader_free(r);
  std::printf(
      "\nReal-world images through a reader (bcx_read_memory): read with only the image's own\n"
      "symbology on, and with every symbology on; misread = images where, every symbology on,\n"
      "something other than the image's symbol was reported; ms = median per read, all on.\n\n");
  std::printf("%-9s %6s", "symbology", "images");
  for (int mode : modes)
    std::printf(" | %-8s %4s %4s %7s %6s", ModeName(mode), "own", "all", "misread", "ms");
  std::printf("\n");
  std::vector<ModeTally> sum(modes.size());
  int total = 0;
  auto print = [&](const std::string& name, int n, const std::vector<ModeTally>& row) {
    std::printf("%-9s %6d", name.c_str(), n);
    for (const ModeTally& t : row) {
      std::printf(" | %-8s %4d %4d %7d %6.1f", "", t.own, t.all, t.misread, Median(t.ms));
    }
    std::printf("\n");
  };
  for (const auto& [name, row] : tallies) {
    print(name, images[name], row);
    total += images[name];
    for (size_t m = 0; m < row.size(); ++m) {
      sum[m].own += row[m].own;
      sum[m].all += row[m].all;
      sum[m].misread += row[m].misread;
      sum[m].ms.insert(sum[m].ms.end(), row[m].ms.begin(), row[m].ms.end());
    }
  }
  print("total", total, sum);
  return 0;
}

int DiagnoseManifestImage(const std::string& manifestPath, const std::string& imagePath) {
  std::ifstream manifest(manifestPath);
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    Entry e;
    if (!std::getline(fields, e.path, '\t') || e.path != imagePath) continue;
    std::getline(fields, e.symbology, '\t');
    std::getline(fields, e.expected);
    Expectation want{};
    std::vector<uint8_t> bytes;
    if (!Convert(e, &want) || !ReadFile(DirectoryOf(manifestPath) + "/" + e.path, &bytes)) break;
    // The symbol as zint would draw it: EAN/UPC layouts are fixed; Code 128
    // code set choices and Code 39 / ITF wide ratios may differ from print.
    bcxtest::SymbolSpec symbolDef{};
    const std::string& t = e.expected;
    if (want.type == BCX_EAN13 || want.type == BCX_EAN8) {
      symbolDef = bcxtest::Ean(t.substr(0, t.size() - 1));
    } else if (want.type == BCX_UPCA) {
      symbolDef = bcxtest::UpcA(t.substr(0, 11));
    } else if (want.type == BCX_UPCE) {
      symbolDef = bcxtest::UpcE(t.substr(0, 7));
    } else if (want.type == BCX_CODE39) {
      symbolDef = bcxtest::Code39(want.text);
    } else if (want.type == BCX_CODE128) {
      symbolDef = bcxtest::Code128(want.text);
    } else {
      symbolDef = bcxtest::Itf(t);
    }
    const bcxtest::ReadCase c{e.path.c_str(), symbolDef, {want.type}, want.type, want.text};
    std::printf("%s (%s '%s')\n", e.path.c_str(), e.symbology.c_str(),
                bcxtest::Printable(want.text).c_str());
    DiagnoseImage(bytes, bcxtest::ModuleRuns(bcxtest::EncodeModules(symbolDef)), 0.0, c);
    return 0;
  }
  std::fprintf(stderr, "%s not in %s\n", imagePath.c_str(), manifestPath.c_str());
  return 1;
}

}  // namespace readrate
