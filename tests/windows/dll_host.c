/*
 * A host of the 17 exported calls and nothing else: the same source is
 * built against the native shared library and against Bcxdec.dll, and the
 * two transcripts it prints must be equal byte for byte.
 *
 *   bcx_dll_host SAMPLE...
 *
 * Run it in an empty scratch folder: it writes its own files there, named
 * by relative paths so that their lengths are the same on every platform.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bcxdec.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

enum { kAllTypes = 8, kLongPath = 150 };

static const char* BaseName(const char* path) {
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  return base;
}

static unsigned char* ReadWhole(const char* path, uint32_t* length) {
  FILE* f = fopen(path, "rb");
  if (f == NULL) return NULL;
  unsigned char* data = NULL;
  size_t size = 0;
  unsigned char chunk[65536];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof chunk, f)) > 0) {
    unsigned char* grown = realloc(data, size + got);
    if (grown == NULL) break;
    data = grown;
    memcpy(data + size, chunk, got);
    size += got;
  }
  fclose(f);
  *length = (uint32_t)size;
  return data;
}

static int WriteWhole(const char* path, const unsigned char* data, size_t length) {
  FILE* f = fopen(path, "wb");
  if (f == NULL) return 0;
  const int ok = fwrite(data, 1, length, f) == length;
  return fclose(f) == 0 && ok;
}

static void EnableAll(void) {
  for (uint16_t t = 0; t < kAllTypes; ++t) BcxScanType(t, 1);
}

/* Every result of the last scan: type, text (printable bytes as they are,
 * others as \xHH) and the four packed corners. */
static void PrintResults(void) {
  const uint16_t count = BcxGetCount();
  printf("  count %u\n", (unsigned)count);
  for (uint16_t i = 0; i < count; ++i) {
    const uint16_t length = BcxGetStrLen(i);
    printf("  [%u] type %u len %u text ", (unsigned)i, (unsigned)BcxGetType(i), (unsigned)length);
    for (uint16_t k = 0; k < length; ++k) {
      const uint16_t c = BcxGetCharAt(i, k);
      if (c >= 32 && c < 127 && c != '\\')
        putchar(c);
      else
        printf("\\x%02X", (unsigned)c);
    }
    uint32_t corner[4] = {0, 0, 0, 0};
    const uint16_t rect = BcxGetRect(i, &corner[0], &corner[1], &corner[2], &corner[3]);
    printf(" rect %u %08lx %08lx %08lx %08lx", (unsigned)rect, (unsigned long)corner[0],
           (unsigned long)corner[1], (unsigned long)corner[2], (unsigned long)corner[3]);
    printf(" past-end %04x\n", (unsigned)BcxGetCharAt(i, length));
  }
}

static void SizeAndScan(void) {
  uint16_t w = 0;
  uint16_t h = 0;
  const uint16_t sized = BcxGetImgSize(&w, &h);
  const uint16_t scan = BcxScan();
  printf("  size %u %ux%u scan %u\n", (unsigned)sized, (unsigned)w, (unsigned)h, (unsigned)scan);
  PrintResults();
}

/* Each page the loaded image has, or the one image. */
static void ScanPages(void) {
  const uint16_t pages = BcxGetNumOfPages();
  printf("  pages %u\n", (unsigned)pages);
  if (BcxSetPage(0) == 0) {
    SizeAndScan();
    return;
  }
  for (uint16_t p = 0; p <= pages; ++p) {
    const uint16_t set = BcxSetPage(p);
    printf("  page %u set %u\n", (unsigned)p, (unsigned)set);
    if (p < pages) SizeAndScan();
  }
}

static uint16_t TypeOf(const char* name) {
  const size_t n = strlen(name);
  if (n > 4 && strcmp(name + n - 4, ".tif") == 0) return BCX_IMG_TIFF;
  if (n > 4 && strcmp(name + n - 4, ".gif") == 0) return BCX_IMG_GIF;
  return BCX_IMG_PNG;
}

