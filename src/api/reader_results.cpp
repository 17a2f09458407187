// What the last read found: the image's pages and size, its timings, and
// its results.
#include "api/reader_state.h"
#include "symbologies/table.h"

extern "C" {

int bcx_image_page_count(const bcx_reader* r) noexcept {
  return r == nullptr ? 0 : r->image.pageCount;
}

int bcx_image_size(const bcx_reader* r, int* width, int* height) noexcept {
  if (r == nullptr || width == nullptr || height == nullptr || r->image.width == 0) return 0;
  *width = r->image.width;
  *height = r->image.height;
  return 1;
}

int bcx_read_timings(const bcx_reader* r, double* load_ms, double* scan_ms) noexcept {
  if (r == nullptr || load_ms == nullptr || scan_ms == nullptr) return 0;
  *load_ms = r->timings.loadMs;
  *scan_ms = r->timings.scanMs;
  return 1;
}

int bcx_result_count(const bcx_reader* r) noexcept {
  return r == nullptr ? 0 : r->context.results.count;
}

int bcx_result_type(const bcx_reader* r, int i) noexcept {
  if (r == nullptr || i < 0 || i >= r->context.results.count) return -1;
  return r->context.results.records[i].type;
}

size_t bcx_result_text(const bcx_reader* r, int i, const uint8_t** bytes) noexcept {
  if (r == nullptr || i < 0 || i >= r->context.results.count) {
    if (bytes != nullptr) *bytes = nullptr;
    return 0;
  }
  const bcx::ResultRecord& record = r->context.results.records[i];
  if (bytes != nullptr) *bytes = record.text;
  return static_cast<size_t>(record.textLength);
}

int bcx_result_corners(const bcx_reader* r, int i, int32_t xy[8]) noexcept {
  if (r == nullptr || xy == nullptr || i < 0 || i >= r->context.results.count) return 0;
  const bcx::ResultRecord& record = r->context.results.records[i];
  for (int k = 0; k < bcx::kCornerCount; ++k) {
    xy[2 * k] = record.corners[k].x + r->originX;
    xy[2 * k + 1] = record.corners[k].y + r->originY;
  }
  return 1;
}

const char* bcx_reader_error(const bcx_reader* r) noexcept {
  return r == nullptr ? "no reader" : r->error;
}

const char* bcx_symbology_name(int type) noexcept {
  const bcx::SymbologyDescriptor* row = bcx::FindSymbology(type);
  return row != nullptr ? row->name : nullptr;
}

int bcx_symbology_from_name(const char* name) noexcept { return bcx::SymbologyFromName(name); }

}  // extern "C"
