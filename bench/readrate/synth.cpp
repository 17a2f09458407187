#include "synth.h"

#include <allheaders.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cases.h"
#include "expected_text.h"

namespace readrate {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint8_t kWhite = 255;
constexpr int kQuietModules = bcxtest::kQuietModules;
constexpr double kMmPerInch = 25.4;

// Page geometry: A4, X dimension 0.33 mm, bars 15 mm, text about 10 pt.
constexpr double kPageWidthMm = 210.0;
constexpr double kPageHeightMm = 297.0;
constexpr double kModuleMm = 0.33;
constexpr double kBarMm = 15.0;
constexpr double kSmallBarMm = 8.0;
constexpr double kMarginMm = 15.0;
constexpr int kFontPerThreeHundredDpi = 10;

// Degradations. Blur in narrow elements: at 0.5 a narrow bar between wide
// spaces still reaches below mid-grey, so a careful reader can read it.
constexpr double kBlurModules = 0.5;
constexpr double kNoiseSigma = 40.0;
constexpr double kScanBlurModules = 0.4;
constexpr double kScanNoiseSigma = 16.0;
constexpr double kScanInk = 40.0;
constexpr double kScanPaper = 225.0;
constexpr double kScanShift = 20.0;  // grey levels either way: ink spread or ink loss

uint8_t Clamp(double v) {
  if (v <= 0.0) return 0;
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(std::lround(v));
}

}  // namespace

uint64_t Random::Next() {
  // splitmix64: one add and a mix per number, every seed usable.
  state_ += 0x9E3779B97F4A7C15ull;
  uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

double Random::Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

int Random::Below(int n) {
  return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n));
}

double Random::Normal() {
  const double sum = Uniform() + Uniform() + Uniform() + Uniform();
  return (sum - 2.0) * std::sqrt(3.0);
}

uint64_t Random::Mix(uint64_t a, uint64_t b) {
  Random r(a * 0x100000001B3ull ^ (b + 0x632BE59BD9B4E019ull));
  return r.Next();
}

Grey FromPix(Pix* pix) {
  Grey g;
  if (pix == nullptr) return g;
  Pix* eight = pixGetDepth(pix) == 8 && pixGetColormap(pix) == nullptr ? pixClone(pix)
                                                                       : pixConvertTo8(pix, 0);
  if (eight == nullptr) return g;
  g.width = pixGetWidth(eight);
  g.height = pixGetHeight(eight);
  g.pixels.resize(static_cast<size_t>(g.width) * g.height);
  const int wpl = pixGetWpl(eight);
  const l_uint32* data = pixGetData(eight);
  for (int y = 0; y < g.height; ++y) {
    const l_uint32* line = data + static_cast<size_t>(y) * wpl;
    uint8_t* out = g.pixels.data() + static_cast<size_t>(y) * g.width;
    for (int x = 0; x < g.width; ++x) out[x] = static_cast<uint8_t>(GET_DATA_BYTE(line, x));
  }
  pixDestroy(&eight);
  return g;
}

Pix* ToPix(const Grey& grey) {
  Pix* pix = pixCreate(grey.width, grey.height, 8);
  if (pix == nullptr) return nullptr;
  const int wpl = pixGetWpl(pix);
  l_uint32* data = pixGetData(pix);
  for (int y = 0; y < grey.height; ++y) {
    l_uint32* line = data + static_cast<size_t>(y) * wpl;
    const uint8_t* in = grey.pixels.data() + static_cast<size_t>(y) * grey.width;
    for (int x = 0; x < grey.width; ++x) SET_DATA_BYTE(line, x, in[x]);
  }
  return pix;
}

// ---- symbols

Symbol Code128Symbol(const std::string& data) {
  return {"Code128", bcxtest::Code128(data), "Code128", data};
}

