#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "bcxread.h"
#include "bcxscan_run.h"
#include "bcxscan_settings.h"

namespace bcxscan {
namespace {

struct ReaderFree {
  void operator()(bcx_reader* reader) const { bcx_reader_free(reader); }
};
using ReaderPtr = std::unique_ptr<bcx_reader, ReaderFree>;

Options Defaults() {
  Options options;
  SetDefaultOptions(&options);
  return options;
}

TEST(ApplySettingsTest, AcceptsTheDefaultsInBothModes) {
  for (const bool exact : {false, true}) {
    const ReaderPtr reader(bcx_reader_new());
    ASSERT_NE(reader, nullptr);
    Options options = Defaults();
    options.exact = exact;
    std::string error;
    EXPECT_TRUE(ApplySettings(options, reader.get(), &error)) << error;
  }
}

TEST(ApplySettingsTest, AcceptsEveryLevelTheParserLetsThrough) {
  const ReaderPtr reader(bcx_reader_new());
  ASSERT_NE(reader, nullptr);
  Options options = Defaults();
  std::string error;
  for (const int32_t level : {1, 255, kThresholdOtsu, kThresholdAdaptive}) {
    options.threshold = level;
    EXPECT_TRUE(ApplySettings(options, reader.get(), &error)) << level << ": " << error;
  }
}

TEST(ApplySettingsTest, ReportsLimitsTheLibraryRefuses) {
  const ReaderPtr reader(bcx_reader_new());
  ASSERT_NE(reader, nullptr);
  Options options = Defaults();
  options.hasLimits = true;
  options.limits[0] = 10;
  options.limits[1] = 2;
  options.limits[2] = 1;  // minimum above maximum
  std::string error;
  EXPECT_FALSE(ApplySettings(options, reader.get(), &error));
  EXPECT_EQ(error, "the library refused the limits");
}

TEST(ApplySettingsTest, ReportsARefusedThreshold) {
  const ReaderPtr reader(bcx_reader_new());
  ASSERT_NE(reader, nullptr);
  Options options = Defaults();
  options.threshold = 300;  // the parser never lets this through
  std::string error;
  EXPECT_FALSE(ApplySettings(options, reader.get(), &error));
  EXPECT_EQ(error, "the image provider refused threshold 300");
}

TEST(RunScansTest, MissingFileGivesStatusTwoAndNamesIt) {
  for (const bool exact : {false, true}) {
    Options options = Defaults();
    options.exact = exact;
    options.files = {"/nonexistent/file.png"};
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(RunScans(options, out, err, false), kExitTrouble);
    std::rewind(err);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof(line), err), nullptr);
    EXPECT_EQ(std::string(line),
              "bcxscan: /nonexistent/file.png: cannot open (No such file or directory)\n");
    EXPECT_EQ(std::ftell(out), 0);
    std::fclose(out);
    std::fclose(err);
  }
}

TEST(RunScansTest, RefusedSettingsStopBeforeAnyFile) {
  Options options = Defaults();
  options.hasLimits = true;
  options.limits[0] = 10;
  options.limits[1] = 2;
  options.limits[2] = 1;
  options.files = {"/nonexistent/file.png"};
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  EXPECT_EQ(RunScans(options, out, err, false), kExitTrouble);
  std::rewind(err);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof(line), err), nullptr);
  EXPECT_EQ(std::string(line), "bcxscan: the library refused the limits\n");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace bcxscan
