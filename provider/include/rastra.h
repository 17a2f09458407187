/*
 * rastra.h - the image provider: loads images from files or memory, selects
 * pages, crops to a region and binarises it, one byte per pixel.
 *
 * One image is open at a time. Every operation checks its arguments and
 * reports failure through its result; nothing prints, nothing throws.
 * Success flags are 8 bits, non-zero meaning success.
 *
 * Image type codes (the format itself is always detected from the content):
 *   0 detect, 1 BMP, 2 TIFF (multi-page), 3 PNG, 4 JPEG, 5 PNM,
 *   6 GIF (multi-page: frames composited on the logical screen), 7 WebP.
 * Types 2 and 6 are multi-page: they are counted by the Count operations and
 * a page is made current by the Select operations (LoadFile/LoadMemory make
 * page 0 current for them).
 *
 * Images wider or taller than 65535 pixels, or with more than the
 * context's limit of pixels (RASTRA_MAX_PIXELS unless rastra_set_max_pixels
 * lowers it), are refused from their header, before any large allocation.
 *
 * Pixels of any depth (1 to 16 bits, colour-mapped, RGB, RGBA) become 8-bit
 * luminance (0.299 R + 0.587 G + 0.114 B), transparency composed over white.
 * A file that is truncated or damaged anywhere is refused whole, and a failed
 * load or page selection leaves no current image.
 */
#ifndef RASTRA_H
#define RASTRA_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define RASTRA_CALL __stdcall
#else
#define RASTRA_CALL
#endif

#if defined(__GNUC__) && !defined(_WIN32)
#define RASTRA_API __attribute__((visibility("default")))
#else
#define RASTRA_API
#endif