Symbol Gs1Symbol(const std::string& bracketed) {
  // Fixed-length AIs need no separator; any other is closed by GS unless last.
  static const char* const kFixed[] = {"00", "01", "02", "11", "12", "13", "15", "16", "17", "20"};
  std::string text;
  size_t i = 0;
  while (i < bracketed.size() && bracketed[i] == '[') {
    const size_t close = bracketed.find(']', i);
    const size_t next = bracketed.find('[', close);
    const std::string ai = bracketed.substr(i + 1, close - i - 1);
    text += ai + bracketed.substr(close + 1, next == std::string::npos ? next : next - close - 1);
    bool fixed = false;
    for (const char* f : kFixed) fixed = fixed || ai == f;
    if (!fixed && next != std::string::npos) text.push_back('\x1D');
    i = next == std::string::npos ? bracketed.size() : next;
  }
  return {"Gs1_128", bcxtest::Gs1(bracketed), "Code128", text};
}

Symbol Ean13Symbol(const std::string& twelve) {
  return {"Ean13", bcxtest::Ean(twelve), "EAN-13", twelve + bcxtest::Mod10CheckDigit(twelve)};
}

Symbol Ean8Symbol(const std::string& seven) {
  return {"Ean8", bcxtest::Ean(seven), "EAN-8", seven + bcxtest::Mod10CheckDigit(seven)};
}

Symbol UpcASymbol(const std::string& eleven) {
  return {"UpcA", bcxtest::UpcA(eleven), "UPC-A", eleven + bcxtest::Mod10CheckDigit(eleven)};
}

Symbol UpcESymbol(const std::string& seven) {
  const std::string expanded = bcxtest::UpcEText(seven.substr(1));
  return {"UpcE", bcxtest::UpcE(seven), "UPC-E", seven + expanded.back()};
}

namespace {
std::string RatioName(const char* base, double ratio) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s %g:1", base, ratio);
  return buffer;
}
}  // namespace

Symbol Code39Symbol(const std::string& data, double ratio) {
  return {RatioName("Code39", ratio), bcxtest::Code39(data), "Code39", data, ratio};
}

Symbol ItfSymbol(const std::string& digits, double ratio) {
  return {RatioName("Itf", ratio),
          bcxtest::SymbolSpec{BARCODE_C25INTER, digits, DATA_MODE, 0, false}, "ITF", digits, ratio};
}

std::vector<double> ElementWidths(const Symbol& s) {
  std::vector<double> out;
  for (int run : bcxtest::ModuleRuns(bcxtest::EncodeModules(s.zint))) {
    out.push_back(s.wideRatio > 0 && run > 1 ? s.wideRatio : run);
  }
  return out;
}

