/* A host program built against an installed bcxdec: loads the image named
 * on the command line, scans it and prints what it learnt. */
#include <bcxdec.h>
#include <stdio.h>

int main(int argc, char** argv) {
  uint16_t width = 0, height = 0, id;
  if (argc != 2) return 2;
  printf("init %u", BcxInit());
  for (id = BCX_CODE39; id <= BCX_ITF; ++id) BcxScanType(id, 1);
  printf(", load %u", BcxLoadFromFile(argv[1], BCX_IMG_DETECT));
  printf(", size %u", BcxGetImgSize(&width, &height));
  printf(" %ux%u, pages %u", width, height, BcxGetNumOfPages());
  printf(", scan %u, count %u", BcxScan(), BcxGetCount());
  printf(", cleanup %u\n", BcxCleanUp());
  return 0;
}
