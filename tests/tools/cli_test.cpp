// Runs the built bcxscan: behaviour that holds whether or not anything is
// decoded.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/stat.h>

#include <cstdio>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace bcxscan_cli {
namespace {

TEST_F(CliTest, HelpExplainsEveryOption) {
  const Outcome outcome = Run("--help");
  EXPECT_EQ(outcome.status, kExitFound);
  EXPECT_EQ(outcome.err, "");
  for (const char* word :
       {"Usage: bcxscan", "-t, --types", "-p, --page", "-r, --region", "-T, --threshold",
        "-l, --limits", "--exact", "-f, --format", "-a, --annotate", "-j, --jobs", "--stats",
        "-q, --quiet", "--version", "-h, --help", "Exit status"}) {
    EXPECT_NE(outcome.out.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(Run("-h").out, outcome.out);
}

TEST_F(CliTest, VersionIsOneLine) {
  const Outcome outcome = Run("--version");
  EXPECT_EQ(outcome.status, kExitFound);
  EXPECT_EQ(outcome.out, "bcxscan " BCXSCAN_VERSION "\n");
}

struct BadCase {
  const char* args;
  const char* message;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << "'" << c.args << "'"; }

class CliBadArgumentsTest : public CliTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(CliBadArgumentsTest, ExitTwoWithOneLineNamingTheProblem) {
  const Outcome outcome = Run(GetParam().args);
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "");
  ASSERT_EQ(Lines(outcome.err).size(), 1u) << outcome.err;
  EXPECT_EQ(outcome.err.rfind("bcxscan: ", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadArgumentsTest,
    ::testing::Values(BadCase{"-t foo blank.png", "unknown type 'foo'"},
                      BadCase{"--types=code39,qr blank.png", "unknown type 'qr'"},
                      BadCase{"-r 1,2,3 blank.png", "invalid region '1,2,3'"},
                      BadCase{"-r 10,0,5,5 blank.png", "invalid region '10,0,5,5'"},
                      BadCase{"-T 300 blank.png", "invalid threshold '300'"},
                      BadCase{"-p -1 blank.png", "invalid page '-1'"},
                      BadCase{"-l 10,2,1 blank.png", "invalid limits '10,2,1'"},
                      BadCase{"-f xml blank.png", "unknown format 'xml'"},
                      BadCase{"--frobnicate blank.png", "unknown option '--frobnicate'"},
                      BadCase{"--exact=1 blank.png", "option '--exact' takes no value"},
                      BadCase{"-j 0 blank.png", "invalid job count '0'"},
                      BadCase{"-j -1 blank.png", "invalid job count '-1'"},
                      BadCase{"-j abc blank.png", "invalid job count 'abc'"},
                      BadCase{"--jobs=2x blank.png", "invalid job count '2x'"},
                      BadCase{"-j 1025 blank.png", "invalid job count '1025'"},
                      BadCase{"--max-pixels 0 blank.png", "invalid pixel budget '0'"},
                      BadCase{"--max-pixels 268435457 blank.png",
                              "invalid pixel budget '268435457'"},
                      BadCase{"--max-pixels=x blank.png", "invalid pixel budget 'x'"},
                      BadCase{"blank.png -j", "needs a value"}, BadCase{"", "no input file"},
                      BadCase{"blank.png -t", "needs a value"}));

// An image over the pixel budget is an error naming the file and both
// sizes, not an image without symbols; the other files are still read.
TEST_F(CliTest, ImageOverThePixelBudgetIsAnError) {
  const Outcome small = Run("--max-pixels 100 blank.png");
  EXPECT_EQ(small.status, kExitTrouble);
  EXPECT_EQ(small.out, "");
  EXPECT_NE(small.err.find("bcxscan: blank.png: image of "), std::string::npos) << small.err;
  EXPECT_NE(small.err.find("over the reader's budget of 100 pixels"), std::string::npos)
      << small.err;
  const Outcome roomy = Run("--max-pixels 268435456 blank.png");
  EXPECT_EQ(roomy.status, kExitNothing) << roomy.err;
}

TEST_F(CliTest, NothingFoundGivesExitOne) {
  const Outcome outcome = Run("blank.png");
  EXPECT_EQ(outcome.status, kExitNothing);
  EXPECT_EQ(outcome.out, "blank.png  no symbol found\n");
  EXPECT_EQ(outcome.err, "");
}

TEST_F(CliTest, TsvAndJsonPrintNothingWhenNothingIsFound) {
  for (const char* format : {"tsv", "json"}) {
    const Outcome outcome = Run(std::string("-f ") + format + " blank.png");
    EXPECT_EQ(outcome.status, kExitNothing) << format;
    EXPECT_EQ(outcome.out, "") << format;
  }
}

TEST_F(CliTest, MissingFileAmongGoodOnesIsNamedAndTheOthersAreScanned) {
  const Outcome outcome = Run("blank.png missing.png blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "blank.png  no symbol found\nblank.png  no symbol found\n");
  EXPECT_EQ(outcome.err, "bcxscan: missing.png: cannot open (No such file or directory)\n");
}

TEST_F(CliTest, FileThatIsNoImageIsNamed) {
  const Outcome outcome = Run("notimage.txt");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "bcxscan: notimage.txt: not a readable image\n");
}

TEST_F(CliTest, StandardInputIsRead) {
  const Outcome outcome = Run("-", Path("blank.png"));
  EXPECT_EQ(outcome.status, kExitNothing) << outcome.err;
  EXPECT_EQ(outcome.out, "-  no symbol found\n");
}

TEST_F(CliTest, EmptyOrBadStandardInputIsNamed) {
  Outcome outcome = Run("-");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: -: empty input\n");
  outcome = Run("-", Path("notimage.txt"));
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: -: not a readable image\n");
}

TEST_F(CliTest, PageBeyondASinglePageImageIsAnError) {
  const Outcome outcome = Run("--page 1 blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: blank.png: has no page 1 (pages 0 to 0)\n");
  EXPECT_EQ(Run("--page 0 blank.png").status, kExitNothing);
}

TEST_F(CliTest, RegionOutsideTheImageIsAnError) {
  const Outcome outcome = Run("-r 0,0,240,10 blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: blank.png: region 0,0,240,10 does not fit the 240x140 image\n");
  EXPECT_EQ(Run("-r 0,0,239,139 blank.png").status, kExitNothing);
}

TEST_F(CliTest, LimitsAndLevelsAreHandedToTheLibrary) {
  EXPECT_EQ(Run("-l 10,0.5,8 blank.png").status, kExitNothing);
  EXPECT_EQ(Run("-T 1 blank.png").status, kExitNothing);
  EXPECT_EQ(Run("--threshold=255 blank.png").status, kExitNothing);
}

// Wall seconds and images per second vary from run to run; the counts do not.
const std::regex kSummary(R"(bcxscan: (\d+) files?, (\d+) pages?, (\d+) symbols?, (\d+) errors?, )"
                          R"((\d+\.\d{3}) s, (\d+\.\d) images/s)");

TEST_F(CliTest, StatsLineFollowsEachFileAndASummaryTheRun) {
  const Outcome outcome = Run("--stats blank.png blank.png");
  EXPECT_EQ(outcome.status, kExitNothing);
  const std::vector<std::string> lines = Lines(outcome.err);
  ASSERT_EQ(lines.size(), 3u) << outcome.err;
  const std::regex stats(
      R"(blank\.png: 1 page, 240x140, load \d+\.\d\d ms, scan \d+\.\d\d ms, total \d+\.\d\d ms)");
  EXPECT_TRUE(std::regex_match(lines[0], stats)) << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], stats)) << lines[1];
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[2], match, kSummary)) << lines[2];
  EXPECT_EQ(lines[2].rfind("bcxscan: 2 files, 2 pages, 0 symbols, 0 errors, ", 0), 0u) << lines[2];
}

