// PNG through libpng directly, so that its warnings and errors go to
// handlers that say nothing. libpng reports errors by longjmp: the
// functions that set the jump point hold no objects with destructors and
// keep everything that outlives the jump in a PngJob owned by the caller.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "grey_image.h"

namespace rastra {
namespace {

// Fixed-point weights (x 100000) for red and green; blue takes the rest.
constexpr png_int_32 kRedWeight = 29900;
constexpr png_int_32 kGreenWeight = 58700;
constexpr png_uint_16 kWhite16 = 0xffff;

struct PngJob {
  const uint8_t* data;
  size_t length;
  size_t position;
  png_structp png;
  png_infop info;
  DecodeLimits* limits;
  GreyImage image;
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
  PngJob* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (count > job->length - job->position) png_error(png, "truncated");
  std::memcpy(out, job->data + job->position, count);
  job->position += count;
}

[[noreturn]] void ReportError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void IgnoreWarning(png_structp, png_const_charp) {}

bool OpenJob(PngJob* job, const uint8_t* data, size_t length, DecodeLimits* limits) {
  *job = {data, length, 0, nullptr, nullptr, limits, {nullptr, 0, 0}};
  if (data == nullptr) return false;
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportError, IgnoreWarning);
  if (job->png == nullptr) return false;
  job->info = png_create_info_struct(job->png);
  return job->info != nullptr;
}

void CloseJob(PngJob* job) {
  if (job->png != nullptr) png_destroy_read_struct(&job->png, &job->info, nullptr);
}

// Asks libpng for one 8-bit grey byte per pixel, transparency composed
// over white.
void RequestGrey(png_structp png, png_infop info) {
  const png_byte colorType = png_get_color_type(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) != 0) {  // palettes included
    png_set_rgb_to_gray_fixed(png, PNG_ERROR_ACTION_NONE, kRedWeight, kGreenWeight);
  }
  if ((colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
    png_color_16 white = {0, kWhite16, kWhite16, kWhite16, kWhite16};
    png_set_background_fixed(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, PNG_FP_1);
  }
}

bool ReadHeader(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png)) != 0) return false;
  png_set_read_fn(job->png, job, ReadBytes);
  png_read_info(job->png, job->info);
  return SizeAllowed(png_get_image_width(job->png, job->info),
                     png_get_image_height(job->png, job->info), job->limits);
}

bool ReadPixels(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png)) != 0) return false;
  RequestGrey(job->png, job->info);
  const int passes = png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);
  const png_uint_32 width = png_get_image_width(job->png, job->info);
  const png_uint_32 height = png_get_image_height(job->png, job->info);
  if (png_get_rowbytes(job->png, job->info) != width) return false;
  if (!AllocateGrey(&job->image, static_cast<int32_t>(width), static_cast<int32_t>(height))) {
    return false;
  }
  // Interlaced passes refine the same rows, so they are read in place.
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(job->png, job->image.pixels + static_cast<size_t>(y) * width, nullptr);
    }
  }
  png_read_end(job->png, nullptr);
  return true;
}

}  // namespace

bool DecodePng(const uint8_t* data, size_t length, DecodeLimits* limits,
               GreyImage* image) noexcept {
  PngJob job;
  const bool ok = OpenJob(&job, data, length, limits) && ReadHeader(&job) && ReadPixels(&job);
  CloseJob(&job);
  if (!ok) {
    FreeGrey(&job.image);
    return false;
  }
  *image = job.image;
  return true;
}

}  // namespace rastra
