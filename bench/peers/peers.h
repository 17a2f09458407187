// The independent readers, each behind plain functions so that their
// headers stay in their own translation units.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "synth.h"

namespace peers {

// A result named as the real-data manifests name symbologies.
struct Found {
  std::string symbology;
  std::string text;
};

// ZXing-C++ ReadBarcodes with its default hints, in a forked copy of this
// process: Debian's 1.4.0 keeps its assertions, and one of them (comparing
// two linear results of the same text, fixed upstream since) aborts on some
// images. It fires where results of the downscaled layers are merged, so
// after such an abort the image is read again with downscaling off, and
// should that abort too, with ReadBarcode (one result, nothing merged).
// `ms` is the successful read alone, timed inside the copy.
struct ZxingOutcome {
  std::vector<Found> found;
  double ms = 0;
  bool aborted = false;  // the default call aborted; `found` is a fallback's
};
ZxingOutcome ReadWithZxing(const readrate::Grey& image);

// ZBar's image scanner with its default configuration; one per thread.
class ZbarScanner {
 public:
  ZbarScanner();
  ~ZbarScanner();
  ZbarScanner(const ZbarScanner&) = delete;
  ZbarScanner& operator=(const ZbarScanner&) = delete;
  std::vector<Found> Read(const readrate::Grey& image);

 private:
  void* scanner_;
};

}  // namespace peers
