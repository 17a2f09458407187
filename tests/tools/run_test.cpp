#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "bcxdec.h"
#include "bcxscan_run.h"

namespace bcxscan {
namespace {

struct SniffCase {
  std::string head;
  uint16_t type;
};

void PrintTo(const SniffCase& c, std::ostream* os) {
  *os << "type " << c.type << " from " << c.head.size() << " bytes";
}

class SniffTest : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffTest, KnowsTheFormatFromItsFirstBytes) {
  const std::string& head = GetParam().head;
  EXPECT_EQ(SniffImageType(reinterpret_cast<const uint8_t*>(head.data()), head.size()),
            GetParam().type);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Magic, SniffTest,
    ::testing::Values(SniffCase{"II*\0rest"s, BCX_IMG_TIFF}, SniffCase{"MM\0*rest"s, BCX_IMG_TIFF},
                      SniffCase{"GIF89a..", BCX_IMG_GIF}, SniffCase{"GIF87a..", BCX_IMG_GIF},
                      SniffCase{"\x89PNG\r\n\x1A\n", BCX_IMG_PNG},
                      SniffCase{"\xFF\xD8\xFF\xE0", BCX_IMG_JPEG}, SniffCase{"BM....", BCX_IMG_BMP},
                      SniffCase{"RIFF\x10\0\0\0WEBPVP8 "s, BCX_IMG_WEBP},
                      SniffCase{"RIFF\x10\0\0\0WAVE"s, BCX_IMG_DETECT},
                      SniffCase{"P5\n2 2\n255\n", BCX_IMG_PNM}, SniffCase{"P4", BCX_IMG_PNM},
                      SniffCase{"P8", BCX_IMG_DETECT}, SniffCase{"II", BCX_IMG_DETECT},
                      SniffCase{"GIF8", BCX_IMG_DETECT}, SniffCase{"", BCX_IMG_DETECT},
                      SniffCase{"hello world", BCX_IMG_DETECT}));

TEST(SniffTest, NullHeadIsUnknown) { EXPECT_EQ(SniffImageType(nullptr, 10), BCX_IMG_DETECT); }

TEST(ApplySettingsTest, AcceptsTheDefaults) {
  Options options;
  SetDefaultOptions(&options);
  BcxInit();
  std::string error;
  EXPECT_TRUE(ApplySettings(options, &error)) << error;
  BcxCleanUp();
}

TEST(ApplySettingsTest, ReportsLimitsTheLibraryRefuses) {
  Options options;
  SetDefaultOptions(&options);
  options.hasLimits = true;
  options.limits[0] = 10;
  options.limits[1] = 2;
  options.limits[2] = 1;  // minimum above maximum
  BcxInit();
  std::string error;
  EXPECT_FALSE(ApplySettings(options, &error));
  EXPECT_NE(error.find("limits"), std::string::npos);
  BcxCleanUp();
}

TEST(ApplySettingsTest, ReportsARefusedThreshold) {
  Options options;
  SetDefaultOptions(&options);
  options.threshold = 300;  // the parser never lets this through
  BcxInit();
  std::string error;
  EXPECT_FALSE(ApplySettings(options, &error));
  EXPECT_EQ(error, "the image provider refused threshold 300");
  BcxCleanUp();
}

TEST(RunScansTest, MissingFileGivesStatusTwoAndNamesIt) {
  Options options;
  SetDefaultOptions(&options);
  options.files = {"/nonexistent/file.png"};
  BcxInit();
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  EXPECT_EQ(RunScans(options, out, err, false), kExitTrouble);
  std::rewind(err);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof(line), err), nullptr);
  EXPECT_NE(std::string(line).find("/nonexistent/file.png: cannot open"), std::string::npos)
      << line;
  EXPECT_EQ(std::ftell(out), 0);
  std::fclose(out);
  std::fclose(err);
  BcxCleanUp();
}

}  // namespace
}  // namespace bcxscan
