// Edges of grey profiles with known edges: element widths drawn at sub-pixel
// positions, blurred and with noise, as a line across a photographed symbol
// sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "stages/scanlines/profile_edges.h"

namespace bcx {
namespace {

constexpr float kInk = 40.0f;
constexpr float kPaper = 210.0f;

// Element widths in modules, dark first and last: an EAN guard, the digits
// 0 and 8 of set L, three narrow elements and a wide bar, so that every
// width from 1 to 3 meets every other as a neighbour.
const std::vector<int> kElements = {1, 1, 1, 3, 2, 1, 1, 1, 2, 1, 3, 1, 1, 1, 2};

struct Drawn {
  std::vector<float> profile;
  std::vector<double> edges;  // true positions, in samples
};

double Gauss(double x, double sigma) {
  return std::exp(-0.5 * x * x / (sigma * sigma)) / (sigma * std::sqrt(2.0 * M_PI));
}

// Sample i covers [i - 0.5, i + 0.5); each is the mean ink of that pixel,
// then blurred by a Gaussian of `sigma` pixels, then noise is added (the
// noise left after the band average of a camera line's samples).
Drawn Draw(double module, double offset, double sigma, double noise, uint32_t seed) {
  Drawn d;
  const double quiet = 12.0 * module;
  double x = offset + quiet;
  for (int w : kElements) {
    d.edges.push_back(x);
    x += w * module;
  }
  d.edges.push_back(x);
  const int n = static_cast<int>(x + quiet);
  std::vector<double> dark(static_cast<size_t>(n), 0.0);
  constexpr int kSub = 16;
  for (int i = 0; i < n; ++i) {
    for (int s = 0; s < kSub; ++s) {
      const double p = i - 0.5 + (s + 0.5) / kSub;
      for (size_t e = 0; e + 1 < d.edges.size(); e += 2) {
        if (p >= d.edges[e] && p < d.edges[e + 1]) dark[static_cast<size_t>(i)] += 1.0 / kSub;
      }
    }
  }
  std::mt19937 random(seed);
  std::normal_distribution<double> jitter(0.0, noise > 0 ? noise : 1.0);
  d.profile.resize(static_cast<size_t>(n));
  const int reach = static_cast<int>(std::ceil(4 * sigma));
  for (int i = 0; i < n; ++i) {
    double v = 0.0;
    double sum = 0.0;
    for (int k = -reach; k <= reach; ++k) {
      const int j = std::clamp(i + k, 0, n - 1);
      const double g = sigma > 0 ? Gauss(k, sigma) : (k == 0 ? 1.0 : 0.0);
      v += g * dark[static_cast<size_t>(j)];
      sum += g;
    }
    const double level = kPaper - (kPaper - kInk) * v / sum;
    d.profile[static_cast<size_t>(i)] =
        static_cast<float>(level + (noise > 0 ? jitter(random) : 0.0));
  }
  return d;
}

std::vector<double> Find(const std::vector<float>& profile) {
  std::vector<float> work(profile.size() + kWorkSpare);
  std::vector<double> edges(profile.size());
  const int32_t count = FindProfileEdges(profile.data(), static_cast<int32_t>(profile.size()),
                                         kPhotoEdges, work.data(), edges.data());
  edges.resize(static_cast<size_t>(count));
  return edges;
}

struct ProfileCase {
  const char* name;
  double module;  // pixels
  double sigma;   // blur, pixels
  double noise;   // grey levels, standard deviation
  double worst;   // largest error of an element's width allowed, in modules
};

void PrintTo(const ProfileCase& c, std::ostream* out) { *out << c.name; }

class ProfileEdgesTest : public testing::TestWithParam<ProfileCase> {};

// Every element is found, and its width is right to within `worst`
// modules, whatever the sub-pixel offset of the symbol.
TEST_P(ProfileEdgesTest, FindsEveryElementAtAnyOffset) {
  const ProfileCase& c = GetParam();
  for (int step = 0; step < 8; ++step) {
    const double offset = step / 8.0;
    const Drawn d = Draw(c.module, offset, c.sigma, c.noise, 1234u + step);
    const std::vector<double> found = Find(d.profile);
    ASSERT_EQ(found.size(), d.edges.size()) << "offset " << offset;
    for (size_t e = 0; e + 1 < found.size(); ++e) {
      const double want = (d.edges[e + 1] - d.edges[e]) / c.module;
      const double got = (found[e + 1] - found[e]) / c.module;
      EXPECT_NEAR(got, want, c.worst) << "element " << e << " offset " << offset;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileEdgesTest,
                         testing::Values(ProfileCase{"Sharp3px", 3.0, 0.0, 0.0, 0.2},
                                         ProfileCase{"Sharp1_5px", 1.5, 0.0, 0.0, 0.4},
                                         ProfileCase{"Blur2px", 2.0, 0.8, 0.0, 0.35},
                                         ProfileCase{"Blur2_5px", 2.5, 1.0, 0.0, 0.35},
                                         ProfileCase{"BlurNoise3px", 3.0, 1.0, 2.0, 0.35},
                                         ProfileCase{"Noise2px", 2.0, 0.5, 2.5, 0.45}),
                         [](const testing::TestParamInfo<ProfileCase>& info) {
                           return std::string(info.param.name);
                         });

// Light brighter beyond a symbol's quiet zones (a highlight on a bottle, a
// lit card behind a dim label), falling to the paper's level over `ramp`
// samples, `gap` samples of flat paper before the first bar and after the
// last: the end bars keep their own widths instead of taking in the paper.
struct GroundCase {
  const char* name;
  double module;
  double sigma;
  double lift;  // grey levels above the paper
  double ramp;  // samples the lift takes to fade
  int gap;      // flat paper samples between the ramp and the bars
};

void PrintTo(const GroundCase& c, std::ostream* out) { *out << c.name; }

class BrighterGroundTest : public testing::TestWithParam<GroundCase> {};

TEST_P(BrighterGroundTest, EndBarsKeepTheirWidths) {
  const GroundCase& c = GetParam();
  for (int step = 0; step < 8; ++step) {
    Drawn d = Draw(c.module, step / 8.0, c.sigma, 1.0, 99u + step);
    // Contrast of a dim label: the paper's level taken halfway to the ink.
    const double first = d.edges.front() - c.gap;
    const double last = d.edges.back() + c.gap;
    for (size_t i = 0; i < d.profile.size(); ++i) {
      const double x = static_cast<double>(i);
      const double beyond = std::max(first - x, x - last);
      const double lit = std::clamp(beyond / c.ramp, 0.0, 1.0);
      d.profile[i] = static_cast<float>(0.5 * (d.profile[i] + kPaper) + c.lift * lit);
    }
    const std::vector<double> found = Find(d.profile);
    ASSERT_EQ(found.size(), d.edges.size()) << "offset " << step / 8.0;
    const size_t n = found.size();
    for (const size_t e : {size_t{0}, n - 2}) {
      const double want = (d.edges[e + 1] - d.edges[e]) / c.module;
      EXPECT_NEAR((found[e + 1] - found[e]) / c.module, want, 0.35)
          << "element " << e << " offset " << step / 8.0;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Grounds, BrighterGroundTest,
                         testing::Values(GroundCase{"Highlight2px", 2.0, 0.8, 40.0, 10.0, 12},
                                         GroundCase{"Highlight3px", 3.0, 1.0, 35.0, 20.0, 12},
                                         GroundCase{"SteepLift2_5px", 2.5, 0.6, 45.0, 6.0, 16}),
                         [](const testing::TestParamInfo<GroundCase>& info) {
                           return std::string(info.param.name);
                         });

// JoinHalos with a work buffer of exactly `count` values, on the heap so
// that an overrun shows.
int32_t JoinWithWork(const float* profile, int32_t n, double* edges, int32_t count) {
  std::unique_ptr<float[]> work(new float[count > 0 ? count : 1]);
  return JoinHalos(profile, n, edges, count, work.get());
}

// Joining halos leaves every printed element, blurred or not.
TEST_P(ProfileEdgesTest, JoiningHalosKeepsEveryElement) {
  const ProfileCase& c = GetParam();
  for (int step = 0; step < 8; ++step) {
    const Drawn d = Draw(c.module, step / 8.0, c.sigma, c.noise, 1234u + step);
    std::vector<double> found = Find(d.profile);
    const int32_t joined = JoinWithWork(d.profile.data(), static_cast<int32_t>(d.profile.size()),
                                        found.data(), static_cast<int32_t>(found.size()));
    EXPECT_EQ(joined, static_cast<int32_t>(d.edges.size())) << "offset " << step / 8.0;
  }
}

// Runs of one level: {level, samples}.
std::vector<float> Levels(const std::vector<std::pair<float, int>>& runs) {
  std::vector<float> p;
  for (const auto& [level, samples] : runs) p.insert(p.end(), static_cast<size_t>(samples), level);
  return p;
}

TEST(JoinHalos, RingsOfSharpeningAroundAWideSpaceAreNoBar) {
  // Paper at 170 in a wide space, rings at 205 beside each bar: the dip
  // between the rings passes for a bar, six samples wide.
  const std::vector<float> p = Levels(
      {{170, 20}, {20, 3}, {205, 2}, {170, 6}, {205, 2}, {20, 3}, {170, 4}, {20, 3}, {170, 20}});
  std::vector<double> edges = Find(p);
  ASSERT_EQ(edges.size(), 8u);  // three bars and the dip
  const int32_t count = JoinWithWork(p.data(), static_cast<int32_t>(p.size()), edges.data(), 8);
  ASSERT_EQ(count, 6);
  EXPECT_NEAR(edges[0], 19.5, 0.5);
  EXPECT_NEAR(edges[1], 23.0, 0.5);  // the first bar ends where the rings began
  EXPECT_NEAR(edges[2], 33.0, 0.5);  // and the second begins after them
}

TEST(JoinHalos, ALightLiftInsideAWideBarIsNoSpace) {
  // The same upside down: undershoot at 5 beside each edge of a wide bar
  // at 45, between narrow spaces.
  const std::vector<float> p =
      Levels({{200, 20}, {20, 3}, {200, 3}, {5, 2}, {45, 6}, {5, 2}, {200, 3}, {20, 3}, {200, 20}});
  std::vector<double> edges = Find(p);
  ASSERT_EQ(edges.size(), 8u);
  EXPECT_EQ(JoinWithWork(p.data(), static_cast<int32_t>(p.size()), edges.data(), 8), 6);
}

TEST(JoinHalos, AShallowNarrowBarStays) {
  // A narrow bar that blur left a quarter of the contrast, between two
  // wide spaces: as shallow as a dip between rings, but narrower than its
  // neighbours, so printed.
  const std::vector<float> p =
      Levels({{200, 20}, {20, 3}, {200, 8}, {150, 2}, {200, 8}, {20, 3}, {200, 20}});
  std::vector<double> edges = Find(p);
  ASSERT_EQ(edges.size(), 6u);
  EXPECT_EQ(JoinWithWork(p.data(), static_cast<int32_t>(p.size()), edges.data(), 6), 6);
}

TEST(JoinHalos, TooFewEdgesOrNoProfileChangeNothing) {
  const std::vector<float> p = Levels({{200, 10}, {20, 3}, {200, 10}});
  double edges[4] = {10.0, 13.0, 15.0, 18.0};
  EXPECT_EQ(JoinWithWork(p.data(), static_cast<int32_t>(p.size()), edges, 3), 3);
  EXPECT_EQ(JoinWithWork(nullptr, 23, edges, 4), 4);
  EXPECT_EQ(JoinWithWork(p.data(), 1, edges, 4), 4);
  EXPECT_EQ(JoinWithWork(p.data(), static_cast<int32_t>(p.size()), nullptr, 4), 4);
  EXPECT_EQ(JoinWithWork(p.data(), static_cast<int32_t>(p.size()), edges, -2), 0);
  EXPECT_EQ(JoinHalos(p.data(), static_cast<int32_t>(p.size()), edges, 4, nullptr), 4);
  EXPECT_EQ(edges[1], 13.0);
}

TEST(ProfileEdges, FirstEdgeGoesIntoInkEvenWhenTheProfileStartsDark) {
  // Dark, light, then a bar: the edge out of the dark start is not taken.
  std::vector<float> p(40, kPaper);
  for (int i = 0; i < 5; ++i) p[static_cast<size_t>(i)] = kInk;
  for (int i = 20; i < 24; ++i) p[static_cast<size_t>(i)] = kInk;
  const std::vector<double> edges = Find(p);
  ASSERT_EQ(edges.size(), 2u);
  EXPECT_NEAR(edges[0], 19.5, 0.01);
  EXPECT_NEAR(edges[1], 23.5, 0.01);
}

TEST(ProfileEdges, AProfileEndingInInkKeepsTheEdgeIntoIt) {
  std::vector<float> p(30, kPaper);
  for (int i = 10; i < 13; ++i) p[static_cast<size_t>(i)] = kInk;
  for (int i = 20; i < 30; ++i) p[static_cast<size_t>(i)] = kInk;
  const std::vector<double> edges = Find(p);
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_NEAR(edges[2], 19.5, 0.01);
}

TEST(ProfileEdges, SwingsBelowTheThresholdAreNoise) {
  // Paper with ripples of 8 levels (under kPhotoEdges' 10) has no edges; a
  // real bar among them is found once.
  std::vector<float> p(60);
  for (size_t i = 0; i < p.size(); ++i) p[i] = kPaper + ((i / 2) % 2 ? 8.0f : 0.0f);
  EXPECT_TRUE(Find(p).empty());
  for (int i = 30; i < 34; ++i) p[static_cast<size_t>(i)] = kInk;
  EXPECT_EQ(Find(p).size(), 2u);
}

TEST(ProfileEdges, FlatShortAndEmptyProfilesHaveNoEdges) {
  const std::vector<float> flat(100, 128.0f);
  EXPECT_TRUE(Find(flat).empty());
  const std::vector<float> one{kInk};
  EXPECT_TRUE(Find(one).empty());
  float work[kWorkSpare];
  double edges[1];
  EXPECT_EQ(FindProfileEdges(nullptr, 0, kPhotoEdges, work, edges), 0);
}

// Edges stay inside the profile and in order, on any input.
TEST(ProfileEdges, RandomProfilesGiveAlternatingOrderedEdges) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> level(0.0f, 255.0f);
  for (int round = 0; round < 200; ++round) {
    std::vector<float> p(1 + random() % 300);
    for (float& v : p) v = level(random);
    const std::vector<double> edges = Find(p);
    for (size_t e = 0; e < edges.size(); ++e) {
      ASSERT_GE(edges[e], 0.0);
      ASSERT_LE(edges[e], static_cast<double>(p.size() - 1));
      if (e > 0) {
        ASSERT_GT(edges[e], edges[e - 1]);
      }
    }
  }
}

}  // namespace
}  // namespace bcx
