/* A host program built against an installed bcxread: reads the image named
 * on the command line with a reader of its own and prints what it found. */
#include <bcxread.h>
#include <stdio.h>

int main(int argc, char** argv) {
  bcx_reader* reader = bcx_reader_new();
  const uint8_t* text = NULL;
  size_t length = 0;
  int32_t xy[8];
  int found = 0;
  if (argc != 2 || reader == NULL) return 2;
  found = bcx_read_file(reader, argv[1], 0);
  printf("found %d", found);
  if (found > 0 && bcx_result_corners(reader, 0, xy)) {
    length = bcx_result_text(reader, 0, &text);
    printf(", %s at (%d,%d): %.*s", bcx_symbology_name(bcx_result_type(reader, 0)), xy[0], xy[1],
           (int)length, (const char*)text);
  }
  found = bcx_read_file(reader, "no-such-file.png", 0);
  printf(", missing %d (%s)\n", found, bcx_reader_error(reader));
  bcx_reader_free(reader);
  return 0;
}
