// Helper for make-samples: rotates a symbol on a white ground, and stacks
// several images into one multi-page TIFF.
//   sample_tool rotate IN.png DEGREES OUT.png
//   sample_tool tiff OUT.tif IN1.png [IN2.png ...]
#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265f;
constexpr l_int32 kBlackBelow = 128;

PIX* ReadGrey(const char* path) {
  PIX* pix = pixRead(path);
  if (pix == nullptr) return nullptr;
  PIX* grey = pixConvertTo8(pix, 0);
  pixDestroy(&pix);
  return grey;
}

int Rotate(const char* in, float degrees, const char* out) {
  PIX* grey = ReadGrey(in);
  if (grey == nullptr) return 1;
  // Passing the size makes the canvas grow to hold the whole turned symbol.
  PIX* turned = pixRotate(grey, degrees * kPi / 180.0f, L_ROTATE_AREA_MAP, L_BRING_IN_WHITE,
                          pixGetWidth(grey), pixGetHeight(grey));
  pixDestroy(&grey);
  if (turned == nullptr) return 1;
  const int failed = pixWrite(out, turned, IFF_PNG);
  pixDestroy(&turned);
  return failed != 0 ? 1 : 0;
}

int StackTiff(const char* out, int count, char** inputs) {
  for (int i = 0; i < count; ++i) {
    PIX* grey = ReadGrey(inputs[i]);
    if (grey == nullptr) return 1;
    PIX* binary = pixConvertTo1(grey, kBlackBelow);
    pixDestroy(&grey);
    if (binary == nullptr) return 1;
    const int failed = pixWriteTiff(out, binary, IFF_TIFF_G4, i == 0 ? "w" : "a");
    pixDestroy(&binary);
    if (failed != 0) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setMsgSeverity(L_SEVERITY_ERROR);
  if (argc == 5 && std::strcmp(argv[1], "rotate") == 0) {
    return Rotate(argv[2], std::strtof(argv[3], nullptr), argv[4]);
  }
  if (argc >= 4 && std::strcmp(argv[1], "tiff") == 0) return StackTiff(argv[2], argc - 3, argv + 3);
  std::fprintf(stderr, "usage: %s rotate IN DEGREES OUT | tiff OUT IN...\n", argv[0]);
  return 2;
}