static void ReadSample(const char* path) {
  const char* name = BaseName(path);
  const uint16_t type = TypeOf(name);
  BcxInit();
  EnableAll();
  const uint16_t fromFile = BcxLoadFromFile(path, type);
  printf("%s file type %u load %u\n", name, (unsigned)type, (unsigned)fromFile);
  ScanPages();

  uint32_t length = 0;
  unsigned char* data = ReadWhole(path, &length);
  BcxInit();
  const uint16_t fromMemory = BcxLoadFromMem(data, length, type);
  printf("%s memory type %u load %u\n", name, (unsigned)type, (unsigned)fromMemory);
  free(data); /* the library holds its own copy */
  ScanPages();

  /* Otsu, adaptive and a region of the middle of the image. */
  const int32_t levels[2] = {BCX_THRESHOLD_OTSU, BCX_THRESHOLD_ADAPTIVE};
  for (int i = 0; i < 2; ++i) {
    BcxInit();
    const uint16_t set = BcxSetThreshold(levels[i]);
    const uint16_t loaded = BcxLoadFromFile(path, type);
    printf("%s level %ld set %u load %u\n", name, (long)levels[i], (unsigned)set, (unsigned)loaded);
    SizeAndScan();
  }
  uint16_t w = 0;
  uint16_t h = 0;
  BcxInit();
  BcxLoadFromFile(path, type);
  BcxGetImgSize(&w, &h);
  if (w > 8 && h > 8) {
    const uint16_t region = BcxSetRegion(2, 3, (uint16_t)(w - 3), (uint16_t)(h - 2));
    const uint16_t scan = BcxScan();
    printf("%s region %u scan %u\n", name, (unsigned)region, (unsigned)scan);
    PrintResults();
  }
  BcxCleanUp();
}

#if defined(_WIN32)
/* A host may declare a 16-bit argument as a 32-bit one and leave garbage in
 * its upper half. The Windows conventions leave those bits to the callee, so
 * each answer must be the one the low half alone gets. Asked through the
 * export table with the slot-sized signature, as such a host does, since
 * only the convention, not C, says what that call does. Silent unless it
 * fails, so that the transcript stays the native build's. */
typedef uint16_t(BCX_CALL* SlotCall)(uint32_t);
typedef uint16_t(BCX_CALL* SlotCall2)(uint32_t, uint32_t);
typedef void (*AnyCall)(void);

static AnyCall Export(const char* name) {
  return (AnyCall)GetProcAddress(GetModuleHandleA("Bcxdec.dll"), name);
}

static int SlotsAnswer(uint16_t index, uint16_t position, uint32_t garbage, SlotCall getType,
                       SlotCall getLength, SlotCall2 getChar) {
  const uint16_t type = BcxGetType(index);
  const uint16_t length = BcxGetStrLen(index);
  const uint16_t c = BcxGetCharAt(index, position);
  const uint16_t slotType = getType(garbage | index);
  const uint16_t slotLength = getLength(garbage | index);
  const uint16_t slotChar = getChar(garbage | index, garbage | position);
  if (slotType == type && slotLength == length && slotChar == c) return 1;
  fprintf(stderr,
          "slots: result %u char %u with upper half %08lx: type %04x len %04x char %04x,"
          " the low half alone %04x %04x %04x\n",
          (unsigned)index, (unsigned)position, (unsigned long)garbage, (unsigned)slotType,
          (unsigned)slotLength, (unsigned)slotChar, (unsigned)type, (unsigned)length, (unsigned)c);
  return 0;
}

/* On the first of the samples that reads; when none does (the check of the
 * screen's resolution) there is nothing to ask, and the transcript's own
 * checks say why. */