std::vector<double> SideBySide(const std::vector<double>& a, const std::vector<double>& b,
                               double gapModules) {
  std::vector<double> out = a;
  // a ends with a bar and b starts with one: the gap is one space.
  out.push_back(gapModules);
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

Pix* DrawRuns(const std::vector<double>& elements, double modulePx, int barHeight, int quiet,
              bcxtest::Quad* corners) {
  double total = 0;
  for (double e : elements) total += e;
  const int barsWidth = static_cast<int>(std::lround(total * modulePx));
  Pix* pix = pixCreate(barsWidth + 2 * quiet, barHeight + 2 * quiet, 8);
  if (pix == nullptr) return nullptr;
  pixSetAllArbitrary(pix, kWhite);
  double at = 0;
  for (size_t i = 0; i < elements.size(); ++i) {
    const int left = static_cast<int>(std::lround(at * modulePx));
    at += elements[i];
    const int right = static_cast<int>(std::lround(at * modulePx));
    if (i % 2 != 0 || right <= left) continue;
    BOX* box = boxCreate(quiet + left, quiet, right - left, barHeight);
    pixClearInRect(pix, box);
    boxDestroy(&box);
  }
  if (corners != nullptr) {
    const double l = quiet;
    const double r = quiet + barsWidth - 1;
    const double t = quiet;
    const double b = quiet + barHeight - 1;
    *corners = bcxtest::Quad{{{l, t}, {l, b}, {r, b}, {r, t}}};
  }
  return pix;
}

// ---- degradations

const char* DegradationName(Degradation d) {
  switch (d) {
    case Degradation::kClean:
      return "clean";
    case Degradation::kBlur:
      return "blur";
    case Degradation::kNoise:
      return "noise";
    case Degradation::kScanLike:
      return "scan-like";
  }
  return "?";
}

void GaussianBlur(Grey* image, double sigma) {
  if (sigma <= 0.0 || image->pixels.empty()) return;
  const int radius = static_cast<int>(std::ceil(3.0 * sigma));
  std::vector<double> kernel(2 * radius + 1);
  double sum = 0;
  for (int k = -radius; k <= radius; ++k) {
    kernel[k + radius] = std::exp(-0.5 * k * k / (sigma * sigma));
    sum += kernel[k + radius];
  }
  for (double& k : kernel) k /= sum;
  const int w = image->width;
  const int h = image->height;
  std::vector<float> across(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = image->pixels.data() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      double v = 0;
      for (int k = -radius; k <= radius; ++k) {
        v += kernel[k + radius] * row[std::clamp(x + k, 0, w - 1)];
      }
      across[static_cast<size_t>(y) * w + x] = static_cast<float>(v);
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double v = 0;
      for (int k = -radius; k <= radius; ++k) {
        v += kernel[k + radius] * across[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
      }
      image->pixels[static_cast<size_t>(y) * w + x] = Clamp(v);
    }
  }
}

void AddNoise(Grey* image, double sigma, Random* random) {
  for (uint8_t& p : image->pixels) p = Clamp(p + sigma * random->Normal());
}

void Degrade(Grey* image, Degradation d, double modulePx, uint64_t seed) {
  Random random(seed);
  switch (d) {
    case Degradation::kClean:
      return;
    case Degradation::kBlur:
      GaussianBlur(image, kBlurModules * modulePx);
      return;
    case Degradation::kNoise:
      AddNoise(image, kNoiseSigma, &random);
      return;
    case Degradation::kScanLike: {
      GaussianBlur(image, kScanBlurModules * modulePx);
      const double shift = random.Below(2) == 0 ? -kScanShift : kScanShift;
      for (uint8_t& p : image->pixels) {
        p = Clamp(kScanInk + (kScanPaper - kScanInk) * p / 255.0 + shift);
      }
      AddNoise(image, kScanNoiseSigma, &random);
      return;
    }
  }
}

bool RenderSymbol(const Symbol& s, int modulePx, int barHeight, double degrees, Degradation d,
                  uint64_t seed, Grey* out) {
  const std::vector<double> elements = ElementWidths(s);
  if (elements.empty()) return false;
  Pix* flat = DrawRuns(elements, modulePx, barHeight, kQuietModules * modulePx, nullptr);
  if (flat == nullptr) return false;
  Pix* turned = bcxtest::RotateOnCanvas(flat, degrees, nullptr);
  pixDestroy(&flat);
  if (turned == nullptr) return false;
  *out = FromPix(turned);
  pixDestroy(&turned);
  Degrade(out, d, modulePx, seed);
  return true;
}

std::vector<Symbol> SweepSymbols() {
  std::vector<Symbol> s = {Code128Symbol("Ab12345"),    Gs1Symbol("[01]12345678901231"),
                           Ean13Symbol("400638133393"), Ean8Symbol("9638507"),
                           UpcASymbol("03600029145"),   UpcESymbol("0425261")};
  for (double ratio : {2.0, 2.5, 3.0}) s.push_back(Code39Symbol("CODE39", ratio));
  for (double ratio : {2.0, 2.5, 3.0}) s.push_back(ItfSymbol("12345678901231", ratio));
  return s;
}

// ---- pages

namespace {

const char* const kWords[] = {
    "the",         "invoice",  "delivery", "of",         "and",    "shipment", "to",
    "order",       "number",   "customer", "address",    "please", "return",   "this",
    "page",        "with",     "payment",  "within",     "days",   "total",    "amount",
    "due",         "account",  "item",     "quantity",   "unit",   "price",    "tax",
    "reference",   "date",     "signed",   "received",   "in",     "good",     "condition",
    "all",         "goods",    "remain",   "property",   "until",  "paid",     "full",
    "terms",       "apply",    "see",      "overleaf",   "for",    "details",  "Ltd.",
    "No.",         "Illinois", "1,250.00", "2024-11-07", "ID:",    "#4471",    "(III)",
    "lllustrated", "||",       "1111",     "IIIl",       "mm",     "kg",       "12.5%",
    "EUR"};

std::string Prose(Random* random, int words) {
  std::string text;
  bool capital = true;
  for (int i = 0; i < words; ++i) {
    std::string w = kWords[random->Below(static_cast<int>(std::size(kWords)))];
    if (capital && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 'a' + 'A');
    capital = false;
    text += w;
    const int r = random->Below(12);
    if (r == 0) {
      text += ". ";
      capital = true;
    } else if (r == 1) {
      text += ", ";
    } else {
      text += " ";
    }
  }
  return text;
}

int FontSize(int dpi) {
  // Leptonica's bitmap fonts come in even sizes from 4 to 20.
  const int size = static_cast<int>(std::lround(kFontPerThreeHundredDpi * dpi / 300.0 / 2.0)) * 2;
  return std::clamp(size, 4, 20);
}

struct Geometry {
  int dpi;
  double pxPerMm;
  int width;
  int height;
  double modulePx;
  int barPx;
  int quietPx;

  explicit Geometry(int d)
      : dpi(d),
        pxPerMm(d / kMmPerInch),
        width(static_cast<int>(std::lround(kPageWidthMm * pxPerMm))),
        height(static_cast<int>(std::lround(kPageHeightMm * pxPerMm))),
        modulePx(kModuleMm * pxPerMm),
        barPx(static_cast<int>(std::lround(kBarMm * pxPerMm))),
        quietPx(static_cast<int>(std::ceil(kQuietModules * modulePx))) {}
  int Mm(double mm) const { return std::max(1, static_cast<int>(std::lround(mm * pxPerMm))); }
};

enum class Stripe { kNone, kWhite, kDark };

// Whites the piece's turned rectangle on the page (so the quiet zone is
// clear of text), then lays the piece on it darker-wins.
void Place(Grey* page, Pix* flat, double cx, double cy, double degrees) {
  const double w = pixGetWidth(flat);
  const double h = pixGetHeight(flat);
  const double radians = degrees * kPi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double reach = 0.5 * std::hypot(w, h) + 2;
  const int x0 = std::max(0, static_cast<int>(cx - reach));
  const int x1 = std::min(page->width - 1, static_cast<int>(cx + reach));
  const int y0 = std::max(0, static_cast<int>(cy - reach));
  const int y1 = std::min(page->height - 1, static_cast<int>(cy + reach));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double dx = x - cx;
      const double dy = y - cy;
      const double u = dx * c + dy * s;
      const double v = -dx * s + dy * c;
      if (std::fabs(u) <= w / 2 && std::fabs(v) <= h / 2) {
        page->pixels[static_cast<size_t>(y) * page->width + x] = kWhite;
      }
    }
  }
  Pix* turned = bcxtest::RotateOnCanvas(flat, degrees, nullptr);
  if (turned == nullptr) return;
  const Grey piece = FromPix(turned);
  pixDestroy(&turned);
  const int left = static_cast<int>(std::lround(cx - piece.width / 2.0));
  const int top = static_cast<int>(std::lround(cy - piece.height / 2.0));
  for (int y = 0; y < piece.height; ++y) {
    const int py = top + y;
    if (py < 0 || py >= page->height) continue;
    for (int x = 0; x < piece.width; ++x) {
      const int px = left + x;
      if (px < 0 || px >= page->width) continue;
      uint8_t& dst = page->pixels[static_cast<size_t>(py) * page->width + px];
      dst = std::min(dst, piece.pixels[static_cast<size_t>(y) * piece.width + x]);
    }
  }
}

