#define ZX_USE_UTF8 1

#include <ZXing/ReadBarcode.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "peers.h"

namespace peers {
namespace {

std::string Name(ZXing::BarcodeFormat f) {
  using ZXing::BarcodeFormat;
  switch (f) {
    case BarcodeFormat::Code39:
      return "Code39";
    case BarcodeFormat::Code128:
      return "Code128";
    case BarcodeFormat::EAN8:
      return "EAN-8";
    case BarcodeFormat::EAN13:
      return "EAN-13";
    case BarcodeFormat::ITF:
      return "ITF";
    case BarcodeFormat::UPCA:
      return "UPC-A";
    case BarcodeFormat::UPCE:
      return "UPC-E";
    default:
      return ZXing::ToString(f);
  }
}

// What the copy sends back: the time, then each result as two
// length-prefixed strings.
void PutString(std::string* out, const std::string& s) {
  const uint32_t n = static_cast<uint32_t>(s.size());
  out->append(reinterpret_cast<const char*>(&n), sizeof n);
  out->append(s);
}

bool GetString(const std::string& in, size_t* at, std::string* s) {
  uint32_t n = 0;
  if (*at + sizeof n > in.size()) return false;
  std::memcpy(&n, in.data() + *at, sizeof n);
  *at += sizeof n;
  if (*at + n > in.size()) return false;
  s->assign(in, *at, n);
  *at += n;
  return true;
}

// Runs the read in a child; false when the child did not finish cleanly.
enum class Call { kReadBarcodes, kWithoutDownscale, kReadBarcode };

bool ReadInChild(const readrate::Grey& image, Call call, ZxingOutcome* outcome) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (child == 0) {
    close(fds[0]);
    const ZXing::ImageView view(image.pixels.data(), image.width, image.height,
                                ZXing::ImageFormat::Lum, image.width);
    const auto start = std::chrono::steady_clock::now();
    ZXing::Results results;
    if (call == Call::kReadBarcodes) {
      results = ZXing::ReadBarcodes(view, ZXing::DecodeHints());
    } else if (call == Call::kWithoutDownscale) {
      results = ZXing::ReadBarcodes(view, ZXing::DecodeHints().setTryDownscale(false));
    } else {
      results.push_back(ZXing::ReadBarcode(view, ZXing::DecodeHints()));
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::string out(reinterpret_cast<const char*>(&ms), sizeof ms);
    for (const ZXing::Result& r : results) {
      if (!r.isValid()) continue;
      PutString(&out, Name(r.format()));
      PutString(&out, r.text());
    }
    size_t sent = 0;
    while (sent < out.size()) {
      const ssize_t n = write(fds[1], out.data() + sent, out.size() - sent);
      if (n <= 0) _exit(1);
      sent += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string in;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) in.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || in.size() < sizeof(double)) return false;
  std::memcpy(&outcome->ms, in.data(), sizeof(double));
  size_t at = sizeof(double);
  Found f;
  outcome->found.clear();
  while (GetString(in, &at, &f.symbology) && GetString(in, &at, &f.text)) {
    outcome->found.push_back(f);
  }
  return true;
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// The timed copy's start and its pipe, for the abort handler; set in the
// copy only, before the call.
double g_timedStart = 0;
int g_timedPipe = -1;

struct TimedReport {
  double ms;
  int aborted;
};

void SendReport(const TimedReport& report) {
  // Both functions are async-signal-safe; the report is smaller than a
  // pipe's atomic write.
  const ssize_t n = write(g_timedPipe, &report, sizeof report);
  _exit(n == static_cast<ssize_t>(sizeof report) ? 0 : 1);
}

void ReportAbort(int) { SendReport(TimedReport{ProcessCpuMs() - g_timedStart, 1}); }

}  // namespace

double TimeZxing(const readrate::Grey& image, bool* aborted) {
  *aborted = false;
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (child == 0) {
    close(fds[0]);
    g_timedPipe = fds[1];
    // The failed assertion's message is the reading copy's to tell, once.
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) dup2(quiet, STDERR_FILENO);
    signal(SIGABRT, ReportAbort);
    const ZXing::ImageView view(image.pixels.data(), image.width, image.height,
                                ZXing::ImageFormat::Lum, image.width);
    // A first read of the same image, untimed, which never aborts (one
    // result, nothing merged): the copy's heap and code are then as warm as
    // a host's that reads image after image.
    const ZXing::Result warm = ZXing::ReadBarcode(view, ZXing::DecodeHints());
    g_timedStart = ProcessCpuMs();
    const ZXing::Results results = ZXing::ReadBarcodes(view, ZXing::DecodeHints());
    SendReport(TimedReport{ProcessCpuMs() - g_timedStart, 0});
  }
  close(fds[1]);
  TimedReport report{-1, 0};
  const ssize_t n = read(fds[0], &report, sizeof report);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (n != static_cast<ssize_t>(sizeof report) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  *aborted = report.aborted != 0;
  return report.ms;
}

ZxingOutcome ReadWithZxing(const readrate::Grey& image) {
  ZxingOutcome outcome;
  if (ReadInChild(image, Call::kReadBarcodes, &outcome)) return outcome;
  outcome.aborted = true;
  if (ReadInChild(image, Call::kWithoutDownscale, &outcome)) return outcome;
  if (!ReadInChild(image, Call::kReadBarcode, &outcome)) outcome.found.clear();
  return outcome;
}

}  // namespace peers
