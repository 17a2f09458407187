#include "symbologies/exact/classify.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bcx {
namespace {

void ExpectTables(const ModuleTables& t, const std::vector<double>& bars,
                  const std::vector<double>& spaces) {
  for (int k = 0; k < kMaxModules; ++k) {
    EXPECT_DOUBLE_EQ(t.bars[k], bars[k]) << "bar entry " << k + 1;
    EXPECT_DOUBLE_EQ(t.spaces[k], spaces[k]) << "space entry " << k + 1;
  }
}

struct CalibrationCase {
  double narrowestBar;
  double narrowestSpace;
  std::vector<double> bars;
  std::vector<double> spaces;
};

class CalibrationExamples : public testing::TestWithParam<CalibrationCase> {};

TEST_P(CalibrationExamples, TablesFromNarrowestBarAndSpace) {
  const CalibrationCase& c = GetParam();
  const double run[] = {c.narrowestBar, c.narrowestSpace, c.narrowestBar};
  ExpectTables(CalibrateModules(run, 3, "111", 1), c.bars, c.spaces);
}

INSTANTIATE_TEST_SUITE_P(
    Classify, CalibrationExamples,
    testing::Values(CalibrationCase{2.0, 3.0, {2, 5, 8, 11}, {3, 6, 9, 12}},
                    CalibrationCase{2.0, 2.5, {2, 4, 6, 8}, {2.5, 5, 7.5, 10}},
                    // 0.75 apart is not more than 0.75: each kind keeps its own step.
                    CalibrationCase{2.0, 2.75, {2, 4, 6, 8}, {2.75, 5.5, 8.25, 11}},
                    // Spaces narrower than bars: the step is the bar width.
                    CalibrationCase{4.0, 2.0, {4, 8, 12, 16}, {2, 6, 10, 14}}));

TEST(Classify, OnlyTheOnesOfTheCode39PatternCalibrate) {
  // Positions 1, 4 and 6 hold "2": they are given widths far below the rest
  // and must not become the narrowest.
  const std::vector<double> run = {3.0, 0.1, 3.5, 2.5, 0.1, 2.2, 0.1, 2.4, 3.2, 9.0};
  ExpectTables(CalibrateModules(run.data(), static_cast<int32_t>(run.size()), "121121211", 1),
               {3.0, 6.0, 9.0, 12.0}, {2.2, 5.2, 8.2, 11.2});
}

TEST(Classify, PatternLaidAgainstTheEndReadsOnlyItsOnes) {
  // 59 elements: the stop pattern covers 52..58, its ones are 55, 56 and 57.
  std::vector<double> run(59, 0.5);
  run[55] = 3.0;  // space
  run[56] = 2.0;  // bar
  run[57] = 2.5;  // space
  ExpectTables(CalibrateModules(run.data(), 59, "2331112", 0), {2, 4, 6, 8}, {2.5, 5, 7.5, 10});
}

struct WidthCase {
  double width;
  int modules;
};

class ClassifyAgainstTwoFiveEightEleven : public testing::TestWithParam<WidthCase> {};

TEST_P(ClassifyAgainstTwoFiveEightEleven, NearestReferenceClamped) {
  const double table[kMaxModules] = {2.0, 5.0, 8.0, 11.0};
  EXPECT_EQ(ClassifyWidth(GetParam().width, table), GetParam().modules) << GetParam().width;
}

INSTANTIATE_TEST_SUITE_P(Classify, ClassifyAgainstTwoFiveEightEleven,
                         testing::Values(WidthCase{3.5, 2},  // half-way takes the larger
                                         WidthCase{3.4, 1}, WidthCase{0.3, 1}, WidthCase{40.0, 4},
                                         WidthCase{11.0, 4}, WidthCase{2.0, 1}, WidthCase{5.0, 2},
                                         WidthCase{6.5, 3}, WidthCase{6.4, 2}, WidthCase{9.5, 4},
                                         WidthCase{9.4, 3}, WidthCase{0.0, 1}));

TEST(Classify, ZeroWidthTablesStillGiveACount) {
  const double run[] = {0.0, 0.0, 0.0};
  const ModuleTables t = CalibrateModules(run, 3, "111", 1);
  const int count = ClassifyWidth(0.0, t.bars);
  EXPECT_GE(count, 1);
  EXPECT_LE(count, 4);
  EXPECT_EQ(ClassifyWidth(1.0, t.bars), 4);
}

TEST(Classify, ElementsUseTheTableOfTheirKind) {
  // Bar table 1, 4, 7, 10 and space table 3, 6, 9, 12.
  std::vector<double> run = {1.0, 3.0, 1.0, 0, 0, 0, 0, 0};
  const ModuleTables t = CalibrateModules(run.data(), 3, "111", 1);
  // Spaces at 3 and 5, bars at 4 and 6, all 3 pixels wide.
  run[3] = run[4] = run[5] = run[6] = 3.0;
  char out[5] = {'x', 'x', 'x', 'x', 'x'};
  ClassifyElements(t, run.data(), 3, 4, 0, out);
  EXPECT_STREQ(out, "1212");
  ClassifyElements(t, run.data(), 3, 4, 1, out);
  EXPECT_STREQ(out, "2121");
}

TEST(Classify, NoElementsWritesOnlyTheTerminator) {
  const double run[] = {1.0};
  char out[2] = {'x', 'y'};
  ClassifyElements(ModuleTables{}, run, 0, 0, 1, out);
  EXPECT_EQ(out[0], '\0');
  EXPECT_EQ(out[1], 'y');
}

}  // namespace
}  // namespace bcx
