#include "symbologies/ean_upc/ean8.h"

#include "symbologies/ean_upc/ean_upc.h"

namespace bcx {

int DecodeEan8(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
               int32_t* length, int32_t* /*leadingFnc1*/) {
  return DecodeCheckedHalves(widths, count, kEan8Halves, text, length);
}

}  // namespace bcx
