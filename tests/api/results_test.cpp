#include "records/results.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/library.h"
#include "bcxdec.h"
#include "image/image_state.h"

namespace {

using bcx::AppendResult;
using bcx::g_library;
using bcx::Point;

const Point kCorners[bcx::kCornerCount] = {{7, 3}, {7, 40}, {60, 40}, {60, 3}};

class ResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BcxCleanUp();
    bcx::g_library.image = bcx::ImageState{};
    BcxInit();
  }
  void TearDown() override { BcxCleanUp(); }
};

TEST_F(ResultsTest, EmptyTableAnswersFailureValues) {
  EXPECT_EQ(BcxGetCount(), 0);
  EXPECT_EQ(BcxGetType(0), 0xFFFF);
  EXPECT_EQ(BcxGetStrLen(0), 0xFFFF);
  EXPECT_EQ(BcxGetCharAt(0, 0), 0xFFFF);
  uint32_t c1 = 11, c2 = 22, c3 = 33, c4 = 44;
  EXPECT_EQ(BcxGetRect(0, &c1, &c2, &c3, &c4), 0);
  EXPECT_EQ(c1, 11u);
  EXPECT_EQ(c2, 22u);
  EXPECT_EQ(c3, 33u);
  EXPECT_EQ(c4, 44u);
}

TEST_F(ResultsTest, FilledTableAnswersTypeTextAndBounds) {
  const char text[] = "4006381333931";  // 13 bytes
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_EAN13, text, 13, kCorners), 1);
  const char fnc1[] = {static_cast<char>(201), '0', '1'};
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE128, fnc1, 3, kCorners), 1);
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE39, "", 0, kCorners), 1);
  EXPECT_EQ(BcxGetCount(), 3);
  EXPECT_EQ(BcxGetType(0), BCX_EAN13);
  EXPECT_EQ(BcxGetStrLen(0), 13);
  EXPECT_EQ(BcxGetCharAt(0, 0), '4');
  EXPECT_EQ(BcxGetCharAt(0, 12), '1');
  EXPECT_EQ(BcxGetCharAt(0, 13), 0xFFFF);
  EXPECT_EQ(BcxGetCharAt(1, 0), 201);  // a function character, not a failure
  EXPECT_EQ(BcxGetType(1), BCX_CODE128);
  EXPECT_EQ(BcxGetStrLen(2), 0);
  EXPECT_EQ(BcxGetCharAt(2, 0), 0xFFFF);
  EXPECT_EQ(BcxGetType(3), 0xFFFF);
  EXPECT_EQ(BcxGetStrLen(3), 0xFFFF);
}

TEST_F(ResultsTest, CornersArePackedInImageCoordinates) {
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE39, "A", 1, kCorners), 1);
  uint32_t c[4] = {};
  ASSERT_EQ(BcxGetRect(0, &c[0], &c[1], &c[2], &c[3]), 1);
  EXPECT_EQ(c[0], 7u * 65536u + 3u);
  EXPECT_EQ(c[2], 60u * 65536u + 40u);
  // The region origin is added when the corners are read.
  bcx::g_library.image.regionLeft = 100;
  bcx::g_library.image.regionTop = 50;
  ASSERT_EQ(BcxGetRect(0, &c[0], &c[1], &c[2], &c[3]), 1);
  EXPECT_EQ(c[0], 107u * 65536u + 53u);
  EXPECT_EQ(c[1], 107u * 65536u + 90u);
  EXPECT_EQ(c[2], 160u * 65536u + 90u);
  EXPECT_EQ(c[3], 160u * 65536u + 53u);
  EXPECT_EQ(BcxGetRect(0, nullptr, &c[1], &c[2], &c[3]), 0);
}

