/*
 * bcxread.h - reentrant barcode readers.
 *
 * A reader holds its own settings, work buffers and results, so any number
 * of readers may be used at once, one per thread; a single reader must not
 * be used by two threads at the same time. Nothing here touches the
 * process-wide state behind bcxdec.h.
 *
 * Ownership: the library allocates and frees every reader (bcx_reader_new,
 * bcx_reader_free) and everything a reader hands out. Texts and error
 * messages stay valid until the next read, setting change or free of that
 * reader. The caller's pixels and bytes are only read during the call.
 *
 * Failures: every function checks its arguments first; NULL readers,
 * negative or oversized sizes, strides below the width, missing files,
 * pages out of range and bytes that are no image give the documented
 * failure value, never a crash. The reader stays usable after any failure
 * and bcx_reader_error tells what went wrong in one line. Nothing throws.
 *
 * Symbology identifiers, used for the type mask and for result types:
 *   0 Code 39, 1 Code 128, 2 GS1-128 (Code 128 data opening with FNC1
 *   after Start C, reported without that FNC1; needs bit 1 as well to be
 *   read), 3 EAN-13, 4 EAN-8, 5 UPC-A, 6 UPC-E, 7 Interleaved 2 of 5.
 * Texts are the decoded bytes with no terminator; Code 128's function
 * characters FNC1 to FNC4 are the bytes 201 to 204.
 */
#ifndef BCXREAD_H
#define BCXREAD_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(BCXREAD_BUILDING)
#define BCXREAD_API __declspec(dllexport)
#elif defined(BCXREAD_STATIC)
#define BCXREAD_API
#else
#define BCXREAD_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define BCXREAD_API __attribute__((visibility("default")))
#else
#define BCXREAD_API
#endif

