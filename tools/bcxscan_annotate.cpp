#include "bcxscan_annotate.h"

#include <leptonica/allheaders.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "bcxscan_input.h"
#include "bcxscan_options.h"

namespace bcxscan {
namespace {

struct Colour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// One colour per symbology, in identifier order, chosen to stand out on
// black and white.
constexpr Colour kTypeColours[] = {
    {230, 25, 75},  {0, 130, 200}, {60, 180, 75},  {245, 130, 48},
    {145, 30, 180}, {0, 150, 150}, {240, 50, 230}, {170, 110, 40},
};
constexpr Colour kUnknownColour = {255, 0, 0};
constexpr int32_t kLineWidthDivisor = 150;  // line width grows with the picture
constexpr int32_t kMinLineWidth = 2;
constexpr int32_t kMarkHalfSize = 6;
// Leptonica's built-in font sizes, chosen by the picture's shorter side.
constexpr int32_t kSmallFont = 4;
constexpr int32_t kMediumFont = 6;
constexpr int32_t kLargeFont = 8;
constexpr int32_t kMediumFontFrom = 300;
constexpr int32_t kLargeFontFrom = 800;
constexpr int32_t kLabelGap = 4;
constexpr int32_t kTrueColourDepth = 32;
constexpr size_t kFormatHeadBytes = 12;
constexpr mode_t kFolderMode = 0777;

Colour TypeColour(int type) {
  constexpr int count = static_cast<int>(sizeof(kTypeColours) / sizeof(kTypeColours[0]));
  return type >= 0 && type < count ? kTypeColours[type] : kUnknownColour;
}

std::string Basename(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ClaimName(PicturePlanner* planner, const std::string& stem, const std::string& ext) {
  std::string name = stem + ext;
  for (int n = 2; planner->used.count(name) != 0; ++n) {
    name = stem + "-" + std::to_string(n) + ext;
  }
  planner->used.insert(name);
  return name;
}

void DrawMark(Pix* picture, const Corner& at, int32_t width, const Colour& colour) {
  pixRenderLineArb(picture, at.x - kMarkHalfSize, at.y - kMarkHalfSize, at.x + kMarkHalfSize,
                   at.y + kMarkHalfSize, width, colour.red, colour.green, colour.blue);
  pixRenderLineArb(picture, at.x - kMarkHalfSize, at.y + kMarkHalfSize, at.x + kMarkHalfSize,
                   at.y - kMarkHalfSize, width, colour.red, colour.green, colour.blue);
}

// The label sits above the outline, or below it when there is no room.
void DrawLabel(Pix* picture, L_BMF* font, const Symbol& symbol, const Colour& colour) {
  int32_t left = symbol.corners[0].x;
  int32_t top = symbol.corners[0].y;
  int32_t bottom = top;
  for (const Corner& corner : symbol.corners) {
    left = std::min(left, corner.x);
    top = std::min(top, corner.y);
    bottom = std::max(bottom, corner.y);
  }
  l_uint32 value = 0;
  composeRGBPixel(colour.red, colour.green, colour.blue, &value);
  const int32_t ascent = font->baseline1;
  const int32_t baseline =
      top - kLabelGap - ascent >= 0 ? top - kLabelGap : bottom + kLabelGap + ascent;
  const char* name = TypeName(symbol.type);
  l_int32 width = 0;
  l_int32 overflow = 0;
  pixSetTextline(picture, font, name, value, std::max(left, 0), baseline, &width, &overflow);
}

bool IsTiff(const ImageSource& source) {
  l_int32 format = IFF_UNKNOWN;
  if (source.path != nullptr) {
    if (findFileFormat(source.path, &format) != 0) return false;
  } else {
    // Leptonica reads that many bytes whatever the size.
    if (source.data == nullptr || source.size < kFormatHeadBytes) return false;
    if (findFileFormatBuffer(source.data, &format) != 0) return false;
  }
  return L_FORMAT_IS_TIFF(format);
}

}  // namespace

void StartPlanner(PicturePlanner* planner, const std::string& out, bool folder) {
  planner->out = out;
  planner->folder = folder;
  planner->firstWritten = false;
  planner->used.clear();
}

std::string NextPicturePath(PicturePlanner* planner, const std::string& input, int32_t page,
                            bool multiPage) {
  const std::string pageSuffix = "-p" + std::to_string(page);
  if (!planner->folder) {
    if (!planner->firstWritten) {
      planner->firstWritten = true;
      planner->used.insert(planner->out);
      return planner->out;
    }
    const std::string base = Basename(planner->out);
    const std::string dir = planner->out.substr(0, planner->out.size() - base.size());
    const std::string stem = WithoutExtension(base);
    const std::string ext = stem.size() < base.size() ? base.substr(stem.size()) : ".png";
    return dir + ClaimName(planner, stem + pageSuffix, ext);
  }
  std::string stem = input == "-" ? "stdin" : WithoutExtension(Basename(input));
  if (stem.empty()) stem = "image";
  if (multiPage) stem += pageSuffix;
  std::string folder = planner->out;
  if (folder.back() != '/') folder += '/';
  return folder + ClaimName(planner, stem, ".png");
}

bool DrawSymbols(Pix* picture, const std::vector<Symbol>& symbols) {
  if (picture == nullptr || pixGetDepth(picture) != kTrueColourDepth) return false;
  const int32_t shorter = std::min(static_cast<int32_t>(pixGetWidth(picture)),
                                   static_cast<int32_t>(pixGetHeight(picture)));
  const int32_t lineWidth = std::max(kMinLineWidth, shorter / kLineWidthDivisor);
  const int32_t fontSize = shorter >= kLargeFontFrom    ? kLargeFont
                           : shorter >= kMediumFontFrom ? kMediumFont
                                                        : kSmallFont;
  L_BMF* font = bmfCreate(nullptr, fontSize);
  for (const Symbol& symbol : symbols) {
    const Colour colour = TypeColour(symbol.type);
    PTA* outline = ptaCreate(kCorners);
    if (outline == nullptr) continue;
    for (const Corner& corner : symbol.corners) ptaAddPt(outline, corner.x, corner.y);
    pixRenderPolylineArb(picture, outline, lineWidth, colour.red, colour.green, colour.blue, 1);
    ptaDestroy(&outline);
    if (font != nullptr) {
      DrawLabel(picture, font, symbol, colour);
    } else {
      DrawMark(picture, symbol.corners[0], lineWidth, colour);
    }
  }
  if (font != nullptr) bmfDestroy(&font);
  return true;
}

bool WriteAnnotatedPicture(const ImageSource& source, int32_t page,
                           const std::vector<Symbol>& symbols, const std::string& outPath,
                           std::string* error) {
  // The severity is one global of Leptonica's, and pictures are drawn on
  // several threads at once.
  static std::once_flag quiet;
  std::call_once(quiet, [] { setMsgSeverity(L_SEVERITY_NONE); });
  // TIFF pages are read page by page; for a GIF, Leptonica gives the first
  // frame only, so later frames are drawn over that one.
  PIX* original = nullptr;
  if (source.path != nullptr) {
    original = IsTiff(source) ? pixReadTiff(source.path, page) : pixRead(source.path);
  } else {
    original = IsTiff(source) ? pixReadMemTiff(source.data, source.size, page)
                              : pixReadMem(source.data, source.size);
  }
  if (original == nullptr) {
    *error = "cannot read the image for the annotated picture";
    return false;
  }
  PIX* picture = pixConvertTo32(original);
  pixDestroy(&original);
  if (picture == nullptr) {
    *error = "cannot convert the image for the annotated picture";
    return false;
  }
  DrawSymbols(picture, symbols);
  const bool written = pixWrite(outPath.c_str(), picture, IFF_PNG) == 0;
  pixDestroy(&picture);
  if (!written) {
    *error = "cannot write " + outPath;
    return false;
  }
  return true;
}

void NotePicture(FileScan* scan, int32_t page, const std::vector<Symbol>& found) {
  PendingPicture picture = {};
  picture.page = page;
  picture.multiPage = scan->input.pages > 1;
  for (const Symbol& symbol : found) {
    if (symbol.page == page) picture.symbols.push_back(symbol);
  }
  picture.messageAt = scan->report.messages.size();
  scan->pictures.push_back(std::move(picture));
}

void NamePictures(PicturePlanner* planner, FileScan* scan) {
  for (PendingPicture& picture : scan->pictures) {
    picture.path = NextPicturePath(planner, scan->input.name, picture.page, picture.multiPage);
  }
}

// Failures are put back where the picture was noted, from the last so that
// the earlier places stay where they were.
void DrawPictures(FileScan* scan) {
  const Input& input = scan->input;
  ImageSource source = {};
  source.path = input.fromMemory ? nullptr : input.name.c_str();
  source.data = input.data.data();
  source.size = input.data.size();
  std::vector<std::string> failures(scan->pictures.size());
  for (size_t i = 0; i < scan->pictures.size(); ++i) {
    const PendingPicture& picture = scan->pictures[i];
    std::string reason;
    if (!WriteAnnotatedPicture(source, picture.page, picture.symbols, picture.path, &reason)) {
      failures[i] = ErrorLine(input.name, reason);
    }
  }
  for (size_t i = failures.size(); i-- > 0;) {
    if (failures[i].empty()) continue;
    scan->report.messages.insert(scan->pictures[i].messageAt, failures[i]);
    scan->report.error = true;
  }
}

bool IsFolder(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PrepareFolder(const std::string& folder, std::string* reason) {
  struct stat info = {};
  if (stat(folder.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    *reason = "'" + folder + "' is not a folder";
    return false;
  }
  if (mkdir(folder.c_str(), kFolderMode) == 0) return true;
  *reason = "cannot create folder '" + folder + "' (" + std::strerror(errno) + ")";
  return false;
}

}  // namespace bcxscan