void PlaceElements(Page* page, const Geometry& g, const std::vector<double>& elements, int barPx,
                   double cx, double cy, double degrees, Stripe stripe) {
  Pix* flat = DrawRuns(elements, g.modulePx, barPx, g.quietPx, nullptr);
  if (flat == nullptr) return;
  const int w = pixGetWidth(flat);
  if (stripe == Stripe::kWhite) {
    // A gap across every bar, as a print head's dead nozzle leaves.
    BOX* box = boxCreate(g.quietPx, g.quietPx + barPx * 2 / 5, w - 2 * g.quietPx, g.Mm(0.5));
    pixSetInRect(flat, box);
    boxDestroy(&box);
  } else if (stripe == Stripe::kDark) {
    // A rule through the symbol, into the quiet zones.
    BOX* box = boxCreate(0, g.quietPx + barPx * 3 / 5, w, g.Mm(0.3));
    pixClearInRect(flat, box);
    boxDestroy(&box);
  }
  Place(&page->image, flat, cx, cy, degrees);
  pixDestroy(&flat);
}

bool PlaceSymbol(Page* page, const Geometry& g, const Symbol& s, double cx, double cy,
                 double degrees, Stripe stripe = Stripe::kNone, int barPx = 0) {
  const std::vector<double> elements = ElementWidths(s);
  if (elements.empty()) return false;
  PlaceElements(page, g, elements, barPx > 0 ? barPx : g.barPx, cx, cy, degrees, stripe);
  page->symbols.push_back(s);
  return true;
}

