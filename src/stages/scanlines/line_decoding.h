// One line read: its profile sampled, its edges found, and the element
// runs between them searched both ways and in both polarities by the
// tolerant decoders; each reading that holds is kept in the work space.
#pragma once

#include "stages/scanlines/line_work.h"

namespace bcx {
struct Settings;
}  // namespace bcx

namespace bcx::lines {

void ReadLine(const Settings& settings, const GreyImage& g, Work& w, const Line& line);

}  // namespace bcx::lines