#ifdef __cplusplus
#define BCXREAD_NOEXCEPT noexcept
extern "C" {
#else
#define BCXREAD_NOEXCEPT
#endif

typedef struct bcx_reader bcx_reader;

#define BCX_MODE_EXACT 0    /* the bcxdec.h exports' behaviour, byte for byte */
#define BCX_MODE_THOROUGH 1 /* the default: tolerant stages for real scans */

#define BCX_ALL_TYPES 0xFFu /* bits 0..7: every symbology */

/* A new reader: every symbology on, thorough mode, threshold 128, limits
 * 10 / 0.5 / 8 cm at 96 pixels per inch, no region. NULL only when memory
 * runs out. */
BCXREAD_API bcx_reader* bcx_reader_new(void) BCXREAD_NOEXCEPT;

/* Frees the reader and everything it handed out; NULL is fine. */
BCXREAD_API void bcx_reader_free(bcx_reader* r) BCXREAD_NOEXCEPT;

/* BCX_MODE_EXACT or BCX_MODE_THOROUGH: 1 ok, 0 refused (reader unchanged). */
BCXREAD_API int bcx_reader_set_mode(bcx_reader* r, int mode) BCXREAD_NOEXCEPT;

/* Bit i switches symbology i on; bits above 7 are refused (0). */
BCXREAD_API int bcx_reader_set_types(bcx_reader* r, uint32_t mask) BCXREAD_NOEXCEPT;

/* 1..255 (a pixel is dark when its grey value is below the level), -1 Otsu
 * or -2 adaptive; anything else is refused (0) and the level stays. */
BCXREAD_API int bcx_reader_set_threshold(bcx_reader* r, int level) BCXREAD_NOEXCEPT;

/* Width ratio bounding a symbol (5..20, else 10) and the shortest and
 * longest bar in cm (at least 0.5, at most 10), for exact mode: thorough mode
 * measures bars in the image's own pixels, whatever its resolution. 0 for a non-positive or NaN
 * argument or min above max; the reader is then unchanged. */
BCXREAD_API int bcx_reader_set_limits(bcx_reader* r, double ratio, double min_cm,
                                      double max_cm) BCXREAD_NOEXCEPT;

/* Pixels per inch that turns the centimetre limits into pixels (1..10000);
 * 96 in a new reader. 0 refused. */
BCXREAD_API int bcx_reader_set_resolution(bcx_reader* r, int pixels_per_inch) BCXREAD_NOEXCEPT;

/* Reads only the inclusive rectangle left..right, top..bottom of every
 * later image; corners stay in image coordinates. A read fails when the
 * rectangle does not lie inside the image. left = top = right = bottom = -1
 * reads whole images again. 0 unless left < right and top < bottom (or all
 * four are -1). */
BCXREAD_API int bcx_reader_set_region(bcx_reader* r, int left, int top, int right,
                                      int bottom) BCXREAD_NOEXCEPT;

/* The most pixels (width x height) an image may have, 1..2^28; 100000000
 * in a new reader. Every later read checks each image, page and frame from
 * its header, before anything of its size is decoded or allocated, and
 * fails with an error naming the size and the budget when it is larger. A
 * progressive JPEG counts every sample its decoder holds (up to 3 a pixel
 * in colour), and building one GIF frame decodes no more pixels than the
 * budget over all the frames it lies on. 0 for a budget out of range, which
 * changes nothing. */
BCXREAD_API int bcx_reader_set_max_pixels(bcx_reader* r, uint64_t max_pixels) BCXREAD_NOEXCEPT;

/* Reads an 8-bit grey image, row y at pixels + y * stride; stride >= width,
 * so a view into a larger image works. Width and height 1..65535. */
BCXREAD_API int bcx_read_gray(bcx_reader* r, const uint8_t* pixels, int width, int height,
                              ptrdiff_t stride) BCXREAD_NOEXCEPT;

/* Reads page `page` (from 0; frames of a GIF, pages of a TIFF) of an image
 * file or of an image held in memory. */
BCXREAD_API int bcx_read_file(bcx_reader* r, const char* path, int page) BCXREAD_NOEXCEPT;
BCXREAD_API int bcx_read_memory(bcx_reader* r, const void* data, size_t size,
                                int page) BCXREAD_NOEXCEPT;
/* Reads: the number of symbols found (>= 0), or < 0 on failure, when the
 * results are empty and bcx_reader_error says why. */

/* Pages of the image last read from a file or memory (1 for single-page
 * formats). A read that failed only because the page or the region does not
 * fit the image still tells its pages; 0 before any such read, after grey
 * pixels, and after any other failure. */
BCXREAD_API int bcx_image_page_count(const bcx_reader* r) BCXREAD_NOEXCEPT;

/* Size of the image last read (the whole page, not the region); 1, or 0
 * with nothing written when no read has succeeded. */
BCXREAD_API int bcx_image_size(const bcx_reader* r, int* width, int* height) BCXREAD_NOEXCEPT;

/* Milliseconds the last read spent decoding the image file (0 for grey
 * pixels) and finding and decoding symbols; 1, or 0 with nothing written
 * for a NULL argument. */
BCXREAD_API int bcx_read_timings(const bcx_reader* r, double* load_ms,
                                 double* scan_ms) BCXREAD_NOEXCEPT;

BCXREAD_API int bcx_result_count(const bcx_reader* r) BCXREAD_NOEXCEPT;

/* Symbology identifier of result i; -1 out of range. */
BCXREAD_API int bcx_result_type(const bcx_reader* r, int i) BCXREAD_NOEXCEPT;

/* Length of result i's text, with *bytes pointing at it (valid until the
 * next read or free); 0 and *bytes = NULL out of range. bytes may be NULL. */
BCXREAD_API size_t bcx_result_text(const bcx_reader* r, int i,
                                   const uint8_t** bytes) BCXREAD_NOEXCEPT;

/* The four corners of result i in image coordinates, x then y, going round
 * the symbol from the first bar's ends to the last bar's; 1, or 0 with
 * nothing written out of range. */
BCXREAD_API int bcx_result_corners(const bcx_reader* r, int i, int32_t xy[8]) BCXREAD_NOEXCEPT;

/* The last failure in words, "" when the last call succeeded or nothing
 * failed yet; never NULL. */
BCXREAD_API const char* bcx_reader_error(const bcx_reader* r) BCXREAD_NOEXCEPT;

/* Short name of a symbology ("code39", "code128", "gs1-128", "ean13",
 * "ean8", "upca", "upce", "itf"), NULL outside 0..7; and the identifier of
 * a name, -1 when unknown. */
BCXREAD_API const char* bcx_symbology_name(int type) BCXREAD_NOEXCEPT;
BCXREAD_API int bcx_symbology_from_name(const char* name) BCXREAD_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* BCXREAD_H */