std::string Digits(Random* random, int n) {
  std::string d;
  for (int i = 0; i < n; ++i) d.push_back(static_cast<char>('0' + random->Below(10)));
  return d;
}

std::string Letters(Random* random, int n) {
  std::string d;
  for (int i = 0; i < n; ++i) d.push_back(static_cast<char>('A' + random->Below(26)));
  return d;
}

std::string UpcEBody(Random* random) {
  // Last digit 0..2 leaves the first five free; zint accepts any of them.
  return std::string("0") + Digits(random, 5) + static_cast<char>('0' + random->Below(3));
}

std::string Gtin14(Random* random) {
  const std::string body = Digits(random, 13);
  return std::string("[01]") + body + bcxtest::Mod10CheckDigit(body);
}

// Eight cells of a 2 x 4 grid, centres in page pixels.
void GridCentre(const Geometry& g, int cell, double* cx, double* cy) {
  static const double kX[2] = {0.28, 0.72};
  static const double kY[4] = {0.13, 0.37, 0.63, 0.87};
  *cx = g.width * kX[cell % 2];
  *cy = g.height * kY[cell / 2];
}

void DrawForm(Pix* pix, const Geometry& g, Random* random) {
  // Ruled table: thin rules and columns of look-alike glyphs (I, l, 1, |).
  const int margin = g.Mm(kMarginMm);
  const int rowH = g.Mm(8);
  const int cols = 5;
  const int colW = (g.width - 2 * margin) / cols;
  const int rule = g.Mm(0.25);
  const int font = FontSize(g.dpi);
  for (int y = margin; y + rowH <= g.height - margin; y += rowH) {
    BOX* h = boxCreate(margin, y, g.width - 2 * margin, rule);
    pixClearInRect(pix, h);
    boxDestroy(&h);
    for (int c = 0; c < cols; ++c) {
      std::string cell;
      switch (random->Below(4)) {
        case 0:
          cell = Digits(random, 4) + "." + Digits(random, 2);
          break;
        case 1:
          cell = "IIl1 ||| l1I";
          break;
        case 2:
          cell = Letters(random, 3) + "-" + Digits(random, 6);
          break;
        default:
          cell = "| | | | | |";
          break;
      }
      bcxtest::PrintText(pix, cell.c_str(), margin + c * colW + g.Mm(2), y + g.Mm(2),
                         colW - g.Mm(4), font);
    }
  }
  for (int c = 0; c <= cols; ++c) {
    BOX* v = boxCreate(margin + c * colW, margin, rule, g.height - 2 * margin);
    pixClearInRect(pix, v);
    boxDestroy(&v);
  }
}

}  // namespace

