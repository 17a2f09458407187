#include "bcxscan_jobs.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "bcxscan_format.h"

namespace bcxscan {
namespace {

// Files a worker may run ahead of the oldest one not yet written, per job.
constexpr size_t kWindowPerJob = 64;

void ShowProgress(Output* output, size_t index, size_t count, const std::string& name) {
  if (!output->progress) return;
  std::fprintf(output->err, "\r\033[K%s: [%zu/%zu] %s", kProgram, index + 1, count,
               EscapeBytes(name).c_str());
  std::fflush(output->err);
  output->progressShown = true;
}

// The file's total leaves out the time spent waiting for earlier files.
void FinishFile(FileScan* scan, Clock::time_point start, double waitedMs) {
  if (!scan->pictures.empty()) DrawPictures(scan);
  if (scan->statsDue) {
    scan->report.stats = FormatStats(scan->input, MillisecondsSince(start) - waitedMs);
  }
}

void WriteReport(Output* output, const FileReport& report) {
  if (!report.messages.empty()) {
    ClearProgress(output);
    std::fputs(report.messages.c_str(), output->err);
  }
  if (!report.results.empty()) {
    ClearProgress(output);
    std::fputs(report.results.c_str(), output->out);
    std::fflush(output->out);
  }
  if (!report.stats.empty()) {
    ClearProgress(output);
    std::fputs(report.stats.c_str(), output->err);
  }
}

void AddToTotals(const FileReport& report, Totals* totals) {
  ++totals->files;
  totals->pages += static_cast<size_t>(report.pagesRead);
  totals->symbols += report.symbols;
  if (report.error) ++totals->errors;
  if (report.found) totals->found = true;
}

// Hands files to worker threads in order and their reports back in the same
// order. Workers stay at most a window ahead of the writer, so that memory
// does not grow with the number of files, even behind a slow one.
class FileQueue {
 public:
  // A file's report waits in the slot of its index modulo the window, which
  // the file a window before it has left by the time a worker takes it.
  FileQueue(size_t count, size_t window)
      : count_(count), slots_(std::min(count, window)), finished_(slots_.size(), false) {}

  // The next file for a worker; false once every file has been taken.
  bool Take(size_t* index) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return next_ >= count_ || next_ < written_ + slots_.size(); });
    if (next_ >= count_) return false;
    *index = next_++;
    return true;
  }

  void Finish(size_t index, FileReport report) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      slots_[index % slots_.size()] = std::move(report);
      finished_[index % slots_.size()] = true;
    }
    changed_.notify_all();
  }

  // Waits for the file after the last one handed back.
  FileReport Next() {
    FileReport report;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const size_t slot = written_ % slots_.size();
      changed_.wait(lock, [this, slot] { return finished_[slot]; });
      report = std::move(slots_[slot]);
      slots_[slot] = FileReport{};
      finished_[slot] = false;
      ++written_;
    }
    changed_.notify_all();
    return report;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t count_;
  std::vector<FileReport> slots_;
  std::vector<bool> finished_;
  size_t next_ = 0;
  size_t written_ = 0;
};

FileReport ScanOne(Batch* batch, Scanner* scanner, size_t index) {
  const Clock::time_point start = Clock::now();
  FileScan scan = {};
  ScanFile(scanner, index, batch->options->files[index], &scan);
  double waitedMs = 0.0;
  if (batch->planner != nullptr) {
    // Every file takes its turn, pictures or not, or the next would wait.
    const Clock::time_point waiting = Clock::now();
    batch->turns.Wait(index);
    waitedMs = MillisecondsSince(waiting);
    NamePictures(batch->planner, &scan);
    batch->turns.Pass();
  }
  FinishFile(&scan, start, waitedMs);
  return std::move(scan.report);
}

}  // namespace

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count() * kMillisecondsPerSecond;
}

void ClearProgress(Output* output) {
  if (!output->progressShown) return;
  std::fputs("\r\033[K", output->err);
  std::fflush(output->err);
  output->progressShown = false;
}

size_t JobCount(const Options& options) {
  const size_t files = options.files.size();
  size_t jobs = static_cast<size_t>(options.jobs);
  if (options.jobs == kAutomaticJobs) {
    jobs = files > 1 ? std::max(1u, std::thread::hardware_concurrency()) : 1;
  }
  return std::max<size_t>(1, std::min(jobs, files));
}

void ScanInTurn(Batch* batch, Scanner* scanner, Output* output, Totals* totals) {
  const std::vector<std::string>& files = batch->options->files;
  for (size_t i = 0; i < files.size(); ++i) {
    ShowProgress(output, i, files.size(), files[i]);
    const FileReport report = ScanOne(batch, scanner, i);
    WriteReport(output, report);
    AddToTotals(report, totals);
  }
}

bool ScanOnThreads(Batch* batch, std::vector<Scanner>* scanners, Output* output, Totals* totals) {
  const std::vector<std::string>& files = batch->options->files;
  FileQueue queue(files.size(), scanners->size() * kWindowPerJob);
  std::vector<std::thread> workers;
  for (Scanner& scanner : *scanners) {
    try {
      workers.emplace_back([batch, &scanner, &queue] {
        size_t index = 0;
        while (queue.Take(&index)) queue.Finish(index, ScanOne(batch, &scanner, index));
      });
    } catch (const std::system_error&) {
      // Fewer threads do the same work.
      break;
    }
  }
  if (workers.empty()) return false;
  for (size_t i = 0; i < files.size(); ++i) {
    ShowProgress(output, i, files.size(), files[i]);
    const FileReport report = queue.Next();
    WriteReport(output, report);
    AddToTotals(report, totals);
  }
  for (std::thread& worker : workers) worker.join();
  return true;
}

}  // namespace bcxscan
