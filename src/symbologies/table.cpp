#include "symbologies/table.h"

#include <cstring>

#include "symbologies/code128/code128.h"
#include "symbologies/code128/code128_thorough.h"
#include "symbologies/code39/code39.h"
#include "symbologies/code39/code39_thorough.h"
#include "symbologies/ean_upc/ean13.h"
#include "symbologies/ean_upc/ean8.h"
#include "symbologies/ean_upc/ean_upc.h"
#include "symbologies/ean_upc/ean_upc_thorough.h"
#include "symbologies/ean_upc/upca.h"
#include "symbologies/ean_upc/upce.h"
#include "symbologies/itf/interleaved2of5.h"
#include "symbologies/itf/interleaved2of5_thorough.h"

namespace bcx {

constexpr int32_t kNoFnc1Form = -1;
constexpr double kOwnQuietZone = 0.0;

constexpr SymbologyDescriptor kSymbologies[kSymbologyCount] = {
    {kCode39, "code39", DecodeCode39, kCode39StartStop, 1, DecodeCode39Thorough, kNoFnc1Form, true,
     kOwnQuietZone},
    {kCode128, "code128", DecodeCode128, kCode128Stop, 0, DecodeCode128Thorough, kGs1_128, false,
     kOwnQuietZone},
    {kGs1_128, "gs1-128", nullptr, kCode128Stop, 0, nullptr, kNoFnc1Form, false, kOwnQuietZone},
    {kEan13, "ean13", DecodeEan13, kEanSideGuard, 1, DecodeEan13Thorough, kNoFnc1Form, false,
     kOwnQuietZone},
    {kEan8, "ean8", DecodeEan8, kEanSideGuard, 1, DecodeEan8Thorough, kNoFnc1Form, false,
     kOwnQuietZone},
    {kUpcA, "upca", DecodeUpcA, kEanSideGuard, 1, DecodeUpcAThorough, kNoFnc1Form, false,
     kOwnQuietZone},
    {kUpcE, "upce", DecodeUpcE, kEanSideGuard, 1, DecodeUpcEThorough, kNoFnc1Form, false,
     kOwnQuietZone},
    {kInterleaved2of5, "itf", DecodeInterleaved2of5, kTwoOfFiveStart, 1,
     DecodeInterleaved2of5Thorough, kNoFnc1Form, true, kItfQuietInRunNarrows},
};

namespace {

constexpr bool RowsInIdentifierOrder() {
  for (int i = 0; i < kSymbologyCount; ++i) {
    if (kSymbologies[i].id != i) return false;
  }
  return true;
}
static_assert(RowsInIdentifierOrder());

}  // namespace

const SymbologyDescriptor* FindSymbology(int32_t id) {
  return id >= 0 && id < kSymbologyCount ? &kSymbologies[id] : nullptr;
}

int32_t ReportedType(const SymbologyDescriptor& row, int32_t leadingFnc1) {
  return leadingFnc1 == 1 && row.fnc1Type != kNoFnc1Form ? row.fnc1Type : row.id;
}

int32_t SymbologyFromName(const char* name) {
  if (name == nullptr) return -1;
  for (const SymbologyDescriptor& row : kSymbologies) {
    if (std::strcmp(row.name, name) == 0) return row.id;
  }
  return -1;
}

}  // namespace bcx
