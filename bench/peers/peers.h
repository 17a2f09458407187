// The independent readers, each behind plain functions so that their
// headers stay in their own translation units.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "reading.h"
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

// The processor time of one ReadBarcodes call with the default hints, in
// milliseconds, in a forked copy like the read above, after an untimed
// ReadBarcode of the same image has warmed the copy. When the call aborts,
// the time up to the abort is returned (less than the whole call would
// have taken) and `aborted` is set; negative when the copy failed.
double TimeZxing(const readrate::Grey& image, bool* aborted);

// A peer's results scored against the symbols drawn.
readrate::Score ScorePeer(const std::vector<Found>& found,
                          const std::vector<readrate::Symbol>& symbols);

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
