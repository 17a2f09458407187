// UPC-E: six digits whose parities carry the check digit, expanded to the
// ten digits of the equivalent UPC-A manufacturer and item numbers.
#pragma once

#include <cstdint>

#include "symbologies/exact/decoder.h"

namespace bcx {

enum UpcENumberSystem { kUpcESystem0, kUpcESystem1 };

// The check digit carried by the parities of the six digits ("O" odd, "E"
// even), with the number system they tell; -1 when they tell none.
int UpcECheckDigitOfParities(const char* parities, UpcENumberSystem* system);

// Zero suppression undone: x holds the six digits, out receives ten.
void ExpandUpcEDigits(const char* x, char* out);

// Text for number system 0: the ten expanded digits and the check digit
// (11 bytes). Number system 1 is told apart by its length: "1", the ten
// expanded digits and the check digit (12 bytes).
DecodeSignature DecodeUpcE;

}  // namespace bcx