#ifdef __cplusplus
#define RASTRA_NOEXCEPT noexcept
extern "C" {
#else
#define RASTRA_NOEXCEPT
#endif

#define RASTRA_TYPE_DETECT 0
#define RASTRA_TYPE_BMP 1
#define RASTRA_TYPE_TIFF 2 /* multi-page */
#define RASTRA_TYPE_PNG 3
#define RASTRA_TYPE_JPEG 4
#define RASTRA_TYPE_PNM 5
#define RASTRA_TYPE_GIF 6 /* multi-page: frames */
#define RASTRA_TYPE_WEBP 7

#define RASTRA_MAX_PIXELS (1u << 28)
#define RASTRA_MAX_SIDE 65535u
#define RASTRA_THRESHOLD_OTSU (-1)
#define RASTRA_THRESHOLD_ADAPTIVE (-2)
#define RASTRA_DEFAULT_THRESHOLD 128

/*
 * Providers as values: every rastra_context holds its own image, region,
 * level and remembered path, so contexts may be used from different threads
 * at once (one context by one thread at a time). A new context has no
 * image and level 128. A NULL context fails like a missing image.
 */
typedef struct rastra_context rastra_context;

/* NULL only when memory runs out. */
RASTRA_API rastra_context* RASTRA_CALL rastra_new(void) RASTRA_NOEXCEPT;
/* Releases the context and its image; NULL is fine. */
RASTRA_API void RASTRA_CALL rastra_free(rastra_context* c) RASTRA_NOEXCEPT;

/* The operations below, each on one context, as the operations of the same
 * name further down act on the library's one implicit context. */
RASTRA_API void RASTRA_CALL rastra_release_image(rastra_context* c) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_load_memory(rastra_context* c, const uint8_t* block,
                                                  size_t length, uint16_t type) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_load_file(rastra_context* c, const char* path,
                                                uint16_t type) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_get_size(const rastra_context* c, int32_t* width,
                                               int32_t* height) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_get_binary_pixels(rastra_context* c, uint8_t* buffer,
                                                        int32_t width,
                                                        int32_t height) RASTRA_NOEXCEPT;
RASTRA_API uint16_t RASTRA_CALL rastra_count_file_pages(rastra_context* c, const char* path,
                                                        uint16_t type) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_select_file_page(rastra_context* c,
                                                       uint16_t page) RASTRA_NOEXCEPT;
RASTRA_API void RASTRA_CALL rastra_set_region(rastra_context* c, uint16_t left, uint16_t top,
                                              uint16_t right, uint16_t bottom) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_set_threshold(rastra_context* c,
                                                    int32_t level) RASTRA_NOEXCEPT;
RASTRA_API uint16_t RASTRA_CALL rastra_count_memory_pages(rastra_context* c, const uint8_t* block,
                                                          size_t length,
                                                          uint16_t type) RASTRA_NOEXCEPT;
RASTRA_API uint8_t RASTRA_CALL rastra_select_memory_page(rastra_context* c, const uint8_t* block,
                                                         size_t length, uint16_t type,
                                                         uint16_t page) RASTRA_NOEXCEPT;

/* Most pixels an image may have, 1..RASTRA_MAX_PIXELS, RASTRA_MAX_PIXELS
 * in a new context and in the implicit one. Every image, TIFF page and GIF
 * frame (and the logical screen) is checked from its header, before its
 * pixels are decoded or allocated; a progressive JPEG counts every sample
 * its decoder holds, and building a GIF frame decodes no more pixels than
 * the limit over all the frames it lies on. 0 for a limit out of range, which
 * changes nothing. */
RASTRA_API uint8_t RASTRA_CALL rastra_set_max_pixels(rastra_context* c,
                                                     uint64_t pixels) RASTRA_NOEXCEPT;
/* The context's limit; 0 for NULL. */
RASTRA_API uint64_t RASTRA_CALL rastra_get_max_pixels(const rastra_context* c) RASTRA_NOEXCEPT;
/* 1 when the last load, count or page selection failed because a header
 * claimed a size beyond the limit or a side beyond 65535, writing that
 * size; 0, nothing written, otherwise. */
RASTRA_API uint8_t RASTRA_CALL rastra_refused_size(const rastra_context* c, uint64_t* width,
                                                   uint64_t* height) RASTRA_NOEXCEPT;

/* The whole current image as 8-bit grey, rows width bytes apart, valid
 * until the context loads, releases or is freed; 0 without an image. */
RASTRA_API uint8_t RASTRA_CALL rastra_get_grey(const rastra_context* c, const uint8_t** pixels,
                                               int32_t* width, int32_t* height) RASTRA_NOEXCEPT;

/* The type code of the format the leading bytes show (RASTRA_TYPE_TIFF and
 * RASTRA_TYPE_GIF for the multi-page formats), RASTRA_TYPE_DETECT when they
 * show none; only the first 12 bytes are looked at. */
RASTRA_API uint16_t RASTRA_CALL rastra_detect_type(const uint8_t* data,
                                                   size_t length) RASTRA_NOEXCEPT;

/* Binarises any grey buffer (row y at grey + y * stride, stride >= width)
 * into out (width * height bytes, 1 dark, 0 light) with a level as for
 * rastra_set_threshold. 0, nothing written, for bad arguments; 0 also when
 * the adaptive level runs out of memory. Uses no context. */
RASTRA_API uint8_t RASTRA_CALL rastra_binarize(const uint8_t* grey, int32_t width, int32_t height,
                                               ptrdiff_t stride, int32_t level,
                                               uint8_t* out) RASTRA_NOEXCEPT;

/*
 * The eleven operations of the original provider interface, over one
 * implicit context. The shared library exports them only on Windows, where
 * hosts import them by ordinal; elsewhere they are reached through the
 * static library, and the rastra_ names above are the whole interface.
 */

/* Forgets the current image and the remembered file path. */
RASTRA_API void RASTRA_CALL ReleaseImage(void) RASTRA_NOEXCEPT;

/* Loads an image from a memory block; for types 2 and 6 page 0. The block
 * is read during the call only. The region becomes the whole image. */
RASTRA_API uint8_t RASTRA_CALL LoadMemory(const uint8_t* block, uint32_t length,
                                          uint16_t type) RASTRA_NOEXCEPT;

/* Loads an image file; for types 2 and 6 page 0. The region becomes the
 * whole image. */
RASTRA_API uint8_t RASTRA_CALL LoadFile(const char* path, uint16_t type) RASTRA_NOEXCEPT;

/* Size of the whole current image (not of the region). */
RASTRA_API uint8_t RASTRA_CALL GetSize(int32_t* width, int32_t* height) RASTRA_NOEXCEPT;

/* Writes the current region, binarised, row by row from the top: 1 dark,
 * 0 light. Refuses (0, nothing written) unless the region is exactly
 * width x height pixels. Rastra.dll keeps the operation's original single
 * argument, which hosts of the DLL push: the buffer must hold the region
 * the caller last set (or the whole image after a load). */
#if defined(_WIN32)
RASTRA_API uint8_t RASTRA_CALL GetBinaryPixels(uint8_t* buffer) RASTRA_NOEXCEPT;
#else
RASTRA_API uint8_t RASTRA_CALL GetBinaryPixels(uint8_t* buffer, int32_t width,
                                               int32_t height) RASTRA_NOEXCEPT;
#endif

/* Pages of a file: for types 2 and 6 the page or frame count of a TIFF or
 * GIF, otherwise 1 when the file decodes as an image (page 0 is decoded to
 * check it, then dropped; the current image is untouched). 0 when
 * unreadable. Remembers the path for SelectFilePage. */
RASTRA_API uint16_t RASTRA_CALL CountFilePages(const char* path, uint16_t type) RASTRA_NOEXCEPT;

/* Makes page `page` of the last file passed to LoadFile or CountFilePages
 * current, read again from disk with the type given there; only page 0
 * exists for single-page types. The region becomes the whole page. */
RASTRA_API uint8_t RASTRA_CALL SelectFilePage(uint16_t page) RASTRA_NOEXCEPT;

/* Crops to an inclusive rectangle of the current image; ignored unless it
 * lies inside the image with left <= right and top <= bottom. */
RASTRA_API void RASTRA_CALL SetRegion(uint16_t left, uint16_t top, uint16_t right,
                                      uint16_t bottom) RASTRA_NOEXCEPT;

/* Binarisation level: 1..255 (dark when grey < level), -1 Otsu, -2
 * adaptive (Sauvola). The automatic levels are computed over the region at
 * each GetBinaryPixels. Any other level is refused and the previous one
 * stays; the level outlives loads and ReleaseImage. */
RASTRA_API uint8_t RASTRA_CALL SetThreshold(int32_t level) RASTRA_NOEXCEPT;

/* Pages of a memory block, as CountFilePages. */
RASTRA_API uint16_t RASTRA_CALL CountMemoryPages(const uint8_t* block, uint32_t length,
                                                 uint16_t type) RASTRA_NOEXCEPT;

/* Loads page `page` of a memory block and makes it current. */
RASTRA_API uint8_t RASTRA_CALL SelectMemoryPage(const uint8_t* block, uint32_t length,
                                                uint16_t type, uint16_t page) RASTRA_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* RASTRA_H */
