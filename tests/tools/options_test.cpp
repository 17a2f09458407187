#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "bcxscan_options.h"

namespace bcxscan {
namespace {

struct TypeCase {
  const char* list;
  const char* enabled;   // one '1' or '0' per identifier 0..7
  const char* reported;  // likewise
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << "'" << c.list << "'"; }

std::string Flags(const bool values[kSymbologyCount]) {
  std::string flags;
  for (int i = 0; i < kSymbologyCount; ++i) flags += values[i] ? '1' : '0';
  return flags;
}

class TypeListTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeListTest, SetsSwitchesAndReportedTypes) {
  Options options;
  SetDefaultOptions(&options);
  std::string error;
  ASSERT_TRUE(ParseTypeList(GetParam().list, &options, &error)) << error;
  EXPECT_EQ(Flags(options.enable), GetParam().enabled);
  EXPECT_EQ(Flags(options.report), GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, TypeListTest,
    ::testing::Values(TypeCase{"all", "11111111", "11111111"},
                      TypeCase{"code39", "10000000", "10000000"},
                      TypeCase{"code128", "01000000", "01000000"},
                      // GS1-128 needs the Code 128 decoder but only reports its own type.
                      TypeCase{"gs1-128", "01100000", "00100000"},
                      TypeCase{"code128,gs1-128", "01100000", "01100000"},
                      TypeCase{"ean13,ean8,upca,upce", "00011110", "00011110"},
                      TypeCase{"itf", "00000001", "00000001"},
                      TypeCase{"EAN13,Itf", "00010001", "00010001"},
                      TypeCase{"code39,all", "11111111", "11111111"}));

class BadTypeListTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BadTypeListTest, IsRefusedAndLeavesTheOptions) {
  Options options;
  SetDefaultOptions(&options);
  std::string error;
  EXPECT_FALSE(ParseTypeList(GetParam(), &options, &error));
  EXPECT_NE(error.find("--types"), std::string::npos) << error;
  EXPECT_EQ(Flags(options.enable), "11111111");
}

INSTANTIATE_TEST_SUITE_P(Lists, BadTypeListTest,
                         ::testing::Values("foo", "", "code39,", ",ean8", "code 39", "qr",
                                           "code39,,ean8"));

TEST(TypeListTest, UnknownNameIsQuoted) {
  Options options;
  SetDefaultOptions(&options);
  std::string error;
  ASSERT_FALSE(ParseTypeList("ean13,pdf417", &options, &error));
  EXPECT_NE(error.find("unknown type 'pdf417'"), std::string::npos) << error;
}

TEST(TypeListTest, UnknownNameListsTheLibrarysNames) {
  Options options;
  SetDefaultOptions(&options);
  std::string error;
  ASSERT_FALSE(ParseTypeList("qr", &options, &error));
  EXPECT_EQ(error,
            "unknown type 'qr' in --types (known: code39, code128, gs1-128, ean13, ean8, upca, "
            "upce, itf, all)");
}

struct PageCase {
  const char* text;
  bool ok;
  int32_t page;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class PageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(PageTest, Parses) {
  int32_t page = 77;
  std::string error;
  EXPECT_EQ(ParsePage(GetParam().text, &page, &error), GetParam().ok);
  if (GetParam().ok) {
    EXPECT_EQ(page, GetParam().page);
  } else {
    EXPECT_EQ(page, 77);
    EXPECT_NE(error.find("invalid page"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageTest,
    ::testing::Values(PageCase{"0", true, 0}, PageCase{"1", true, 1},
                      PageCase{"65535", true, 65535}, PageCase{"all", true, kAllPages},
                      PageCase{"ALL", true, kAllPages}, PageCase{"-1", false, 0},
                      PageCase{"65536", false, 0}, PageCase{"", false, 0},
                      PageCase{"1.5", false, 0}, PageCase{" 1", false, 0}, PageCase{"+1", false, 0},
                      PageCase{"x", false, 0}, PageCase{"99999999999999999999999", false, 0}));

struct RegionCase {
  const char* text;
  bool ok;
  uint16_t left, top, right, bottom;
};

void PrintTo(const RegionCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class RegionTest : public ::testing::TestWithParam<RegionCase> {};

TEST_P(RegionTest, Parses) {
  uint16_t region[4] = {9, 9, 9, 9};
  std::string error;
  const RegionCase& c = GetParam();
  EXPECT_EQ(ParseRegion(c.text, region, &error), c.ok) << c.text;
  if (c.ok) {
    EXPECT_EQ(region[0], c.left);
    EXPECT_EQ(region[1], c.top);
    EXPECT_EQ(region[2], c.right);
    EXPECT_EQ(region[3], c.bottom);
  } else {
    EXPECT_EQ(region[0], 9);
    EXPECT_NE(error.find("invalid region '" + std::string(c.text) + "'"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Regions, RegionTest,
                         ::testing::Values(RegionCase{"10,20,30,40", true, 10, 20, 30, 40},
                                           RegionCase{"0,0,65535,65535", true, 0, 0, 65535, 65535},
                                           RegionCase{"0,0,1,1", true, 0, 0, 1, 1},
                                           RegionCase{"1,2,3", false, 0, 0, 0, 0},
                                           RegionCase{"1,2,3,4,5", false, 0, 0, 0, 0},
                                           RegionCase{"a,b,c,d", false, 0, 0, 0, 0},
                                           RegionCase{"10,0,10,5", false, 0, 0, 0, 0},
                                           RegionCase{"20,0,10,5", false, 0, 0, 0, 0},
                                           RegionCase{"0,5,10,5", false, 0, 0, 0, 0},
                                           RegionCase{"0,0,70000,5", false, 0, 0, 0, 0},
                                           RegionCase{"-1,0,5,5", false, 0, 0, 0, 0},
                                           RegionCase{"1, 2,3,4", false, 0, 0, 0, 0},
                                           RegionCase{"", false, 0, 0, 0, 0}));

struct ThresholdCase {
  const char* text;
  bool ok;
  int32_t level;
};

void PrintTo(const ThresholdCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class ThresholdTest : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(ThresholdTest, Parses) {
  int32_t level = 77;
  std::string error;
  EXPECT_EQ(ParseThreshold(GetParam().text, &level, &error), GetParam().ok);
  EXPECT_EQ(level, GetParam().ok ? GetParam().level : 77);
  if (!GetParam().ok) {
    EXPECT_NE(error.find("invalid threshold"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, ThresholdTest,
    ::testing::Values(ThresholdCase{"1", true, 1}, ThresholdCase{"128", true, 128},
                      ThresholdCase{"255", true, 255}, ThresholdCase{"otsu", true, kThresholdOtsu},
                      ThresholdCase{"Adaptive", true, kThresholdAdaptive},
                      ThresholdCase{"0", false, 0}, ThresholdCase{"256", false, 0},
                      ThresholdCase{"300", false, 0}, ThresholdCase{"-1", false, 0},
                      ThresholdCase{"-2", false, 0}, ThresholdCase{"12x", false, 0},
                      ThresholdCase{"", false, 0}));

struct LimitsCase {
  const char* text;
  bool ok;
  double ratio, minCm, maxCm;
};

void PrintTo(const LimitsCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class LimitsTest : public ::testing::TestWithParam<LimitsCase> {};

TEST_P(LimitsTest, Parses) {
  double limits[3] = {7, 7, 7};
  std::string error;
  const LimitsCase& c = GetParam();
  EXPECT_EQ(ParseLimits(c.text, limits, &error), c.ok) << c.text;
  if (c.ok) {
    EXPECT_DOUBLE_EQ(limits[0], c.ratio);
    EXPECT_DOUBLE_EQ(limits[1], c.minCm);
    EXPECT_DOUBLE_EQ(limits[2], c.maxCm);
  } else {
    EXPECT_DOUBLE_EQ(limits[0], 7);
    EXPECT_NE(error.find("invalid limits"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LimitsTest,
    ::testing::Values(LimitsCase{"10,0.5,8", true, 10, 0.5, 8},
                      LimitsCase{"25,0.3,12", true, 25, 0.3, 12},
                      LimitsCase{"10,1,1", true, 10, 1, 1}, LimitsCase{"10,0.5", false, 0, 0, 0},
                      LimitsCase{"0,1,2", false, 0, 0, 0}, LimitsCase{"10,-1,2", false, 0, 0, 0},
                      LimitsCase{"10,0.5,0.4", false, 0, 0, 0},
                      LimitsCase{"nan,1,2", false, 0, 0, 0}, LimitsCase{"inf,1,2", false, 0, 0, 0},
                      LimitsCase{"10,1,x", false, 0, 0, 0}, LimitsCase{"10,1,2cm", false, 0, 0, 0},
                      LimitsCase{"", false, 0, 0, 0}));

TEST(FormatTest, KnowsTheThreeFormats) {
  OutputFormat format = OutputFormat::kText;
  std::string error;
  ASSERT_TRUE(ParseFormat("tsv", &format, &error));
  EXPECT_EQ(format, OutputFormat::kTsv);
  ASSERT_TRUE(ParseFormat("json", &format, &error));
  EXPECT_EQ(format, OutputFormat::kJson);
  ASSERT_TRUE(ParseFormat("text", &format, &error));
  EXPECT_EQ(format, OutputFormat::kText);
  EXPECT_FALSE(ParseFormat("xml", &format, &error));
  EXPECT_EQ(format, OutputFormat::kText);
  EXPECT_NE(error.find("unknown format 'xml'"), std::string::npos);
}

TEST(JobsTest, TakesAWholePositiveNumberUpToTheLimit) {
  std::string error;
  for (const int32_t jobs : {1, 2, 8, kMaxJobs}) {
    int32_t parsed = 0;
    EXPECT_TRUE(ParseJobs(std::to_string(jobs), &parsed, &error)) << jobs << ": " << error;
    EXPECT_EQ(parsed, jobs);
  }
}

TEST(JobsTest, RefusesAnythingElseAndKeepsTheValue) {
  for (const char* text :
       {"0", "-1", "-0", "abc", "", "2x", " 2", "+2", "1.5", "1025", "99999999999999999999"}) {
    int32_t jobs = 3;
    std::string error;
    EXPECT_FALSE(ParseJobs(text, &jobs, &error)) << text;
    EXPECT_EQ(jobs, 3) << text;
    EXPECT_EQ(error,
              std::string("invalid job count '") + text + "' (a number of threads from 1 to 1024)");
  }
}

TEST(MaxPixelsTest, TakesOneToTheProvidersLimitAndNothingElse) {
  std::string error;
  uint64_t parsed = 0;
  for (const char* text : {"1", "100000000", "268435456"}) {
    EXPECT_TRUE(ParseMaxPixels(text, &parsed, &error)) << text << ": " << error;
    EXPECT_EQ(parsed, std::stoull(text));
  }
  for (const char* text : {"0", "-1", "268435457", "1e6", "", "abc"}) {
    parsed = 7;
    EXPECT_FALSE(ParseMaxPixels(text, &parsed, &error)) << text;
    EXPECT_EQ(parsed, 7u) << text;
  }
}

bool Parse(std::vector<const char*> args, Options* options, std::string* error) {
  args.insert(args.begin(), "bcxscan");
  return ParseArguments(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(ArgumentsTest, DefaultsWithOneFile) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"a.png"}, &options, &error)) << error;
  EXPECT_EQ(options.files, std::vector<std::string>{"a.png"});
  EXPECT_EQ(Flags(options.enable), "11111111");
  EXPECT_EQ(options.page, kAllPages);
  EXPECT_EQ(options.threshold, kDefaultThreshold);
  EXPECT_EQ(options.format, OutputFormat::kText);
  EXPECT_FALSE(options.hasRegion);
  EXPECT_FALSE(options.hasLimits);
  EXPECT_TRUE(options.annotate.empty());
  EXPECT_FALSE(options.exact);
  EXPECT_EQ(options.jobs, kAutomaticJobs);
  EXPECT_FALSE(options.stats || options.quiet || options.help || options.version);
}

TEST(ArgumentsTest, JobsInEveryForm) {
  Options options;
  std::string error;
  for (const std::vector<const char*>& args : {std::vector<const char*>{"-j", "4", "a.png"},
                                               {"-j4", "a.png"},
                                               {"--jobs", "4", "a.png"},
                                               {"--jobs=4", "a.png"}}) {
    ASSERT_TRUE(Parse(args, &options, &error)) << error;
    EXPECT_EQ(options.jobs, 4);
    EXPECT_EQ(options.files, std::vector<std::string>{"a.png"});
  }
}

TEST(ArgumentsTest, EveryOptionInLongShortAndJoinedForms) {
  Options options;
  std::string error;
  ASSERT_TRUE(
      Parse({"--types", "code39", "-p", "2", "--region=1,2,30,40", "-T", "otsu", "-l10,1,5",
             "--format=json", "-a", "out.png", "--exact", "--stats", "-q", "x.tif", "-", "y.png"},
            &options, &error))
      << error;
  EXPECT_EQ(Flags(options.enable), "10000000");
  EXPECT_EQ(options.page, 2);
  ASSERT_TRUE(options.hasRegion);
  EXPECT_EQ(options.region[2], 30);
  EXPECT_EQ(options.threshold, kThresholdOtsu);
  ASSERT_TRUE(options.hasLimits);
  EXPECT_DOUBLE_EQ(options.limits[2], 5.0);
  EXPECT_EQ(options.format, OutputFormat::kJson);
  EXPECT_EQ(options.annotate, "out.png");
  EXPECT_TRUE(options.exact);
  EXPECT_TRUE(options.stats);
  EXPECT_TRUE(options.quiet);
  EXPECT_EQ(options.files, (std::vector<std::string>{"x.tif", "-", "y.png"}));
}

TEST(ArgumentsTest, DoubleDashEndsOptions) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--", "-q", "--help"}, &options, &error));
  EXPECT_FALSE(options.quiet);
  EXPECT_FALSE(options.help);
  EXPECT_EQ(options.files, (std::vector<std::string>{"-q", "--help"}));
}

TEST(ArgumentsTest, HelpAndVersionNeedNoFile) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"-h"}, &options, &error));
  EXPECT_TRUE(options.help);
  ASSERT_TRUE(Parse({"--version"}, &options, &error));
  EXPECT_TRUE(options.version);
}

struct BadArguments {
  std::vector<const char*> args;
  const char* message;
};

void PrintTo(const BadArguments& c, std::ostream* os) {
  *os << "[";
  for (const char* arg : c.args) *os << " " << arg;
  *os << " ]";
}

class BadArgumentsTest : public ::testing::TestWithParam<BadArguments> {};

TEST_P(BadArgumentsTest, GiveOneLineNamingTheProblem) {
  Options options;
  std::string error;
  EXPECT_FALSE(Parse(GetParam().args, &options, &error));
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArgumentsTest,
    ::testing::Values(BadArguments{{}, "no input file"}, BadArguments{{"-q"}, "no input file"},
                      BadArguments{{"-x", "a.png"}, "unknown option '-x'"},
                      BadArguments{{"--colour", "a.png"}, "unknown option '--colour'"},
                      BadArguments{{"--quiet=1", "a.png"}, "option '--quiet' takes no value"},
                      BadArguments{{"--exact=yes", "a.png"}, "option '--exact' takes no value"},
                      BadArguments{{"-qv", "a.png"}, "option '-q' takes no value"},
                      BadArguments{{"a.png", "-t"}, "option '-t' needs a value"},
                      BadArguments{{"-t", "foo", "a.png"}, "unknown type 'foo'"},
                      BadArguments{{"-r", "1,2,3", "a.png"}, "invalid region '1,2,3'"},
                      BadArguments{{"-T", "300", "a.png"}, "invalid threshold '300'"},
                      BadArguments{{"-p", "-1", "a.png"}, "invalid page '-1'"},
                      BadArguments{{"-l", "1,2", "a.png"}, "invalid limits '1,2'"},
                      BadArguments{{"-f", "xml", "a.png"}, "unknown format 'xml'"},
                      BadArguments{{"--annotate=", "a.png"}, "--annotate needs"},
                      BadArguments{{"-j", "0", "a.png"}, "invalid job count '0'"},
                      BadArguments{{"-j", "-1", "a.png"}, "invalid job count '-1'"},
                      BadArguments{{"--jobs=abc", "a.png"}, "invalid job count 'abc'"},
                      BadArguments{{"a.png", "--jobs"}, "option '--jobs' needs a value"}));

TEST(TypeNameTest, NamesEveryIdentifier) {
  EXPECT_STREQ(TypeName(kCode39), "code39");
  EXPECT_STREQ(TypeName(kCode128), "code128");
  EXPECT_STREQ(TypeName(kGs1_128), "gs1-128");
  EXPECT_STREQ(TypeName(kEan13), "ean13");
  EXPECT_STREQ(TypeName(kEan8), "ean8");
  EXPECT_STREQ(TypeName(kUpcA), "upca");
  EXPECT_STREQ(TypeName(kUpcE), "upce");
  EXPECT_STREQ(TypeName(kItf), "itf");
  EXPECT_STREQ(TypeName(kSymbologyCount), "unknown");
  EXPECT_STREQ(TypeName(-1), "unknown");
}

TEST(HelpTest, ExplainsEveryOption) {
  const std::string help = HelpText();
  for (const char* word :
       {"--types", "--page", "--region", "--threshold", "--limits", "--format", "--annotate",
        "--jobs", "--exact", "--stats", "--quiet", "--version", "--help", "otsu", "adaptive",
        "Exit status", "\\xC9", "gs1-128", "itf"}) {
    EXPECT_NE(help.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace bcxscan