// A host may declare a 16-bit argument as a 32-bit one and leave garbage in
// its upper half. The Windows conventions (x64, stdcall) leave those bits
// to the callee to ignore, so the DLL must honour only the low half. Under
// System V callers extend it to 32 bits, a rule the ABI leaves unwritten
// but clang's callees rely on: there the garbage is the host's fault.
// The check calls through a mismatched pointer type, which the language
// leaves undefined; only the convention fixes what happens, so it runs only
// where that convention is in force and g++, the DLLs' compiler, built it.
// Bcxdec.dll itself is asked by bcx_dll_host under wine64 (test-windows).
TEST_F(ResultsTest, IndexIsTakenFromTheLowHalfOfItsSlot) {
#if defined(_WIN32) && defined(__GNUC__) && !defined(__clang__)
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_UPCA, "036000291452", 12, kCorners), 1);
  using SlotCall = uint16_t(BCX_CALL*)(uint32_t);
  using SlotCall2 = uint16_t(BCX_CALL*)(uint32_t, uint32_t);
  using AnyCall = void (*)();
  const auto getType = reinterpret_cast<SlotCall>(reinterpret_cast<AnyCall>(&BcxGetType));
  const auto getLength = reinterpret_cast<SlotCall>(reinterpret_cast<AnyCall>(&BcxGetStrLen));
  const auto getChar = reinterpret_cast<SlotCall2>(reinterpret_cast<AnyCall>(&BcxGetCharAt));
  EXPECT_EQ(getType(65536), BCX_UPCA);
  EXPECT_EQ(getLength(65536), 12);
  EXPECT_EQ(getChar(65536, 65536 + 1), '3');
  EXPECT_EQ(getType(65537), 0xFFFF);
#else
  GTEST_SKIP() << "only the Windows calling conventions leave a 16-bit argument's upper half "
                  "to the callee; bcx_dll_host checks Bcxdec.dll under wine64 (make test-windows)";
#endif
}

TEST_F(ResultsTest, TableHoldsAtMostOneHundredRecords) {
  for (int i = 0; i < bcx::kMaxResults; ++i) {
    const std::string text = std::to_string(i);
    ASSERT_EQ(AppendResult(g_library.context.results, BCX_ITF, text.c_str(),
                           static_cast<int32_t>(text.size()), kCorners),
              1);
  }
  EXPECT_EQ(AppendResult(g_library.context.results, BCX_ITF, "x", 1, kCorners), 0);
  EXPECT_EQ(bcx::WriteResultText(g_library.context.results, BCX_ITF, "x", 1), 0);
  EXPECT_EQ(BcxGetCount(), 100);
  EXPECT_EQ(BcxGetStrLen(99), 2);
  EXPECT_EQ(BcxGetCharAt(99, 1), '9');
  EXPECT_EQ(BcxGetType(100), 0xFFFF);
}

TEST_F(ResultsTest, TextWrittenButNeverCompletedIsNotVisibleNorLeaked) {
  ASSERT_EQ(bcx::WriteResultText(g_library.context.results, BCX_EAN8, "1234567", 7), 1);
  EXPECT_EQ(BcxGetCount(), 0);
  EXPECT_EQ(BcxGetType(0), 0xFFFF);
  // Emptying the table releases it (the leak checker of the sanitizer build
  // would report it otherwise).
  bcx::EmptyResultTable(g_library.context.results);
}

TEST_F(ResultsTest, CleanUpAndInitEmptyTheTable) {
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE39, "AB", 2, kCorners), 1);
  EXPECT_EQ(BcxCleanUp(), 1);
  EXPECT_EQ(BcxGetCount(), 0);
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE39, "AB", 2, kCorners), 1);
  EXPECT_EQ(BcxInit(), 1);
  EXPECT_EQ(BcxGetCount(), 0);
  EXPECT_EQ(BcxGetType(0), 0xFFFF);
}

TEST_F(ResultsTest, ScanWithoutImageKeepsEarlierResults) {
  ASSERT_EQ(AppendResult(g_library.context.results, BCX_CODE39, "AB", 2, kCorners), 1);
  EXPECT_EQ(BcxScan(), 0);
  EXPECT_EQ(BcxGetCount(), 1);
  EXPECT_EQ(BcxGetCharAt(0, 1), 'B');
}

}  // namespace
