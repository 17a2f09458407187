/*
 * bcxdec.h - finds and decodes linear barcodes lying at any angle in raster
 * images.
 *
 * The library keeps one process-wide state: one set of options, one current
 * image and one table of at most 100 results. Call it from one thread at a
 * time. Typical order:
 *
 *   BcxInit -> BcxLoadFromFile / BcxLoadFromMem -> BcxSetPage (multi-page)
 *   -> BcxGetImgSize (also makes the whole image the scan region)
 *   -> BcxSetRegion (optional) -> BcxScanType for each wanted symbology
 *   -> BcxScan -> BcxGetCount and the per-result accessors -> BcxCleanUp
 *
 * Ownership: the host owns nothing the library hands out. Texts are read
 * byte by byte, and the library keeps its own copy of a memory image, so the
 * host may free its block as soon as BcxLoadFromMem returns.
 *
 * Results: functions answering a success flag return 1 or 0; accessors that
 * return a value answer 0xFFFF for an index or position out of range. No
 * function throws, prints or logs.
 */
#ifndef BCXDEC_H
#define BCXDEC_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define BCX_CALL __stdcall
#else
#define BCX_CALL
#endif

#if defined(_WIN32)
#if defined(BCXDEC_BUILDING)
/* Bcxdec.dll's .def file names its exports, undecorated, at their ordinals. */
#define BCX_API
#else
#define BCX_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define BCX_API __attribute__((visibility("default")))
#else
#define BCX_API
#endif