std::vector<std::string> PageKinds() {
  return {"mixed", "pairs", "stripes", "ratios", "hundred", "text", "form"};
}

bool MakePage(const std::string& kind, int dpi, uint64_t seed, Page* page) {
  const Geometry g(dpi);
  Random random(seed);
  page->kind = kind;
  page->dpi = dpi;
  page->symbols.clear();
  Pix* canvas = bcxtest::WhiteCanvas(g.width, g.height);
  if (canvas == nullptr) return false;
  const int margin = g.Mm(kMarginMm);
  if (kind == "form") {
    DrawForm(canvas, g, &random);
  } else if (kind != "hundred") {
    const std::string prose = Prose(&random, 2500);
    bcxtest::PrintText(canvas, prose.c_str(), margin, margin, g.width - 2 * margin, FontSize(dpi));
  }
  page->image = FromPix(canvas);
  pixDestroy(&canvas);
  auto jitter = [&random](double degrees) { return degrees + 4.0 * random.Uniform() - 2.0; };
  double cx = 0;
  double cy = 0;
  if (kind == "mixed") {
    const Symbol symbols[8] = {
        Code128Symbol(std::string("Mx") + Digits(&random, 4) + Letters(&random, 3)),
        Ean13Symbol(Digits(&random, 12)),
        Code39Symbol(std::string("P") + Letters(&random, 2) + Digits(&random, 3), 3.0),
        Gs1Symbol(Gtin14(&random)),
        UpcASymbol(Digits(&random, 11)),
        Ean8Symbol(Digits(&random, 7)),
        UpcESymbol(UpcEBody(&random)),
        ItfSymbol(Digits(&random, 10), 2.5)};
    const double angles[8] = {0, 90, 30, -15, 180, 60, -75, 135};
    for (int i = 0; i < 8; ++i) {
      GridCentre(g, i, &cx, &cy);
      PlaceSymbol(page, g, symbols[i], cx, cy, jitter(angles[i]));
    }
  } else if (kind == "pairs") {
    // Two symbols on one line, 11 modules apart: enough quiet zone for both.
    const double angles[4] = {0, 7, 180, -4};
    for (int i = 0; i < 4; ++i) {
      Symbol a = Code128Symbol(std::string("L") + Digits(&random, 5));
      Symbol b = i == 1   ? ItfSymbol(Digits(&random, 8), 3.0)
                 : i == 2 ? Ean13Symbol(Digits(&random, 12))
                 : i == 3 ? Code39Symbol(std::string("R") + Digits(&random, 4), 3.0)
                          : Code128Symbol(std::string("R") + Digits(&random, 5));
      const std::vector<double> ea = ElementWidths(a);
      const std::vector<double> eb = ElementWidths(b);
      if (ea.empty() || eb.empty()) continue;
      PlaceElements(page, g, SideBySide(ea, eb, 11), g.barPx, g.width / 2.0,
                    g.height * (0.14 + 0.24 * i), jitter(angles[i]), Stripe::kNone);
      page->symbols.push_back(a);
      page->symbols.push_back(b);
    }
  } else if (kind == "stripes") {
    const double angles[8] = {0, 20, 90, -35, 180, 10, 270, 120};
    for (int i = 0; i < 8; ++i) {
      GridCentre(g, i, &cx, &cy);
      const Symbol s = i % 4 == 0   ? Code128Symbol(std::string("S") + Digits(&random, 6))
                       : i % 4 == 1 ? Ean13Symbol(Digits(&random, 12))
                       : i % 4 == 2 ? Code39Symbol(std::string("S") + Letters(&random, 3), 3.0)
                                    : ItfSymbol(Digits(&random, 8), 3.0);
      PlaceSymbol(page, g, s, cx, cy, jitter(angles[i]), i < 4 ? Stripe::kWhite : Stripe::kDark);
    }
  } else if (kind == "ratios") {
    const double angles[8] = {0, 45, 180, -20, 90, 15, 225, -60};
    for (int i = 0; i < 8; ++i) {
      GridCentre(g, i, &cx, &cy);
      const double ratio = (i / 2) % 2 == 0 ? 2.0 : 3.0;
      const Symbol s =
          i % 2 == 0
              ? Code39Symbol(std::string("W") + Letters(&random, 2) + Digits(&random, 2), ratio)
              : ItfSymbol(Digits(&random, 10), ratio);
      PlaceSymbol(page, g, s, cx, cy, jitter(angles[i]));
    }
  } else if (kind == "hundred") {
    // Five columns of twenty, bars 8 mm, each turned a little either way.
    const int smallBar = g.Mm(kSmallBarMm);
    const double cellW = (g.width - 2.0 * g.Mm(5)) / 5;
    const double cellH = (g.height - 2.0 * g.Mm(5)) / 20;
    for (int i = 0; i < 100; ++i) {
      const int k = i % 4;
      const Symbol s = k == 0   ? Code128Symbol(std::to_string(100000 + i * 7919 % 900000))
                       : k == 1 ? Ean8Symbol(Digits(&random, 7))
                       : k == 2 ? ItfSymbol(Digits(&random, 6), 2.5)
                                : UpcESymbol(UpcEBody(&random));
      const double degrees = (random.Below(2) == 0 ? 0.0 : 180.0) + 6.0 * random.Uniform() - 3.0;
      PlaceSymbol(page, g, s, g.Mm(5) + cellW * (i % 5 + 0.5), g.Mm(5) + cellH * (i / 5 + 0.5),
                  degrees, Stripe::kNone, smallBar);
    }
  }
  return !page->image.pixels.empty();
}

