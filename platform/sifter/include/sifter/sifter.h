/*
 * Description locator: where the info block and the tables lie inside a
 * description file (.prg / .grp), so that a caller can read and unscramble
 * those byte ranges itself (every byte XOR 0x6B).
 *
 * Paths are NUL-terminated narrow texts. Offsets are zero-based byte offsets
 * in the file. A table's length is the next table's start minus its start;
 * for the last table, tableAreaEnd minus its start. Cells inside a table end
 * in NUL, header row first; info block lines "KEY:value" end in LF.
 *
 * Only the file's header and table directory are read. The parsed directory
 * is cached per path and reused while the file's size, modification time and
 * inode stay the same. SIFTER_INFO always checks the file; SIFTER_TABLE
 * answers from the directory last checked for that path (so its indices match
 * the tableCount the caller got) and looks at the file again only when that
 * check is more than a second old. SIFTER_CLEAR_CACHE drops every directory.
 * All entries are thread-safe.
 */
#ifndef SIFTER_SIFTER_H
#define SIFTER_SIFTER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SIFTER_EXPORT __attribute__((visibility("default")))
#else
#define SIFTER_EXPORT
#endif

/* Status values of SIFTER_INFO and SIFTER_TABLE. */
#define SIFTER_OK 0
#define SIFTER_NULL_ARGUMENT 1       /* a pointer argument was NULL */
#define SIFTER_FILE_MISSING 2        /* no file at the path */
#define SIFTER_FILE_UNREADABLE 3     /* cannot be opened or read, or not a regular file */
#define SIFTER_NOT_DESCRIPTION 4     /* too short or wrong magic number */
#define SIFTER_UNSUPPORTED_VERSION 5 /* a description of a format version this library does not know */
#define SIFTER_CORRUPT 6             /* header or table directory inconsistent with the file */
#define SIFTER_TOO_LARGE 7           /* file larger than 2 GB (offsets are 32-bit) */
#define SIFTER_INDEX_OUT_OF_RANGE 8  /* SIFTER_TABLE: index < 0 or >= tableCount */
#define SIFTER_INTERNAL_ERROR 9      /* out of memory */

/* Version number returned by SIFTER: major * 10000 + minor * 100 + patch. */
#define SIFTER_VERSION 10000

/* One table of the directory: 80 bytes, narrow texts, 32-bit fields in host order. */
typedef struct SifterTableEntry {
    char name[64];       /* table name, ends at the first NUL (at most 63 bytes) */
    int32_t start;       /* offset of the table's first byte in the file */
    int32_t reserved;    /* always 0 */
    int32_t columnCount; /* cells per row */
    int32_t rowCount;    /* data rows; the header row is not counted */
} SifterTableEntry;

#ifdef __cplusplus
static_assert(sizeof(SifterTableEntry) == 80, "SifterTableEntry must be 80 bytes");
static_assert(offsetof(SifterTableEntry, start) == 64, "start at 64");
static_assert(offsetof(SifterTableEntry, reserved) == 68, "reserved at 68");
static_assert(offsetof(SifterTableEntry, columnCount) == 72, "columnCount at 72");
static_assert(offsetof(SifterTableEntry, rowCount) == 76, "rowCount at 76");
#else
_Static_assert(sizeof(SifterTableEntry) == 80, "SifterTableEntry must be 80 bytes");
_Static_assert(offsetof(SifterTableEntry, start) == 64, "start at 64");
_Static_assert(offsetof(SifterTableEntry, reserved) == 68, "reserved at 68");
_Static_assert(offsetof(SifterTableEntry, columnCount) == 72, "columnCount at 72");
_Static_assert(offsetof(SifterTableEntry, rowCount) == 76, "rowCount at 76");
#endif

/*
 * Locates the info block and the table area. On success (0): infoOffset and
 * infoLength give the info block (infoLength 0: the file has none; infoOffset
 * is then where it would begin), tableAreaEnd the offset just behind the last
 * table, tableCount the number of tables. On failure the outputs are set to 0.
 */
SIFTER_EXPORT int16_t SIFTER_INFO(const char *path, int32_t *infoOffset, int32_t *infoLength, int32_t *tableAreaEnd,
                                  int32_t *tableCount);

/*
 * Fills entry with table number index (0 .. tableCount - 1). On failure the
 * entry is zeroed (empty name, all counts 0), so a caller that ignores the
 * status sees an empty table.
 */
SIFTER_EXPORT int16_t SIFTER_TABLE(const char *path, SifterTableEntry *entry, int32_t index);

/* The library's version number (SIFTER_VERSION); has no other effect. */
SIFTER_EXPORT int32_t SIFTER(void);

/* Forgets every cached directory; the next call reads the file again. */
SIFTER_EXPORT void SIFTER_CLEAR_CACHE(void);

/* English text for a status value (never NULL). */
SIFTER_EXPORT const char *SIFTER_STATUS_TEXT(int16_t status);

#ifdef __cplusplus
}
#endif

#endif
