// The result table: at most kMaxResults decoded symbols, read by the host
// through the accessors after a scan.
#pragma once

#include <cstdint>

#include "records/geometry.h"

namespace bcx {

constexpr int kMaxResults = 100;
constexpr int kCornerCount = 4;

struct ResultRecord {
  uint8_t* text;  // exactly textLength bytes, no terminator; owned by the table
  int32_t textLength;
  int32_t type;
  Point corners[kCornerCount];  // region coordinates, going round the symbol
};

struct ResultTable {
  ResultRecord records[kMaxResults];
  int32_t count;
};

// Releases every text and sets the count to 0.
void EmptyResultTable(ResultTable& table);

// True while another record can be written.
bool ResultTableHasRoom(const ResultTable& table);

// Fills type and a copy of the text into the record at the current count,
// without raising the count. Returns 0 when the table is full or the copy
// cannot be allocated (the record is then left empty).
int WriteResultText(ResultTable& table, int32_t type, const char* text, int32_t length);

// Sets the corners of the record at the current count and raises the count:
// only now does the host see the record.
void CompleteResult(ResultTable& table, const Point corners[kCornerCount]);

// Both steps at once; returns 0 when the table is full or memory ran out.
int AppendResult(ResultTable& table, int32_t type, const char* text, int32_t length,
                 const Point corners[kCornerCount]);

// Whether the record holds this type and exactly these text bytes.
bool ResultHasText(const ResultRecord& record, int32_t type, const char* text, int32_t length);

struct CornerCentre {
  double x;
  double y;
};

// The mean of the four corners.
CornerCentre CentreOf(const Point corners[kCornerCount]);

// Releases record `index` and moves the later ones down; nothing happens
// outside 0 .. count - 1.
void RemoveResult(ResultTable& table, int32_t index);

}  // namespace bcx