Page A4Page() {
  // The scan benchmark's page: 10 pt text at 300 dpi and five symbols
  // drawn 3 px a module (EAN-13 4 px), bars 150 px.
  const Geometry g(300);
  Page page;
  page.kind = "a4";
  page.dpi = 300;
  Random random(2026);
  Pix* canvas = bcxtest::WhiteCanvas(2480, 3508);
  const std::string prose = Prose(&random, 4000);
  bcxtest::PrintText(canvas, prose.c_str(), 150, 150, 2180, FontSize(300));
  page.image = FromPix(canvas);
  pixDestroy(&canvas);
  const struct {
    Symbol symbol;
    double modulePx, cx, cy, degrees;
  } placed[] = {{Code128Symbol("A4-PAGE-CODE128-42"), 3, 700, 400, 0.0},
                {Ean13Symbol("501234567890"), 4, 1800, 900, 90.0},
                {Code39Symbol("PAGE39", 3.0), 3, 1200, 1800, 30.0},
                {ItfSymbol("12345678", 3.0), 3, 600, 2800, 180.0},
                {Code128Symbol("A4-PAGE-CODE128-43"), 3, 1800, 3000, -15.0}};
  for (const auto& p : placed) {
    const std::vector<double> elements = ElementWidths(p.symbol);
    Pix* flat =
        DrawRuns(elements, p.modulePx, 150, static_cast<int>(kQuietModules * p.modulePx), nullptr);
    if (flat == nullptr) continue;
    Place(&page.image, flat, p.cx, p.cy, p.degrees);
    pixDestroy(&flat);
    page.symbols.push_back(p.symbol);
  }
  return page;
}

}  // namespace readrate
