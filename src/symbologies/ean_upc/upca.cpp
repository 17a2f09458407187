#include "symbologies/ean_upc/upca.h"

#include "symbologies/ean_upc/ean_upc.h"

namespace bcx {

int DecodeUpcA(const double* widths, int32_t count, const DecodeOptions& /*options*/, char* text,
               int32_t* length, int32_t* /*leadingFnc1*/) {
  return DecodeCheckedHalves(widths, count, kUpcAHalves, text, length);
}

}  // namespace bcx
