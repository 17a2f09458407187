// The job runner: files handed to threads, each with a reader of its own,
// and their reports written in file order whatever the number of threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <vector>

#include "bcxscan_annotate.h"
#include "bcxscan_input.h"
#include "bcxscan_options.h"

namespace bcxscan {

constexpr double kMillisecondsPerSecond = 1000.0;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start);

// Only the thread that writes results touches the streams.
struct Output {
  FILE* out;
  FILE* err;
  bool progress;
  bool progressShown;
};

// Anything written to err after the progress line would be run into it.
void ClearProgress(Output* output);

struct Totals {
  size_t files;
  size_t pages;
  size_t symbols;
  size_t errors;  // files with at least one message
  bool found;
};

// Lets files name their pictures one after the other, in file order.
class Turns {
 public:
  void Wait(size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, index] { return current_ == index; });
  }

  void Pass() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++current_;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t current_ = 0;
};

// What every scan of a run shares.
struct Batch {
  const Options* options;
  PicturePlanner* planner;  // nullptr when no picture is wanted
  Turns turns;
};

// One thread per core when left automatic with several files, and never
// more threads than files.
size_t JobCount(const Options& options);

// Scans on the calling thread alone, one file after the other.
void ScanInTurn(Batch* batch, Scanner* scanner, Output* output, Totals* totals);

// Returns false, having scanned nothing, when no thread could be started.
bool ScanOnThreads(Batch* batch, std::vector<Scanner>* scanners, Output* output, Totals* totals);

}  // namespace bcxscan
