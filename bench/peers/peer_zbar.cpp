#include <zbar.h>

#include "peers.h"

namespace peers {
namespace {

std::string Name(zbar::zbar_symbol_type_t t) {
  switch (t) {
    case zbar::ZBAR_CODE39:
      return "Code39";
    case zbar::ZBAR_CODE128:
      return "Code128";
    case zbar::ZBAR_EAN8:
      return "EAN-8";
    case zbar::ZBAR_EAN13:
      return "EAN-13";
    case zbar::ZBAR_I25:
      return "ITF";
    case zbar::ZBAR_UPCA:
      return "UPC-A";
    case zbar::ZBAR_UPCE:
      return "UPC-E";
    default:
      return zbar::zbar_get_symbol_name(t);
  }
}

}  // namespace

ZbarScanner::ZbarScanner() : scanner_(zbar::zbar_image_scanner_create()) {}

ZbarScanner::~ZbarScanner() {
  zbar::zbar_image_scanner_destroy(static_cast<zbar::zbar_image_scanner_t*>(scanner_));
}

std::vector<Found> ZbarScanner::Read(const readrate::Grey& image) {
  auto* scanner = static_cast<zbar::zbar_image_scanner_t*>(scanner_);
  zbar::zbar_image_t* z = zbar::zbar_image_create();
  zbar::zbar_image_set_format(z, zbar_fourcc('Y', '8', '0', '0'));
  zbar::zbar_image_set_size(z, static_cast<unsigned>(image.width),
                            static_cast<unsigned>(image.height));
  zbar::zbar_image_set_data(z, image.pixels.data(), image.pixels.size(), nullptr);
  std::vector<Found> found;
  if (zbar::zbar_scan_image(scanner, z) > 0) {
    for (const zbar::zbar_symbol_t* s = zbar::zbar_image_first_symbol(z); s != nullptr;
         s = zbar::zbar_symbol_next(s)) {
      found.push_back(
          {Name(zbar::zbar_symbol_get_type(s)),
           std::string(zbar::zbar_symbol_get_data(s), zbar::zbar_symbol_get_data_length(s))});
    }
  }
  zbar::zbar_image_destroy(z);
  return found;
}

}  // namespace peers
