// The formats through the Windows Imaging Component, so that Rastra.dll
// ships no codec of its own: PNG, JPEG, TIFF pages, GIF frames composited
// on the logical screen, BMP, and WebP where the system has its codec.
// Pixels become grey by the same weights as everywhere else in the
// provider, transparency composed over white.
#include <windows.h>

// Before the codec headers: this unit defines the GUIDs it names.
#include <initguid.h>
#include <propidl.h>
#include <wincodec.h>

#include <cstring>
#include <new>

#include "grey_image.h"

namespace rastra {
namespace {

// Rows converted at a time: a band of a 65535-pixel row in 32-bit colour
// is 16 MB at most, never a whole colour copy of the image.
constexpr UINT kBandRows = 64;
constexpr uint32_t kFullAlpha = 255;
constexpr UINT kBgraBytes = 4;
constexpr UINT kDisposeBackground = 2;
constexpr UINT kDisposePrevious = 3;

template <typename T>
void Release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// COM on the calling thread, in whichever mode the host already chose.
struct ComScope {
  bool entered;
  bool usable;
};

ComScope EnterCom() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  return {SUCCEEDED(result), SUCCEEDED(result) || result == RPC_E_CHANGED_MODE};
}

void LeaveCom(const ComScope& scope) {
  if (scope.entered) CoUninitialize();
}

const GUID* ContainerOf(Format format) {
  switch (format) {
    case Format::kPng:
      return &GUID_ContainerFormatPng;
    case Format::kJpeg:
      return &GUID_ContainerFormatJpeg;
    case Format::kGif:
      return &GUID_ContainerFormatGif;
    case Format::kTiff:
      return &GUID_ContainerFormatTiff;
    case Format::kBmp:
      return &GUID_ContainerFormatBmp;
    case Format::kWebp:
      return &GUID_ContainerFormatWebp;
    case Format::kPnm:
    case Format::kUnknown:
      break;
  }
  return nullptr;
}

struct Decoding {
  IWICImagingFactory* factory;
  IWICStream* stream;
  IWICBitmapDecoder* decoder;
};

void CloseDecoder(Decoding* d) {
  Release(d->decoder);
  Release(d->stream);
  Release(d->factory);
}

// A decoder over the block, refused unless the system's codec for the
// format its leading bytes show is the one that took it.
bool OpenDecoder(const uint8_t* data, size_t length, Format format, Decoding* d) {
  *d = {nullptr, nullptr, nullptr};
  const GUID* container = ContainerOf(format);
  if (container == nullptr || data == nullptr || length == 0 || length > UINT32_MAX) return false;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(&d->factory)))) {
    return false;
  }
  if (FAILED(d->factory->CreateStream(&d->stream))) return false;
  // The stream only reads the block; its interface takes no const.
  if (FAILED(d->stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(length))))
    return false;
  if (FAILED(d->factory->CreateDecoderFromStream(d->stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                 &d->decoder))) {
    return false;
  }
  GUID found;
  return SUCCEEDED(d->decoder->GetContainerFormat(&found)) && IsEqualGUID(found, *container);
}

UINT FrameCount(const Decoding& d) {
  UINT count = 0;
  return SUCCEEDED(d.decoder->GetFrameCount(&count)) ? count : 0;
}

// Where a frame lands on the canvas, and whether its transparent pixels
// leave the canvas as it is (GIF frames) or show white.
struct Placement {
  int32_t left;
  int32_t top;
  bool overlay;
};

void DrawBand(const BYTE* band, UINT stride, UINT rows, UINT firstRow, UINT width, bool grey,
              const Placement& at, GreyImage* canvas) {
  for (UINT r = 0; r < rows; ++r) {
    const int64_t y = static_cast<int64_t>(at.top) + firstRow + r;
    if (y < 0 || y >= canvas->height) continue;
    const BYTE* in = band + static_cast<size_t>(r) * stride;
    uint8_t* out = canvas->pixels + static_cast<size_t>(y) * canvas->width;
    for (UINT i = 0; i < width; ++i) {
      const int64_t x = static_cast<int64_t>(at.left) + i;
      if (x < 0 || x >= canvas->width) continue;
      if (grey) {
        out[x] = in[i];
        continue;
      }
      const BYTE* bgra = in + static_cast<size_t>(i) * kBgraBytes;
      const uint32_t alpha = bgra[3];
      if (at.overlay && alpha == 0) continue;
      const uint32_t value = Luminance(bgra[2], bgra[1], bgra[0]);
      out[x] = static_cast<uint8_t>((value * alpha + kWhite * (kFullAlpha - alpha)) / kFullAlpha);
    }
  }
}

