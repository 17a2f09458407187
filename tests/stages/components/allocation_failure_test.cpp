// Every allocation a scan makes is failed in turn: the scan must give up
// cleanly, with an empty result table and nothing leaked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "api/library.h"
#include "bcxdec.h"
#include "records/results.h"
#include "records/settings.h"
#include "stages/components/components.h"
#include "stages/components/scan_state.h"
#include "stages/grouping/grouping.h"
#include "stages/ordering/element_run.h"
#include "stages/ordering/ordering.h"
#include "support.h"

namespace {

// Non-throwing allocations succeed this many times, then fail; -1 never.
long g_allowed = -1;
long g_made = 0;

bool FailThisOne() {
  if (g_allowed < 0) return false;
  return g_made++ >= g_allowed;
}

void* Allocate(std::size_t n) { return std::malloc(n > 0 ? n : 1); }

void* AllocateOrThrow(std::size_t n) {
  void* p = Allocate(n);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void Arm(long allowed) {
  g_allowed = allowed;
  g_made = 0;
}

void Disarm() { g_allowed = -1; }

}  // namespace

void* operator new(std::size_t n) { return AllocateOrThrow(n); }
void* operator new[](std::size_t n) { return AllocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return FailThisOne() ? nullptr : Allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  return FailThisOne() ? nullptr : Allocate(n);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace bcx::test {
namespace {

std::vector<uint8_t> Pgm(const Bitmap& bitmap) {
  const std::string header =
      "P5\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n255\n";
  std::vector<uint8_t> data(header.begin(), header.end());
  for (uint8_t p : bitmap.pixels) data.push_back(p != 0 ? 0 : 255);
  return data;
}

// Enough bars, boundary pixels and stack entries to grow every work list,
// and groups to order.
Bitmap GrowingScene() {
  Bitmap bitmap(400, 400);
  for (int32_t y = 0; y + 20 <= 286; y += 22) {
    for (int32_t x = 0; x + 2 <= 400; x += 4) bitmap.Fill(x, y, 2, 20);
  }
  bitmap.Fill(0, 380, 400, 2);
  for (int32_t x = 0; x < 400; x += 2) bitmap.Fill(x, 305, 1, 75);
  return bitmap;
}

Bitmap SolidBlock() { return Bitmap(60, 60, 1); }

class AllocationFailureTest : public ScanTest {
 protected:
  void TearDown() override {
    Disarm();
    BcxCleanUp();
    ScanTest::TearDown();
  }
};

void StoreAResult() {
  const Point corners[kCornerCount] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  ASSERT_EQ(AppendResult(g_library.context.results, kCode39, "OLD", 3, corners), 1);
}

void FailEachAllocationOfAScan(const Bitmap& bitmap, int startBuffers) {
  const std::vector<uint8_t> pgm = Pgm(bitmap);
  ASSERT_EQ(BcxLoadFromMem(pgm.data(), static_cast<uint32_t>(pgm.size()), BCX_IMG_PNM), 1);
  for (uint16_t id = 0; id < 8; ++id) BcxScanType(id, 1);
  uint16_t w = 0;
  uint16_t h = 0;
  ASSERT_EQ(BcxGetImgSize(&w, &h), 1);
  int failures = 0;
  for (long allowed = 0;; ++allowed) {
    StoreAResult();
    Arm(allowed);
    const uint16_t found = BcxScan();
    const bool failed = g_made > allowed;
    Disarm();
    EXPECT_EQ(found, 0);
    EXPECT_EQ(BcxGetCount(), 0);
    EXPECT_EQ(g_library.context.scan.region, nullptr);
    EXPECT_EQ(g_library.context.scan.stack, nullptr);
    EXPECT_EQ(g_library.context.scan.group, nullptr);
    if (!failed) break;
    ++failures;
    ASSERT_LT(allowed, 10000);
  }
  // Beyond the buffers of the start, some list grew (and groups were
  // ordered) on the way.
  EXPECT_GT(failures, startBuffers);
}

TEST_F(AllocationFailureTest, EveryAllocationOfAScanMayFail) {
  FailEachAllocationOfAScan(GrowingScene(), 10);
}

TEST_F(AllocationFailureTest, StackGrowthMayFail) { FailEachAllocationOfAScan(SolidBlock(), 6); }

TEST_F(AllocationFailureTest, OrderingWithoutMemoryGivesTheSameOrder) {
  // Upright bars at scattered places, some sharing a column.
  Bitmap bitmap(300, 120);
  const int32_t columns[] = {200, 40, 120, 40, 260, 10, 120, 90};
  for (int k = 0; k < 8; ++k) bitmap.Fill(columns[k] + (k % 2) * 2, 10 + (k % 3), 3, 60);
  for (const bool starve : {false, true}) {
    LoadScan(bitmap);
    ASSERT_EQ(FindBars(g_library.context.scan, g_library.context.settings, g_library.context.trace),
              1);
    ASSERT_EQ(AllocateGroupTable(g_library.context.scan), 1);
    int32_t n = 0;
    CollectGroup(g_library.context.scan, &n);
    ASSERT_GE(n, 6);
    if (starve) Arm(0);
    OrderGroup(g_library.context.scan, n);
    Disarm();
    static std::vector<int32_t> firstOrder;
    std::vector<int32_t> order;
    for (int32_t k = 0; k < n; ++k) order.push_back(g_library.context.scan.group[k].centroidX);
    if (!starve) {
      firstOrder = order;
    } else {
      EXPECT_EQ(order, firstOrder);
    }
    ReleaseScanBuffers(g_library.context.scan);
  }
}

TEST_F(AllocationFailureTest, ElementRunWithoutMemoryIsNull) {
  BarRecord bar = BarWithSide(3, 0, 3, 30);
  SetGroup({bar, bar});
  Arm(0);
  double* run = BuildElementRun(g_library.context.scan, 2);
  Disarm();
  EXPECT_EQ(run, nullptr);
}

}  // namespace
}  // namespace bcx::test
