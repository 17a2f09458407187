// Runs a fuzz target's entry function over files, without libFuzzer, so
// that the normal builds replay every seed and every input that once
// crashed or hung.
//   bcx_fuzz_<target>_replay [--max-seconds S] [--slowest N] FILE_OR_FOLDER...
// --slowest lists the N inputs that took longest, with their time per byte,
// to find what makes the library slow.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> FilesUnder(const std::string& path) {
  std::vector<std::string> files;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error)) {
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
        files.push_back(entry.path().string());
      }
    }
  } else if (std::filesystem::is_regular_file(path, error)) {
    files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  double maxSeconds = 0;
  size_t slowestCount = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--max-seconds") == 0 && i + 1 < argc) {
      maxSeconds = std::strtod(argv[++i], nullptr);
      continue;
    }
    if (std::strcmp(argv[i], "--slowest") == 0 && i + 1 < argc) {
      slowestCount = std::strtoul(argv[++i], nullptr, 10);
      continue;
    }
    const std::vector<std::string> found = FilesUnder(argv[i]);
    files.insert(files.end(), found.begin(), found.end());
  }
  int slow = 0;
  double slowest = 0;
  std::string slowestFile;
  struct Timing {
    double seconds;
    size_t bytes;
    std::string file;
  };
  std::vector<Timing> timings;
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    // Printed first, so that a crash names its input.
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    // A copy of exactly the input's size, as libFuzzer hands it over.
    std::vector<uint8_t> copy(bytes);
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timings.push_back({seconds, bytes.size(), file});
    if (seconds > slowest) {
      slowest = seconds;
      slowestFile = file;
    }
    if (maxSeconds > 0 && seconds > maxSeconds) {
      std::printf("too slow: %s took %.3f s, over %.3f s\n", file.c_str(), seconds, maxSeconds);
      ++slow;
    }
  }
  std::sort(timings.begin(), timings.end(),
            [](const Timing& a, const Timing& b) { return a.seconds > b.seconds; });
  for (size_t i = 0; i < slowestCount && i < timings.size(); ++i) {
    const Timing& t = timings[i];
    std::printf("slow: %.4f s, %zu bytes, %.2f us/byte: %s\n", t.seconds, t.bytes,
                t.bytes > 0 ? 1e6 * t.seconds / static_cast<double>(t.bytes) : 0.0, t.file.c_str());
  }
  std::printf("%zu inputs replayed, slowest %.3f s (%s)\n", files.size(), slowest,
              slowestFile.c_str());
  if (files.empty()) {
    std::printf("no inputs found\n");
    return 1;
  }
  return slow == 0 ? 0 : 1;
}