// Grey sources are copied as they are; every other format goes through
// 32-bit colour with straight alpha, band by band.
bool DrawSource(IWICImagingFactory* factory, IWICBitmapSource* source, UINT width, UINT height,
                const Placement& at, GreyImage* canvas) {
  WICPixelFormatGUID format;
  if (FAILED(source->GetPixelFormat(&format))) return false;
  const bool grey = IsEqualGUID(format, GUID_WICPixelFormat8bppGray);
  IWICFormatConverter* converter = nullptr;
  IWICBitmapSource* pixels = source;
  if (!grey) {
    if (FAILED(factory->CreateFormatConverter(&converter))) return false;
    if (FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
      Release(converter);
      return false;
    }
    pixels = converter;
  }
  const UINT stride = width * (grey ? 1 : kBgraBytes);
  BYTE* band = new (std::nothrow) BYTE[static_cast<size_t>(stride) * kBandRows];
  bool ok = band != nullptr;
  for (UINT first = 0; ok && first < height; first += kBandRows) {
    const UINT rows = height - first < kBandRows ? height - first : kBandRows;
    const WICRect rect = {0, static_cast<INT>(first), static_cast<INT>(width),
                          static_cast<INT>(rows)};
    ok = SUCCEEDED(pixels->CopyPixels(&rect, stride, stride * rows, band));
    if (ok) DrawBand(band, stride, rows, first, width, grey, at, canvas);
  }
  delete[] band;
  Release(converter);
  return ok;
}

bool DecodeStill(const Decoding& d, UINT index, DecodeLimits* limits, GreyImage* image) {
  IWICBitmapFrameDecode* frame = nullptr;
  if (FAILED(d.decoder->GetFrame(index, &frame))) return false;
  UINT width = 0;
  UINT height = 0;
  bool ok = SUCCEEDED(frame->GetSize(&width, &height)) && SizeAllowed(width, height, limits) &&
            AllocateGrey(image, static_cast<int32_t>(width), static_cast<int32_t>(height));
  ok = ok && DrawSource(d.factory, frame, width, height, {0, 0, false}, image);
  Release(frame);
  if (!ok) FreeGrey(image);
  return ok;
}

bool ReadNumber(IWICMetadataQueryReader* reader, const wchar_t* name, UINT* value) {
  PROPVARIANT v;
  PropVariantInit(&v);
  bool ok = SUCCEEDED(reader->GetMetadataByName(name, &v));
  if (ok) {
    switch (v.vt) {
      case VT_UI1:
        *value = v.bVal;
        break;
      case VT_UI2:
        *value = v.uiVal;
        break;
      case VT_UI4:
        *value = v.ulVal;
        break;
      default:
        ok = false;
    }
  }
  PropVariantClear(&v);
  return ok;
}

bool ScreenSize(const Decoding& d, UINT* width, UINT* height) {
  IWICMetadataQueryReader* reader = nullptr;
  if (FAILED(d.decoder->GetMetadataQueryReader(&reader))) return false;
  const bool ok = ReadNumber(reader, L"/logscrdesc/Width", width) &&
                  ReadNumber(reader, L"/logscrdesc/Height", height);
  Release(reader);
  return ok;
}

struct GifFrame {
  IWICBitmapFrameDecode* frame;
  int32_t left;
  int32_t top;
  UINT width;
  UINT height;
  UINT disposal;
};

bool OpenGifFrame(const Decoding& d, UINT index, GifFrame* f) {
  *f = {nullptr, 0, 0, 0, 0, 0};
  if (FAILED(d.decoder->GetFrame(index, &f->frame))) return false;
  IWICMetadataQueryReader* reader = nullptr;
  UINT left = 0;
  UINT top = 0;
  bool ok = SUCCEEDED(f->frame->GetSize(&f->width, &f->height)) &&
            SUCCEEDED(f->frame->GetMetadataQueryReader(&reader)) &&
            ReadNumber(reader, L"/imgdesc/Left", &left) &&
            ReadNumber(reader, L"/imgdesc/Top", &top);
  // A frame without a control extension keeps the canvas as it leaves it.
  if (ok && !ReadNumber(reader, L"/grctlext/Disposal", &f->disposal)) f->disposal = 0;
  f->left = static_cast<int32_t>(left);
  f->top = static_cast<int32_t>(top);
  Release(reader);
  if (!ok) Release(f->frame);
  return ok;
}