TEST_F(CliTest, SummaryCountsFilesPagesAndFilesWithErrors) {
  const Outcome outcome = Run("--stats -q -j 2 blank.png missing.png pages.tif notimage.txt -");
  EXPECT_EQ(outcome.status, kExitTrouble);
  const std::vector<std::string> lines = Lines(outcome.err);
  ASSERT_FALSE(lines.empty());
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines.back(), match, kSummary)) << outcome.err;
  EXPECT_EQ(match[1], "5");  // every FILE, read or not
  EXPECT_EQ(match[2], "4");  // pages read: blank.png's and the three of pages.tif
  EXPECT_EQ(match[4], "3");  // missing.png, notimage.txt and the empty standard input
  // Both are rounded: seconds to 0.0005, the rate to 0.05.
  const double seconds = std::stod(match[5]);
  const double rate = std::stod(match[6]);
  ASSERT_GE(seconds, 0.001);
  EXPECT_GE(rate, 4 / (seconds + 0.0005) - 0.05);
  EXPECT_LE(rate, 4 / (seconds - 0.0005) + 0.05);
}

TEST_F(CliTest, SummaryIsSingularForOne) {
  const Outcome outcome = Run("--stats -q missing.png");
  const std::vector<std::string> lines = Lines(outcome.err);
  ASSERT_EQ(lines.size(), 2u) << outcome.err;
  EXPECT_EQ(lines[1].rfind("bcxscan: 1 file, 0 pages, 0 symbols, 1 error, ", 0), 0u) << lines[1];
}

