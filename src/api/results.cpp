#include "api/results.h"

#include <cstring>
#include <new>

namespace bcx {

ResultRecord g_results[kMaxResults];
int32_t g_resultCount = 0;

void EmptyResultTable() {
  // Every record, not just the counted ones: a text written for a record that
  // was never completed must not leak either.
  for (int32_t i = 0; i < kMaxResults; ++i) {
    delete[] g_results[i].text;
    g_results[i] = ResultRecord{};
  }
  g_resultCount = 0;
}

bool ResultTableHasRoom() { return g_resultCount >= 0 && g_resultCount < kMaxResults; }

int WriteResultText(int32_t type, const char* text, int32_t length) {
  if (!ResultTableHasRoom() || length < 0) return 0;
  ResultRecord& record = g_results[g_resultCount];
  // Never leave a zero-length text as nullptr: a record always owns a buffer.
  uint8_t* copy = new (std::nothrow) uint8_t[length > 0 ? length : 1];
  if (copy == nullptr) return 0;
  if (length > 0) std::memcpy(copy, text, static_cast<size_t>(length));
  delete[] record.text;  // a record abandoned by an earlier failed write
  record.text = copy;
  record.textLength = length;
  record.type = type;
  return 1;
}

void CompleteResult(const Point corners[kCornerCount]) {
  if (!ResultTableHasRoom()) return;
  ResultRecord& record = g_results[g_resultCount];
  for (int k = 0; k < kCornerCount; ++k) record.corners[k] = corners[k];
  ++g_resultCount;
}

int AppendResult(int32_t type, const char* text, int32_t length,
                 const Point corners[kCornerCount]) {
  if (WriteResultText(type, text, length) == 0) return 0;
  CompleteResult(corners);
  return 1;
}

}  // namespace bcx