void FillWhite(GreyImage* canvas, const GifFrame& f) {
  for (int64_t y = f.top; y < static_cast<int64_t>(f.top) + f.height && y < canvas->height; ++y) {
    for (int64_t x = f.left; x < static_cast<int64_t>(f.left) + f.width && x < canvas->width; ++x)
      canvas->pixels[static_cast<size_t>(y) * canvas->width + x] = kWhite;
  }
}

// Frames 0 to `target` drawn in turn on a white screen, each undone before
// the next as its disposal asks, within the same budget of decoded pixels
// per allowed pixel as elsewhere.
bool ComposeGif(const Decoding& d, UINT target, DecodeLimits* limits, GreyImage* canvas) {
  UINT width = 0;
  UINT height = 0;
  if (!ScreenSize(d, &width, &height) || !SizeAllowed(width, height, limits)) return false;
  if (!AllocateGrey(canvas, static_cast<int32_t>(width), static_cast<int32_t>(height)))
    return false;
  const size_t bytes = static_cast<size_t>(width) * height;
  std::memset(canvas->pixels, kWhite, bytes);
  uint8_t* saved = nullptr;
  GifFrame last = {nullptr, 0, 0, 0, 0, 0};
  uint64_t work = 0;
  bool ok = true;
  for (UINT i = 0; ok && i <= target; ++i) {
    GifFrame f;
    ok = OpenGifFrame(d, i, &f) && SizeAllowed(f.width, f.height, limits);
    work += static_cast<uint64_t>(f.width) * f.height;
    ok = ok && work <= kGifWorkPerPixel * limits->maxPixels;
    if (ok && i > 0 && last.disposal == kDisposeBackground) FillWhite(canvas, last);
    if (ok && i > 0 && last.disposal == kDisposePrevious && saved != nullptr)
      std::memcpy(canvas->pixels, saved, bytes);
    if (ok && f.disposal == kDisposePrevious && i < target) {
      if (saved == nullptr) saved = new (std::nothrow) uint8_t[bytes];
      ok = saved != nullptr;
      if (ok) std::memcpy(saved, canvas->pixels, bytes);
    }
    ok = ok && DrawSource(d.factory, f.frame, f.width, f.height, {f.left, f.top, true}, canvas);
    Release(f.frame);
    last = f;
  }
  delete[] saved;
  if (!ok) FreeGrey(canvas);
  return ok;
}

bool Decode(const Decoding& d, Format format, uint16_t page, DecodeLimits* limits,
            GreyImage* image) {
  const UINT frames = FrameCount(d);
  if (page >= frames) return false;
  if (format == Format::kGif) return ComposeGif(d, page, limits, image);
  if (format != Format::kTiff && page != 0) return false;
  return DecodeStill(d, page, limits, image);
}

}  // namespace

bool DecodeFormat(const uint8_t* data, size_t length, Format format, uint16_t page,
                  DecodeLimits* limits, GreyImage* image) noexcept {
  // The provider's own walk of the directory chain decides how many pages
  // a TIFF has, as on every platform.
  if (format == Format::kTiff && page >= CountTiffPages(data, length)) return false;
  const ComScope com = EnterCom();
  if (!com.usable) return false;
  Decoding d;
  const bool ok = OpenDecoder(data, length, format, &d) && Decode(d, format, page, limits, image);
  CloseDecoder(&d);
  LeaveCom(com);
  return ok;
}

uint16_t CountGifFrames(const uint8_t* data, size_t length, DecodeLimits* limits) noexcept {
  const ComScope com = EnterCom();
  if (!com.usable) return 0;
  Decoding d;
  UINT frames = 0;
  UINT width = 0;
  UINT height = 0;
  if (OpenDecoder(data, length, Format::kGif, &d) && ScreenSize(d, &width, &height) &&
      SizeAllowed(width, height, limits)) {
    frames = FrameCount(d);
  }
  CloseDecoder(&d);
  LeaveCom(com);
  return frames > kMaxPages ? kMaxPages : static_cast<uint16_t>(frames);
}

}  // namespace rastra