TEST_F(CliTest, NoSummaryWithoutStats) { EXPECT_EQ(Run("-j 2 blank.png blank.png").err, ""); }

TEST_F(CliTest, QuietPrintsNothingButErrors) {
  Outcome outcome = Run("-q blank.png");
  EXPECT_EQ(outcome.status, kExitNothing);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "");
  outcome = Run("-q missing.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_NE(outcome.err.find("missing.png"), std::string::npos);
}

// The library's process-wide calls refuse paths of 150 characters or more;
// the reader does not.
TEST_F(CliTest, LongPathsAreRead) {
  const std::string folder(160, 'd');
  ASSERT_EQ(mkdir(Path(folder).c_str(), 0700), 0);
  const std::string copy = "cp '" + Path("blank.png") + "' '" + Path(folder) + "/blank.png'";
  ASSERT_EQ(std::system(copy.c_str()), 0);
  const Outcome outcome = Run(folder + "/blank.png");
  EXPECT_EQ(outcome.status, kExitNothing) << outcome.err;
  EXPECT_EQ(outcome.out, folder + "/blank.png  no symbol found\n");
}

TEST_F(CliTest, RegionNoImageCanHoldIsAnErrorForEachFile) {
  const Outcome outcome = Run("-r 0,0,65535,65535 blank.png blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "");
  const std::string line =
      "bcxscan: blank.png: region 0,0,65535,65535 does not fit the 240x140 image\n";
  EXPECT_EQ(outcome.err, line + line);
}

// What the reader cannot read gets the same message in either mode.
class CliModeTest : public CliTest, public ::testing::WithParamInterface<const char*> {
 protected:
  static Outcome RunIn(const std::string& args, const std::string& input = "/dev/null") {
    return Run(std::string(GetParam()) + " " + args, input);
  }
};

TEST_P(CliModeTest, UnreadableFilesAreNamedAndTheOthersScanned) {
  const Outcome outcome =
      RunIn("notimage.txt empty.png truncated.png fake.tif folder.png missing.png blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "blank.png  no symbol found\n");
  EXPECT_EQ(outcome.err,
            "bcxscan: notimage.txt: not a readable image\n"
            "bcxscan: empty.png: not a readable image\n"
            "bcxscan: truncated.png: not a readable image\n"
            "bcxscan: fake.tif: not a readable image\n"
            "bcxscan: folder.png: cannot read the file\n"
            "bcxscan: missing.png: cannot open (No such file or directory)\n");
}

TEST_P(CliModeTest, AskingForAPageOfGarbageSaysItIsNoImage) {
  const Outcome outcome = RunIn("--stats -p 1 notimage.txt fake.tif blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "");
  const std::string messages =
      "bcxscan: notimage.txt: not a readable image\n"
      "bcxscan: fake.tif: not a readable image\n"
      "bcxscan: blank.png: has no page 1 (pages 0 to 0)\n";
  ASSERT_EQ(outcome.err.substr(0, messages.size()), messages);
  const std::string summary = outcome.err.substr(messages.size());
  EXPECT_EQ(summary.rfind("bcxscan: 3 files, 0 pages, 0 symbols, 3 errors, ", 0), 0u) << summary;
}

TEST_P(CliModeTest, RegionAroundGarbageSaysItIsNoImage) {
  const Outcome outcome = RunIn("-r 0,0,10,10 notimage.txt");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: notimage.txt: not a readable image\n");
}

TEST_P(CliModeTest, GarbageOnStandardInputIsNamed) {
  Outcome outcome = RunIn("-", Path("truncated.png"));
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.err, "bcxscan: -: not a readable image\n");
  outcome = RunIn("-", Path("fake.tif"));
  EXPECT_EQ(outcome.err, "bcxscan: -: not a readable image\n");
  outcome = RunIn("-");
  EXPECT_EQ(outcome.err, "bcxscan: -: empty input\n");
}

TEST_P(CliModeTest, StatsGivePagesAndSize) {
  const Outcome outcome = RunIn("--stats -q blank.png - pages.tif", Path("blank.png"));
  EXPECT_EQ(outcome.out, "");
  const std::vector<std::string> stats = Lines(outcome.err);
  ASSERT_EQ(stats.size(), 4u) << outcome.err;
  EXPECT_EQ(stats[0].rfind("blank.png: 1 page, 240x140, load ", 0), 0u) << stats[0];
  EXPECT_EQ(stats[1].rfind("-: 1 page, 240x140, load ", 0), 0u) << stats[1];
  EXPECT_EQ(stats[2].rfind("pages.tif: 3 pages, 264x140, load ", 0), 0u) << stats[2];
  EXPECT_EQ(stats[3].rfind("bcxscan: 3 files, 5 pages, ", 0), 0u) << stats[3];
}

INSTANTIATE_TEST_SUITE_P(Modes, CliModeTest, ::testing::Values("", "--exact"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).empty() ? "Thorough" : "Exact";
                         });

TEST_F(CliTest, AnnotatedPictureOfABlankImageIsAnUnchangedPng) {
  const Outcome outcome = Run("-a blank-out.png blank.png");
  EXPECT_EQ(outcome.status, kExitNothing) << outcome.err;
  l_int32 format = 0;
  ASSERT_EQ(findFileFormat(Path("blank-out.png").c_str(), &format), 0);
  EXPECT_EQ(format, IFF_PNG);
  PIX* in = ReadGrey("blank.png");
  PIX* out = ReadGrey("blank-out.png");
  ASSERT_NE(out, nullptr);
  l_int32 same = 0;
  pixEqual(in, out, &same);
  EXPECT_EQ(same, 1);
  pixDestroy(&in);
  pixDestroy(&out);
}

TEST_F(CliTest, AnnotateWithSeveralInputsFillsAFolder) {
  const Outcome outcome = Run("-a pictures blank.png code39.png -");
  EXPECT_EQ(outcome.status, kExitTrouble);  // standard input was empty
  EXPECT_EQ(outcome.err, "bcxscan: -: empty input\n");
  struct stat info = {};
  EXPECT_EQ(stat(Path("pictures/blank.png").c_str(), &info), 0);
  EXPECT_EQ(stat(Path("pictures/code39.png").c_str(), &info), 0);
  EXPECT_NE(stat(Path("pictures/stdin.png").c_str(), &info), 0);
}

TEST_F(CliTest, AnnotateIntoAnExistingFolderWithOneInput) {
  ASSERT_EQ(mkdir(Path("single").c_str(), 0700), 0);
  EXPECT_EQ(Run("-a single blank.png").status, kExitNothing);
  EXPECT_EQ(Run("-a made/ blank.png").status, kExitNothing);
  struct stat info = {};
  EXPECT_EQ(stat(Path("single/blank.png").c_str(), &info), 0);
  EXPECT_EQ(stat(Path("made/blank.png").c_str(), &info), 0);
}

TEST_F(CliTest, AnnotateIntoAFileThatIsNoFolderIsRefused) {
  const Outcome outcome = Run("-a notimage.txt blank.png blank.png");
  EXPECT_EQ(outcome.status, kExitTrouble);
  EXPECT_EQ(outcome.out, "");
  EXPECT_NE(outcome.err.find("'notimage.txt' is not a folder"), std::string::npos);
}

TEST_F(CliTest, ProgressShowsOnATerminalWithManyFiles) {
  const std::string command = "cd '" + dir_ +
                              "' && script -qec \"'" BCXSCAN_PROGRAM
                              "' -f tsv blank.png blank.png blank.png blank.png blank.png\" "
                              "/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buffer[512];
  for (size_t got; (got = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, got);
  pclose(pipe);
  EXPECT_NE(text.find("[1/5] blank.png"), std::string::npos) << text;
  EXPECT_NE(text.find("[5/5] blank.png"), std::string::npos) << text;
  // Not through a pipe, and not with few files.
  EXPECT_EQ(Run("blank.png blank.png blank.png blank.png blank.png").err, "");
}

// Only the thread that writes results draws the progress line, so it counts
// up in file order and is cleared before each result.
TEST_F(CliTest, ProgressOnManyThreadsCountsUpInOrder) {
  const std::string command =
      "cd '" + dir_ +
      "' && script -qec \"'" BCXSCAN_PROGRAM
      "' -j 3 blank.png missing.png blank.png notimage.txt blank.png blank.png\" /dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  char buffer[512];
  for (size_t got; (got = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) text.append(buffer, got);
  pclose(pipe);
  size_t at = 0;
  for (int i = 1; i <= 6; ++i) {
    const std::string step = "[" + std::to_string(i) + "/6] ";
    const size_t found = text.find(step, at);
    ASSERT_NE(found, std::string::npos) << step << " in order in " << text;
    at = found;
  }
  // What is left once the progress lines are taken out is the plain output.
  const std::string plain = std::regex_replace(
      text, std::regex("\r\x1b\\[Kbcxscan: \\[\\d/6\\] [^\r]*\r\x1b\\[K|\r"), "");
  EXPECT_EQ(plain,
            "blank.png  no symbol found\n"
            "bcxscan: missing.png: cannot open (No such file or directory)\n"
            "blank.png  no symbol found\n"
            "bcxscan: notimage.txt: not a readable image\n"
            "blank.png  no symbol found\n"
            "blank.png  no symbol found\n")
      << text;
}

}  // namespace
}  // namespace bcxscan_cli
