#include "records/results.h"

#include <cstring>
#include <new>

namespace bcx {

void EmptyResultTable(ResultTable& table) {
  // Every record, not just the counted ones: a text written for a record that
  // was never completed must not leak either.
  for (ResultRecord& record : table.records) {
    delete[] record.text;
    record = ResultRecord{};
  }
  table.count = 0;
}

bool ResultTableHasRoom(const ResultTable& table) {
  return table.count >= 0 && table.count < kMaxResults;
}

int WriteResultText(ResultTable& table, int32_t type, const char* text, int32_t length) {
  if (!ResultTableHasRoom(table) || length < 0) return 0;
  ResultRecord& record = table.records[table.count];
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

void CompleteResult(ResultTable& table, const Point corners[kCornerCount]) {
  if (!ResultTableHasRoom(table)) return;
  ResultRecord& record = table.records[table.count];
  for (int k = 0; k < kCornerCount; ++k) record.corners[k] = corners[k];
  ++table.count;
}

int AppendResult(ResultTable& table, int32_t type, const char* text, int32_t length,
                 const Point corners[kCornerCount]) {
  if (WriteResultText(table, type, text, length) == 0) return 0;
  CompleteResult(table, corners);
  return 1;
}

bool ResultHasText(const ResultRecord& record, int32_t type, const char* text, int32_t length) {
  return record.type == type && record.textLength == length &&
         (length == 0 || std::memcmp(record.text, text, static_cast<size_t>(length)) == 0);
}

CornerCentre CentreOf(const Point corners[kCornerCount]) {
  CornerCentre c{0.0, 0.0};
  for (int k = 0; k < kCornerCount; ++k) {
    c.x += 0.25 * corners[k].x;
    c.y += 0.25 * corners[k].y;
  }
  return c;
}

void RemoveResult(ResultTable& table, int32_t index) {
  if (index < 0 || index >= table.count) return;
  delete[] table.records[index].text;
  for (int32_t i = index; i + 1 < table.count; ++i) table.records[i] = table.records[i + 1];
  table.records[table.count - 1] = ResultRecord{};
  --table.count;
}

}  // namespace bcx
