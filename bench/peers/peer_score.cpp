// Scoring of the peers' results against the symbols drawn, in the
// real-data manifests' terms.
#include <string>
#include <vector>

#include "expected_text.h"
#include "peers.h"
#include "readrate.h"

namespace peers {
namespace {

using readrate::Symbol;

bool PeerMatches(const Found& f, const Symbol& s) {
  if (f.symbology == s.symbology && f.text == s.text) return true;
  // A UPC-A is an EAN-13 opening with 0, and either may be reported as the other.
  if (s.symbology == "UPC-A" && f.symbology == "EAN-13") return f.text == std::string("0") + s.text;
  if (s.symbology == "EAN-13" && f.symbology == "UPC-A") return std::string("0") + f.text == s.text;
  // A UPC-E may be reported expanded, as UPC-A or as EAN-13.
  if (s.symbology == "UPC-E" && s.text.size() == 8) {
    const std::string upcA =
        s.text.substr(0, 1) + bcxtest::ExpandUpcE(s.text.substr(1, 6)) + s.text[7];
    if (f.symbology == "UPC-A" && f.text == upcA) return true;
    if (f.symbology == "EAN-13" && f.text == std::string("0") + upcA) return true;
  }
  // Full-ASCII Code 39 may come back as its raw characters.
  if (s.symbology == "Code39" && f.symbology == "Code39")
    return f.text == readrate::Code39Raw(s.text);
  return false;
}

}  // namespace

readrate::Score ScorePeer(const std::vector<Found>& found, const std::vector<Symbol>& symbols) {
  std::vector<bool> seen(symbols.size(), false);
  readrate::Score score;
  for (const Found& f : found) {
    bool known = false;
    for (size_t i = 0; i < symbols.size(); ++i) {
      if (PeerMatches(f, symbols[i])) {
        known = true;
        seen[i] = true;
      }
    }
    if (!known) ++score.misread;
  }
  for (bool b : seen) score.read += b ? 1 : 0;
  return score;
}

}  // namespace peers
