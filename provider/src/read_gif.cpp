// GIF through giflib, record by record: frames are composited on the
// logical screen (offsets, transparency, disposal) and frames past the one
// wanted are skipped without decompression. The whole file is walked either
// way, so a truncated or damaged file is refused as a whole.
#include <gif_lib.h>

#include <cstring>
#include <new>

#include "grey_image.h"

namespace rastra {
namespace {

constexpr int kDisposeBackground = DISPOSE_BACKGROUND;
constexpr int kDisposePrevious = DISPOSE_PREVIOUS;

// Interlaced frames store every 8th row from 0, every 8th from 4, every
// 4th from 2, then every 2nd from 1.
constexpr int kInterlacePasses = 4;
constexpr int kInterlaceStart[kInterlacePasses] = {0, 4, 2, 1};
constexpr int kInterlaceStep[kInterlacePasses] = {8, 8, 4, 2};

struct GifSource {
  const uint8_t* data;
  size_t length;
  size_t position;
};

struct FrameRect {
  int left;
  int top;
  int width;
  int height;
};

// Everything the walk keeps between records; owned by the caller.
struct GifWalk {
  GifFileType* gif;
  DecodeLimits* limits;
  uint16_t target;               // frame to composite up to; ignored when counting
  bool composite;                // false when only counting
  uint32_t frames;               // frames seen so far
  uint64_t work;                 // pixels decoded so far, rows outside the screen included
  GraphicsControlBlock control;  // from the extension before the next frame
  GreyImage canvas;
  uint8_t* saved;  // canvas before a frame disposed of as "previous"
  GifPixelType* row;
  int rowCapacity;
  FrameRect lastRect;
  int lastDisposal;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
  GifSource* source = static_cast<GifSource*>(gif->UserData);
  if (count <= 0) return 0;
  size_t wanted = static_cast<size_t>(count);
  const size_t available = source->length - source->position;
  if (wanted > available) wanted = available;
  std::memcpy(out, source->data + source->position, wanted);
  source->position += wanted;
  return static_cast<int>(wanted);
}

void ResetControl(GraphicsControlBlock* control) {
  control->DisposalMode = DISPOSAL_UNSPECIFIED;
  control->UserInputFlag = false;
  control->DelayTime = 0;
  control->TransparentColor = NO_TRANSPARENT_COLOR;
}

void FillRect(GreyImage* canvas, const FrameRect& rect, uint8_t value) {
  for (int y = rect.top; y < rect.top + rect.height; ++y) {
    if (y < 0 || y >= canvas->height) continue;
    for (int x = rect.left; x < rect.left + rect.width; ++x) {
      if (x >= 0 && x < canvas->width)
        canvas->pixels[static_cast<size_t>(y) * canvas->width + x] = value;
    }
  }
}

size_t CanvasBytes(const GreyImage& canvas) {
  return static_cast<size_t>(canvas.width) * static_cast<size_t>(canvas.height);
}

bool SkipCode(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
  while (block != nullptr) {
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

bool ReadExtension(GifWalk* walk) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(walk->gif, &code, &block) == GIF_ERROR) return false;
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
    if (DGifExtensionToGCB(block[0], block + 1, &walk->control) == GIF_ERROR) return false;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(walk->gif, &block) == GIF_ERROR) return false;
  }
  return true;
}

// Undoes the previous frame as its disposal mode asks, before the next one.
void DisposeLastFrame(GifWalk* walk) {
  if (walk->lastDisposal == kDisposeBackground) {
    FillRect(&walk->canvas, walk->lastRect, kWhite);
  } else if (walk->lastDisposal == kDisposePrevious && walk->saved != nullptr) {
    std::memcpy(walk->canvas.pixels, walk->saved, CanvasBytes(walk->canvas));
  }
}

void DrawRow(GifWalk* walk, const FrameRect& rect, int rowIndex, const ColorMapObject* colors) {
  const int y = rect.top + rowIndex;
  if (y < 0 || y >= walk->canvas.height) return;
  uint8_t* out = walk->canvas.pixels + static_cast<size_t>(y) * walk->canvas.width;
  const int transparent = walk->control.TransparentColor;
  for (int i = 0; i < rect.width; ++i) {
    const int x = rect.left + i;
    const int index = walk->row[i];
    if (x >= walk->canvas.width || index == transparent || index >= colors->ColorCount) continue;
    const GifColorType& color = colors->Colors[index];
    out[x] = Luminance(color.Red, color.Green, color.Blue);
  }
}

bool EnsureRow(GifWalk* walk, int width) {
  if (width <= walk->rowCapacity) return true;
  delete[] walk->row;
  walk->row = new (std::nothrow) GifPixelType[width];
  walk->rowCapacity = walk->row != nullptr ? width : 0;
  return walk->row != nullptr;
}

// Skips the rest of a frame's data after its last row that shows.
bool SkipRestOfCode(GifFileType* gif) {
  GifByteType* block = nullptr;
  do {
    if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
  } while (block != nullptr);
  return true;
}

// Rows of a frame that must be decoded to draw it: LZW decodes row after
// row, but rows below the screen are never seen, unless interlacing spreads
// them over the passes.
int RowsToDecode(const GifWalk& walk, const FrameRect& rect, bool interlaced) {
  if (interlaced) return rect.height;
  const int shown = walk.canvas.height - rect.top;
  if (shown <= 0) return 0;
  return shown < rect.height ? shown : rect.height;
}