static int UpperHalvesIgnored(int count, char** samples) {
  const SlotCall getType = (SlotCall)Export("BcxGetType");
  const SlotCall getLength = (SlotCall)Export("BcxGetStrLen");
  const SlotCall2 getChar = (SlotCall2)Export("BcxGetCharAt");
  if (getType == NULL || getLength == NULL || getChar == NULL) {
    fprintf(stderr, "slots: Bcxdec.dll does not export the calls by name\n");
    return 0;
  }
  static const uint32_t kGarbage[] = {0x00010000u, 0xFFFF0000u, 0xA5C30000u};
  int ok = 1;
  for (int s = 0; s < count; ++s) {
    BcxInit();
    EnableAll();
    uint16_t w = 0;
    uint16_t h = 0;
    BcxLoadFromFile(samples[s], TypeOf(BaseName(samples[s])));
    BcxGetImgSize(&w, &h);
    BcxScan();
    const uint16_t results = BcxGetCount();
    if (results == 0) continue;
    for (size_t g = 0; g < sizeof kGarbage / sizeof kGarbage[0]; ++g) {
      /* The last character, the one past it, and the result past the end. */
      for (uint16_t i = 0; i <= results; ++i) {
        const uint16_t length = BcxGetStrLen(i);
        const uint16_t last = length > 0 && length != 0xFFFF ? (uint16_t)(length - 1) : 0;
        ok &= SlotsAnswer(i, last, kGarbage[g], getType, getLength, getChar);
        ok &= SlotsAnswer(i, (uint16_t)(last + 1), kGarbage[g], getType, getLength, getChar);
      }
    }
    break;
  }
  BcxCleanUp();
  return ok;
}
#endif

/* A relative path of exactly `length` characters to a copy of `data`. */
static void LongName(char* out, size_t length) {
  memset(out, 'a', length - 4);
  memcpy(out + length - 4, ".png", 5);
}

/* Calls are made one statement at a time: the order in which a C compiler
 * evaluates printf's arguments is its own. */