#ifdef __cplusplus
#define BCX_NOEXCEPT noexcept
extern "C" {
#else
#define BCX_NOEXCEPT
#endif

/* Symbology identifiers: the argument of BcxScanType and the result of
 * BcxGetType. */
#define BCX_CODE39 0
#define BCX_CODE128 1
/* Code 128 data opening with FNC1 after Start C. Switching it on does not
 * enable Code 128; it makes such symbols report this type without the FNC1. */
#define BCX_GS1_128 2
#define BCX_EAN13 3 /* text: 12 digits, check digit verified, not included */
#define BCX_EAN8 4  /* text: 7 digits, check digit verified, not included */
#define BCX_UPCA 5  /* text: 12 digits including the check digit */
/* UPC-E text: 11 digits, the UPC-A expansion and check digit, for number
 * system 0; 12 digits, a leading "1" then the same, for number system 1. */
#define BCX_UPCE 6
#define BCX_ITF 7 /* Interleaved 2 of 5 */

/* Image type codes for the loaders. The format is always detected from the
 * content; the code only selects the multi-page path (TIFF pages, GIF
 * frames). After a multi-page load page 0 is current. */
#define BCX_IMG_DETECT 0
#define BCX_IMG_BMP 1
#define BCX_IMG_TIFF 2 /* multi-page */
#define BCX_IMG_PNG 3
#define BCX_IMG_JPEG 4
#define BCX_IMG_PNM 5
#define BCX_IMG_GIF 6 /* multi-page: animation frames */
#define BCX_IMG_WEBP 7

/* Binarisation levels for BcxSetThreshold: 1 to 255 makes a pixel dark when
 * its grey value is below the level (BcxInit sets 128), or one of these. */
#define BCX_THRESHOLD_OTSU (-1)     /* automatic global threshold */
#define BCX_THRESHOLD_ADAPTIVE (-2) /* local threshold for uneven lighting */

/* Sets the defaults (width ratio 10, bar length 0.5 to 8 cm), forgets the
 * image and the results. Symbology switches are left as they are. Returns 1. */
BCX_API uint16_t BCX_CALL BcxInit(void) BCX_NOEXCEPT;

/* Releases the results, the image and the memory copy. Settings stay. Returns 1. */
BCX_API uint16_t BCX_CALL BcxCleanUp(void) BCX_NOEXCEPT;

/* Width ratio bounding a symbol (5..20, else 10), minimum bar length in cm
 * (at least 0.5) and maximum (at most 10). Returns 0 and changes nothing for
 * a non-positive or NaN argument or a minimum above the maximum. */
BCX_API uint16_t BCX_CALL BcxSetLimit(double widthRatio, double minLength,
                                      double maxLength) BCX_NOEXCEPT;

/* Switches symbology `identifier` (0..7) on (enable 1) or off (enable 0);
 * other enable values leave it. Returns 0 for an identifier above 7. */
BCX_API uint16_t BCX_CALL BcxScanType(uint16_t identifier, uint16_t enable) BCX_NOEXCEPT;

/* Binarisation level: 1..255, BCX_THRESHOLD_OTSU or BCX_THRESHOLD_ADAPTIVE.
 * Returns 0 for any other level, which leaves the previous one in force. */
BCX_API uint16_t BCX_CALL BcxSetThreshold(int32_t level) BCX_NOEXCEPT;

/* Loads an image file. Returns 0 for a path of 150 characters or more, an
 * unreadable or unknown file, or an image wider or taller than 65535. */
BCX_API uint16_t BCX_CALL BcxLoadFromFile(const char* path, uint16_t type) BCX_NOEXCEPT;

/* Loads an image from memory; the library keeps its own copy. Returns 0 for
 * a length of 0 or data that is no readable image. Type 0 keeps the type of
 * the previous load for page counting. */
BCX_API uint16_t BCX_CALL BcxLoadFromMem(const uint8_t* data, uint32_t length,
                                         uint16_t type) BCX_NOEXCEPT;

/* Page count of a multi-page image (0 when none is loaded); 1 for any
 * single-page type. */
BCX_API uint16_t BCX_CALL BcxGetNumOfPages(void) BCX_NOEXCEPT;

/* Makes page `page` (from 0) current. Returns 0 for a single-page type, a
 * page out of range or a page that cannot be read. */
BCX_API uint16_t BCX_CALL BcxSetPage(uint16_t page) BCX_NOEXCEPT;

/* Writes the image size and makes the whole image the scan region. Returns 0
 * (writing nothing) when no image is loaded. */
BCX_API uint16_t BCX_CALL BcxGetImgSize(uint16_t* width, uint16_t* height) BCX_NOEXCEPT;

/* Restricts scanning to an inclusive rectangle. Returns 0 unless
 * left < right, top < bottom and the rectangle lies inside the image size
 * last reported by BcxGetImgSize. */
BCX_API uint16_t BCX_CALL BcxSetRegion(uint16_t left, uint16_t top, uint16_t right,
                                       uint16_t bottom) BCX_NOEXCEPT;

/* Scans the region with the enabled symbologies; the previous results go.
 * Returns 1 when at least one symbol was stored; 0 otherwise: no image (the
 * previous results then stay), no BcxGetImgSize since the last load or page
 * change, no symbol found, or out of memory. */
BCX_API uint16_t BCX_CALL BcxScan(void) BCX_NOEXCEPT;

/* Number of results, 0 to 100. */
BCX_API uint16_t BCX_CALL BcxGetCount(void) BCX_NOEXCEPT;

/* Symbology identifier of result `index`, or 0xFFFF when out of range. */
BCX_API uint16_t BCX_CALL BcxGetType(uint16_t index) BCX_NOEXCEPT;

/* Text length of result `index` in bytes, or 0xFFFF when out of range. */
BCX_API uint16_t BCX_CALL BcxGetStrLen(uint16_t index) BCX_NOEXCEPT;

/* Byte `position` of the text of result `index` (0..255; Code 128 function
 * characters FNC1..FNC4 are 201..204), or 0xFFFF when out of range. */
BCX_API uint16_t BCX_CALL BcxGetCharAt(uint16_t index, uint16_t position) BCX_NOEXCEPT;

/* Writes the four corners of result `index` as x * 65536 + y in image
 * coordinates, going round the symbol. Returns 0 and writes nothing when
 * the index is out of range. */
BCX_API uint16_t BCX_CALL BcxGetRect(uint16_t index, uint32_t* corner1, uint32_t* corner2,
                                     uint32_t* corner3, uint32_t* corner4) BCX_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* BCXDEC_H */