// Each frame is decoded whole before the next: a file of a few kilobytes
// may hold thousands of frames as large as the screen, whose LZW codes
// each give thousands of pixels, so compositing is bounded by the limit.
bool WorkAllowed(GifWalk* walk, const FrameRect& rect, int rows) {
  walk->work += static_cast<uint64_t>(rect.width) * static_cast<uint64_t>(rows);
  return walk->work <= kGifWorkPerPixel * walk->limits->maxPixels;
}

bool DrawFrame(GifWalk* walk, const FrameRect& rect) {
  GifFileType* gif = walk->gif;
  const ColorMapObject* colors =
      gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
  const bool interlaced = gif->Image.Interlace;
  const int rows = RowsToDecode(*walk, rect, interlaced);
  if (colors == nullptr || !WorkAllowed(walk, rect, rows)) return false;
  if (rows == 0) return SkipCode(gif);
  if (!EnsureRow(walk, rect.width)) return false;
  const int passes = interlaced ? kInterlacePasses : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = interlaced ? kInterlaceStart[pass] : 0;
    const int step = interlaced ? kInterlaceStep[pass] : 1;
    for (int y = start; y < rows; y += step) {
      if (DGifGetLine(gif, walk->row, rect.width) == GIF_ERROR) return false;
      DrawRow(walk, rect, y, colors);
    }
  }
  return rows == rect.height || SkipRestOfCode(gif);
}

// giflib keeps a record of every frame header it reads, growing its array
// one frame at a time until the file is closed: over the thousands of
// frames a small file may hold, that is quadratic copying. The walk needs
// none of them.
void ForgetSavedFrames(GifFileType* gif) {
  GifFreeSavedImages(gif);
  gif->ImageCount = 0;
}

bool ReadFrame(GifWalk* walk) {
  if (DGifGetImageDesc(walk->gif) == GIF_ERROR) return false;
  ForgetSavedFrames(walk->gif);
  const GifImageDesc& desc = walk->gif->Image;
  const FrameRect rect = {desc.Left, desc.Top, desc.Width, desc.Height};
  if (!SizeAllowed(rect.width, rect.height, walk->limits)) return false;
  const bool wanted = walk->composite && walk->frames <= walk->target;
  bool ok = true;
  if (!wanted) {
    ok = SkipCode(walk->gif);
  } else {
    if (walk->frames > 0) DisposeLastFrame(walk);
    const int disposal = walk->control.DisposalMode;
    if (disposal == kDisposePrevious && walk->frames < walk->target) {
      if (walk->saved == nullptr)
        walk->saved = new (std::nothrow) uint8_t[CanvasBytes(walk->canvas)];
      if (walk->saved == nullptr) return false;
      std::memcpy(walk->saved, walk->canvas.pixels, CanvasBytes(walk->canvas));
    }
    ok = DrawFrame(walk, rect);
    walk->lastRect = rect;
    walk->lastDisposal = disposal;
  }
  ++walk->frames;
  ResetControl(&walk->control);
  return ok;
}

bool Walk(GifWalk* walk) {
  GifRecordType record = UNDEFINED_RECORD_TYPE;
  do {
    if (DGifGetRecordType(walk->gif, &record) == GIF_ERROR) return false;
    if (record == IMAGE_DESC_RECORD_TYPE && !ReadFrame(walk)) return false;
    if (record == EXTENSION_RECORD_TYPE && !ReadExtension(walk)) return false;
  } while (record != TERMINATE_RECORD_TYPE);
  return walk->frames > 0;
}

bool OpenWalk(GifWalk* walk, GifSource* source, DecodeLimits* limits, bool composite,
              uint16_t target) {
  *walk = {nullptr, limits,  target, composite,    0, 0, {}, {nullptr, 0, 0},
           nullptr, nullptr, 0,      {0, 0, 0, 0}, 0};
  ResetControl(&walk->control);
  if (source->data == nullptr || source->length == 0) return false;
  int error = 0;
  walk->gif = DGifOpen(source, ReadBytes, &error);
  if (walk->gif == nullptr) return false;
  if (!SizeAllowed(walk->gif->SWidth, walk->gif->SHeight, limits)) return false;
  if (!composite) return true;
  if (!AllocateGrey(&walk->canvas, walk->gif->SWidth, walk->gif->SHeight)) return false;
  std::memset(walk->canvas.pixels, kWhite, CanvasBytes(walk->canvas));
  return true;
}

void CloseWalk(GifWalk* walk) {
  if (walk->gif != nullptr) {
    int error = 0;
    DGifCloseFile(walk->gif, &error);
  }
  delete[] walk->saved;
  delete[] walk->row;
  walk->saved = nullptr;
  walk->row = nullptr;
}

}  // namespace

bool DecodeGifFrame(const uint8_t* data, size_t length, uint16_t frame, DecodeLimits* limits,
                    GreyImage* image) noexcept {
  // A first pass without pixels refuses a damaged file before the screen
  // is allocated.
  if (frame >= CountGifFrames(data, length, limits)) return false;
  GifSource source = {data, length, 0};
  GifWalk walk;
  const bool ok =
      OpenWalk(&walk, &source, limits, true, frame) && Walk(&walk) && frame < walk.frames;
  CloseWalk(&walk);
  if (!ok) {
    FreeGrey(&walk.canvas);
    return false;
  }
  *image = walk.canvas;
  return true;
}

uint16_t CountGifFrames(const uint8_t* data, size_t length, DecodeLimits* limits) noexcept {
  GifSource source = {data, length, 0};
  GifWalk walk;
  const bool ok = OpenWalk(&walk, &source, limits, false, 0) && Walk(&walk);
  CloseWalk(&walk);
  if (!ok) return 0;
  return walk.frames > kMaxPages ? kMaxPages : static_cast<uint16_t>(walk.frames);
}

}  // namespace rastra