static void Edges(const char* sample) {
  printf("edges\n");
  uint16_t r[6];
  r[0] = BcxInit();
  r[1] = BcxGetCount();
  r[2] = BcxGetType(0);
  r[3] = BcxGetStrLen(0);
  r[4] = BcxGetCharAt(0, 0);
  r[5] = BcxGetNumOfPages();
  printf(" init %u count %u type %04x len %04x char %04x pages %u\n", r[0], r[1], r[2], r[3], r[4],
         r[5]);
  uint32_t c[4] = {7, 7, 7, 7};
  r[0] = BcxGetRect(0, &c[0], &c[1], &c[2], &c[3]);
  printf(" rect %u %lu %lu %lu %lu\n", r[0], (unsigned long)c[0], (unsigned long)c[1],
         (unsigned long)c[2], (unsigned long)c[3]);
  r[0] = BcxScanType(8, 1);
  r[1] = BcxScanType(3, 2);
  r[2] = BcxScanType(7, 1);
  printf(" scantype 8,1 %u 3,2 %u 7,1 %u\n", r[0], r[1], r[2]);
  r[0] = BcxSetLimit(25, 0.3, 12);
  r[1] = BcxSetLimit(10, 0.5, 0.4);
  r[2] = BcxSetLimit(0, 1, 2);
  r[3] = BcxSetLimit(10, -1, 2);
  r[4] = BcxSetLimit(10, 0.5, 8);
  printf(" limit %u %u %u %u %u\n", r[0], r[1], r[2], r[3], r[4]);
  r[0] = BcxSetThreshold(128);
  r[1] = BcxSetThreshold(0);
  r[2] = BcxSetThreshold(256);
  r[3] = BcxSetThreshold(-3);
  r[4] = BcxSetThreshold(128);
  printf(" threshold %u %u %u %u %u\n", r[0], r[1], r[2], r[3], r[4]);
  uint16_t w = 9;
  uint16_t h = 9;
  r[0] = BcxGetImgSize(&w, &h);
  r[1] = BcxScan();
  r[2] = BcxSetRegion(0, 0, 1, 1);
  r[3] = BcxSetPage(0);
  printf(" no image: size %u %ux%u scan %u region %u setpage %u\n", r[0], w, h, r[1], r[2], r[3]);

  r[0] = BcxLoadFromFile("missing.png", BCX_IMG_PNG);
  r[1] = BcxLoadFromFile("missing.tif", BCX_IMG_TIFF);
  r[2] = BcxGetNumOfPages();
  printf(" missing file %u tiff %u pages %u\n", r[0], r[1], r[2]);
  SizeAndScan();

  static const unsigned char kJunk[] = "this is no image at all, only words";
  WriteWhole("junk.png", kJunk, sizeof kJunk);
  r[0] = BcxLoadFromFile("junk.png", BCX_IMG_PNG);
  r[1] = BcxLoadFromMem(kJunk, sizeof kJunk, BCX_IMG_PNG);
  r[2] = BcxLoadFromMem(kJunk, 0, BCX_IMG_PNG);
  printf(" bad file %u memory %u zero length %u\n", r[0], r[1], r[2]);
  SizeAndScan();

  uint32_t length = 0;
  unsigned char* data = ReadWhole(sample, &length);
  WriteWhole("cut.png", data, length / 2);
  r[0] = BcxLoadFromFile("cut.png", BCX_IMG_DETECT);
  r[1] = BcxLoadFromMem(data, length / 2, BCX_IMG_PNG);
  printf(" truncated file %u memory %u\n", r[0], r[1]);
  SizeAndScan();

  char name149[kLongPath];
  char name150[kLongPath + 1];
  LongName(name149, kLongPath - 1);
  LongName(name150, kLongPath);
  WriteWhole(name149, data, length);
  WriteWhole(name150, data, length);
  EnableAll();
  r[0] = BcxLoadFromFile(name149, BCX_IMG_PNG);
  printf(" path %u: load %u\n", (unsigned)strlen(name149), r[0]);
  SizeAndScan();
  r[0] = BcxLoadFromFile(name150, BCX_IMG_TIFF);
  printf(" path %u: load %u, the image before stays\n", (unsigned)strlen(name150), r[0]);
  r[0] = BcxGetNumOfPages();
  r[1] = BcxScan();
  printf(" pages %u scan %u\n", r[0], r[1]);
  PrintResults();

  /* Refused regions, then one whose corners come back shifted. */
  BcxGetImgSize(&w, &h);
  r[0] = BcxSetRegion(0, 0, w, (uint16_t)(h - 1));
  r[1] = BcxSetRegion(10, 0, 10, (uint16_t)(h - 1));
  r[2] = BcxSetRegion(20, 0, 10, (uint16_t)(h - 1));
  r[3] = BcxSetRegion(0, 0, (uint16_t)(w - 1), (uint16_t)(h - 1));
  r[4] = BcxSetRegion(5, 4, (uint16_t)(w - 1), (uint16_t)(h - 1));
  r[5] = BcxScan();
  printf(" regions %u %u %u %u offset %u scan %u\n", r[0], r[1], r[2], r[3], r[4], r[5]);
  PrintResults();
  r[0] = BcxLoadFromMem(data, length, BCX_IMG_TIFF);
  r[1] = BcxGetNumOfPages();
  r[2] = BcxScan();
  printf(" memory load %u pages %u, scan without size %u\n", r[0], r[1], r[2]);
  r[0] = BcxLoadFromMem(data, length, BCX_IMG_DETECT);
  r[1] = BcxGetNumOfPages();
  printf(" type 0 keeps the type: load %u pages %u\n", r[0], r[1]);
  free(data);
  r[0] = BcxCleanUp();
  r[1] = BcxGetCount();
  printf(" cleanup %u count %u\n", r[0], r[1]);
  remove("junk.png");
  remove("cut.png");
  remove(name149);
  remove(name150);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: bcx_dll_host SAMPLE...\n");
    return 2;
  }
#if defined(_WIN32)
  /* The transcript is compared byte for byte: no CR before each LF. */
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  Edges(argv[1]);
  for (int i = 1; i < argc; ++i) ReadSample(argv[i]);
#if defined(_WIN32)
  /* Last, so that no setting it makes reaches the transcript. */
  if (!UpperHalvesIgnored(argc - 1, argv + 1)) return 1;
#endif
  return fflush(stdout) == 0 ? 0 : 1;
}
