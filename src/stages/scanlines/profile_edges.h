// Edges of a grey profile: where a line across a symbol passes from a
// light element into a dark one and back. Photographs blur narrow bars and
// spaces into each other, so that no single grey level separates them; a
// profile still swings between local extremes at every element, and each
// edge is placed between them, where the profile crosses the levels halfway
// between those two extremes and halfway between the local ink and paper.
#pragma once

#include <cstdint>

namespace bcx {

// The swing a profile must make, from one extreme to the next, for the two
// to count as elements rather than noise: at least kMinSwingLevels grey
// levels, and at least kSwingOfContrast of the local contrast (the range of
// the profile within kContrastReach samples either side).
struct EdgeFinding {
  float minSwingLevels;
  float swingOfContrast;
  int32_t contrastReach;
};

// Camera noise after a band average is a few grey levels; a narrow space
// between two blurred bars may keep only a fifth of the contrast of wide
// elements, and noise on a flat patch stays below an eighth of it.
constexpr EdgeFinding kPhotoEdges{10.0f, 0.12f, 24};

// Writes the edges of profile[0 .. n) into edges (room for n) in samples,
// with sub-sample precision, and returns their count. They alternate, the
// first one light to dark (a dark element begins), so edges[2k] .. edges[2k
// + 1] is a dark element and edges[2k + 1] .. edges[2k + 2] a light one.
// `work` has room for n + kWorkSpare values. Nothing is written when n < 2.
constexpr int32_t kWorkSpare = 8;
int32_t FindProfileEdges(const float* profile, int32_t n, const EdgeFinding& finding, float* work,
                         double* edges);

// A camera's sharpening rings beside every edge: the paper of a wide space
// rises above its own level next to each bar, and the dip between the two
// rings passes for a dark element, a shallow one wider than the light
// "elements" either side of it (and the same with light and dark
// swapped). Such an element is not printed: a bar or space that wide
// keeps its contrast under blur, and blur leaves a narrow one, which may
// be as shallow, narrower than its neighbours. This joins every element
// that is wider than both neighbours, whose swing to either of them is
// below kHaloShare of the range of the seven elements around it, and whose
// extreme lies on its neighbours' side of that range's middle (a dip
// between rings is paper; a wide bar beside shallow blurred spaces is
// dark); its two edges are removed from edges[0 .. count). Returns the new
// count. Rings rise some 10 to 20 percent of the contrast above the paper;
// a quarter keeps every printed element of the edge tests' blurred
// profiles. `work` has room for count values.
constexpr float kHaloShare = 0.25f;
int32_t JoinHalos(const float* profile, int32_t n, double* edges, int32_t count, float* work);

}  // namespace bcx
