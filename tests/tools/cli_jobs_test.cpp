// Runs the built bcxscan with several jobs: whatever the number of threads,
// a run must print what one thread prints, byte for byte, and exit alike.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace bcxscan_cli {
namespace {

constexpr int kJobCounts[] = {2, 4};

class CliJobsTest : public CliTest {
 protected:
  static void SetUpTestSuite() {
    CliTest::SetUpTestSuite();
    Zint("ean13-90.png", "--barcode=13 --rotate=90 -d '590123412345'");
    Zint("itf-180.png", "--barcode=3 --rotate=180 -d '12345678'");
    Zint("upca-270.png", "--barcode=34 --rotate=270 -d '01234567890'");
    Zint("code39-plain.png", "--barcode=8 -d 'JOBS-39'");
    MakeTiff("rotated.tif", {"ean13-90.png", "blank.png", "code39-plain.png", "itf-180.png"});
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0700), 0);
    const std::string copy = "cp '" + Path("code128.png") + "' '" + Path("sub/code128.png") + "'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    files_ = SampleFiles();
    for (const char* name : {"code128.png",
                             "notimage.txt",
                             "ean13-90.png",
                             "pages.tif",
                             "missing.png",
                             "code39.png",
                             "-",
                             "special.png",
                             "empty.png",
                             "itf-180.png",
                             "gs1.png",
                             "truncated.png",
                             "grey.png",
                             "rotated.tif",
                             "fake.tif",
                             "sub/code128.png",
                             "blank.png",
                             "folder.png",
                             "pair.png",
                             "upca-270.png",
                             "-",
                             "code39-plain.png",
                             "code128.png"}) {
      files_ += std::string(" ") + name;
    }
  }

  // The samples, a garbage file among them, by absolute path.
  static std::string SampleFiles() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(SAMPLES_DIR)) {
      if (entry.is_regular_file()) paths.push_back(entry.path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::string list;
    for (const std::string& path : paths) list += " '" + path + "'";
    return list;
  }

  // Standard input is an image: the first "-" reads it, the second finds it
  // used up.
  static Outcome RunWithJobs(const std::string& args, int jobs, const std::string& files) {
    const std::string jobsOption = jobs > 0 ? "-j " + std::to_string(jobs) + " " : "";
    return Run(jobsOption + args + " " + files, Path("code39.png"));
  }

  static void ExpectSameForEveryJobCount(const std::string& args, const std::string& files) {
    const Outcome one = RunWithJobs(args, 1, files);
    ASSERT_FALSE(one.out.empty() && one.err.empty()) << args;
    for (const int jobs : kJobCounts) {
      const Outcome many = RunWithJobs(args, jobs, files);
      EXPECT_EQ(many.status, one.status) << args << " -j " << jobs;
      EXPECT_EQ(many.out, one.out) << args << " -j " << jobs;
      EXPECT_EQ(many.err, one.err) << args << " -j " << jobs;
    }
  }

  static inline std::string files_;
};

TEST_F(CliJobsTest, MixedListGivesTheSameOutputInEveryFormatAndPageChoice) {
  for (const char* format : {"text", "tsv", "json"}) {
    for (const char* pages : {"-p all", "-p 0", "-p 2"}) {
      ExpectSameForEveryJobCount(std::string("-f ") + format + " " + pages, files_);
    }
  }
}

TEST_F(CliJobsTest, TheListReadsSymbolsAndNamesErrors) {
  const Outcome outcome = RunWithJobs("-f tsv", 4, files_);
  EXPECT_EQ(outcome.status, kExitTrouble);
  const std::vector<std::string> lines = Lines(outcome.out);
  EXPECT_GE(lines.size(), 20u) << outcome.out;
  EXPECT_NE(outcome.out.find("rotated.tif\t2\tcode39\tJOBS-39\t"), std::string::npos);
  EXPECT_NE(outcome.out.find("-\t0\tcode39\tCODE-39\t"), std::string::npos);
  EXPECT_NE(outcome.err.find("bcxscan: missing.png: cannot open"), std::string::npos);
  EXPECT_NE(outcome.err.find("bcxscan: -: empty input"), std::string::npos);
  EXPECT_NE(outcome.err.find("bcxscan: notimage.txt: not a readable image"), std::string::npos);
}

TEST_F(CliJobsTest, ModesRegionsThresholdsAndTypesGiveTheSameOutput) {
  for (const char* args : {"--exact -f json", "-r 0,0,200,100 -f tsv", "-T otsu -t code39,itf",
                           "-T adaptive -f json -p all", "-q"}) {
    ExpectSameForEveryJobCount(args, files_);
  }
}

TEST_F(CliJobsTest, AutomaticJobsGiveTheSameOutput) {
  const Outcome one = RunWithJobs("-f json", 1, files_);
  const Outcome automatic = RunWithJobs("-f json", 0, files_);
  EXPECT_EQ(automatic.status, one.status);
  EXPECT_EQ(automatic.out, one.out);
  EXPECT_EQ(automatic.err, one.err);
}

// Only the times differ from run to run.
std::string WithoutTimes(const std::string& text) {
  const std::string files = std::regex_replace(text, std::regex(R"(\d+\.\d\d ms)"), "T ms");
  return std::regex_replace(files, std::regex(R"(\d+\.\d{3} s, \d+\.\d images/s)"), "T s, R/s");
}

TEST_F(CliJobsTest, StatsLinesAndSummaryComeInTheSameOrder) {
  const Outcome one = RunWithJobs("--stats -f tsv", 1, files_);
  ASSERT_NE(one.err.find(" images/s\n"), std::string::npos) << one.err;
  for (const int jobs : kJobCounts) {
    const Outcome many = RunWithJobs("--stats -f tsv", jobs, files_);
    EXPECT_EQ(many.status, one.status);
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(WithoutTimes(many.err), WithoutTimes(one.err)) << jobs;
  }
}

// More files than the threads may run ahead of the writer.
TEST_F(CliJobsTest, ListLongerThanTheLookAheadKeepsItsOrder) {
  std::string files;
  for (int i = 0; i < 8; ++i) files += files_;
  ExpectSameForEveryJobCount("-f json", files);
}

std::vector<std::string> FolderContents(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Clashing names (two code128.png, sub/code128.png, two standard inputs) are
// numbered in file order, and each picture shows its own file's symbols.
TEST_F(CliJobsTest, AnnotatedPicturesAreNamedAndDrawnAsWithOneJob) {
  const Outcome one = RunWithJobs("-a pictures-1 -f tsv", 1, files_);
  EXPECT_EQ(one.status, kExitTrouble) << one.err;
  const std::vector<std::string> expected = FolderContents(Path("pictures-1"));
  EXPECT_NE(std::find(expected.begin(), expected.end(), "code128-3.png"), expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(), "rotated-p3.png"), expected.end());
  EXPECT_NE(std::find(expected.begin(), expected.end(), "stdin.png"), expected.end());
  for (const int jobs : kJobCounts) {
    const std::string folder = "pictures-" + std::to_string(jobs);
    const Outcome many = RunWithJobs("-a " + folder + " -f tsv", jobs, files_);
    EXPECT_EQ(many.status, one.status);
    EXPECT_EQ(many.out, one.out);
    EXPECT_EQ(many.err, one.err);
    ASSERT_EQ(FolderContents(Path(folder)), expected) << jobs;
    for (const std::string& name : expected) {
      EXPECT_EQ(ReadAll(Path(folder + "/" + name)), ReadAll(Path("pictures-1/" + name)))
          << jobs << ": " << name;
    }
  }
}

}  // namespace
}  // namespace bcxscan_cli
