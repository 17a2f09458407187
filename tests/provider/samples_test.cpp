// The committed samples load through the provider, every listed page.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "fixtures.h"
#include "rastra.h"

namespace rastra_test {
namespace {

constexpr uint16_t kTypeTiff = 2;
constexpr uint16_t kTypeDetect = 0;

struct Listed {
  std::string file;
  int page;
};

std::vector<Listed> ReadExpected() {
  std::ifstream in(std::string(RASTRA_SAMPLES_DIR) + "/EXPECTED.tsv");
  std::vector<Listed> listed;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    Listed entry;
    std::string page;
    std::getline(fields, entry.file, '\t');
    std::getline(fields, page, '\t');
    entry.page = std::stoi(page);
    listed.push_back(entry);
  }
  return listed;
}

TEST(SamplesTest, EveryListedPageLoadsWithBarsOnWhite) {
  const std::vector<Listed> listed = ReadExpected();
  ASSERT_GE(listed.size(), 11u);
  ASSERT_EQ(SetThreshold(RASTRA_DEFAULT_THRESHOLD), 1);
  for (const Listed& entry : listed) {
    SCOPED_TRACE(entry.file + " page " + std::to_string(entry.page));
    const std::string path = std::string(RASTRA_SAMPLES_DIR) + "/" + entry.file;
    const bool tiff = entry.file.ends_with(".tif");
    const uint16_t type = tiff ? kTypeTiff : kTypeDetect;
    EXPECT_EQ(CountFilePages(path.c_str(), type), tiff ? 3 : 1);
    ASSERT_EQ(SelectFilePage(static_cast<uint16_t>(entry.page)), 1);
    int32_t width = 0;
    int32_t height = 0;
    ASSERT_EQ(GetSize(&width, &height), 1);
    EXPECT_GE(height, 60);
    const Bytes binary = Binarised(width, height);
    const auto dark = std::count(binary.begin(), binary.end(), 1);
    EXPECT_GT(dark, static_cast<long>(binary.size() / 10));
    EXPECT_LT(dark, static_cast<long>(binary.size() / 2));
    EXPECT_EQ(binary[0], 0);  // a white margin
  }
  ReleaseImage();
}

}  // namespace
}  // namespace rastra_test
