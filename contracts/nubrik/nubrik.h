/* nubrik: the PE helper library's C interface.
 *
 * nubrik.dll exports every function below under its name and ordinal (see
 * nubrik.def); both programs import it by ordinal. The host build gives the
 * same functions in libnubrik.a so Linux programs and tests use the same calls.
 *
 * Conventions
 *  - `image` is the first byte of the whole file, mapped read-only. Every call
 *    checks each read against the size of that mapping: register the mapping
 *    with NubrikRegisterImage (required on Linux; on Windows an unregistered
 *    image is measured with VirtualQuery over its mapped view).
 *  - Results given "in the heap" live in the caller's heap until the caller
 *    destroys it whole: a HeapCreate heap on Windows, a NubrikHeapCreate arena
 *    on Linux (both are NUBRIK_HEAP).
 *  - Booleans are 16-bit, non-zero for success. Counts <= 0 mean none.
 *  - Nothing here throws or crashes on malformed files: a structure that runs
 *    past the end of the file is treated as absent, or a list is cut short.
 *  - On i686 Windows every call is __stdcall.
 *
 * Choices the contract leaves open
 *  - Name lists: one block in the heap holding `count` NUL-terminated texts
 *    back to back; *names is set to it, or to null when the count is 0.
 *  - Import texts: an import by name gives its name; an import by ordinal
 *    gives "Ordinal N" with N in decimal (e.g. "Ordinal 17").
 *  - NubrikImportFunctions compares `module` with each descriptor's module
 *    name without regard to ASCII case and takes the occurrence-th (from 0)
 *    matching descriptor, in directory order.
 *  - Sections are named by their 8-byte field up to the first NUL (long
 *    names stay "/4" and the like); NubrikSectionByName takes the first
 *    section of that exact name.
 *  - Exports: the named exports in name-table order, then the exports by
 *    ordinal only in ordinal order; empty slots of the function table are no
 *    exports. NubrikExportCount always equals the length of the table.
 *  - Resources: one record per leaf (type / name / language), in directory
 *    order. A name is its string (UTF-16 turned into 8 bits: characters up to
 *    U+00FF as they are, others as '?') or its numeric id in decimal.
 *  - NubrikEntryPoint returns AddressOfEntryPoint, an RVA (0 when there is no
 *    optional header); the variable it is given is never touched.
 *  - NubrikOptionalHeader fails on a PE32+ file and NubrikOptionalHeader64 on
 *    a PE32 file, so a caller tries the 64-bit call first or reads the magic.
 *    Bytes of the header beyond the end of the file are given as zero.
 *  - NubrikDosHeader needs "MZ" and the 64 bytes in the file. NubrikSignature
 *    gives "MZ" for a DOS file whose e_lfanew points at no known signature,
 *    "PE" only for "PE\0\0", and 0 for a file that does not start with "MZ".
 *  - NubrikDebugEntry points into the image, and only when the whole 28-byte
 *    entry lies inside the file and the directory is at least that long.
 */
#ifndef NUBRIK_NUBRIK_H
#define NUBRIK_NUBRIK_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define NUBRIK_API __stdcall
#else
#define NUBRIK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int16_t NUBRIK_BOOL;
typedef void* NUBRIK_HEAP;

/* Values of NubrikSignature. */
#define NUBRIK_SIG_MZ 0x5A4D
#define NUBRIK_SIG_NE 0x454E
#define NUBRIK_SIG_LE 0x454C
#define NUBRIK_SIG_PE 0x4550

/* One export: 12 bytes in the 32-bit build; the name is a pointer, so the
 * record is 16 bytes in the x64 build. Name is null for an export by ordinal
 * only. EntryRva of a forwarder is the RVA of its forwarder text. */
typedef struct NubrikExportRecord {
  const char* Name;
  int32_t Ordinal;
  uint32_t EntryRva;
} NubrikExportRecord;

/* One resource (a leaf of the resource directory): 20 bytes in the 32-bit
 * build, 24 in the x64 build (Name is a pointer).
 *  Type      numeric type id; a type named by a string gives 0
 *  Language  the second value: the language id of the leaf
 *  Name      the resource's name: its string, or its numeric id in decimal
 *            (both NUL-terminated, in the heap)
 *  OffsetToData, Size  from the data entry (OffsetToData is an RVA) */
typedef struct NubrikResourceRecord {
  uint32_t Type;
  uint32_t Language;
  const char* Name;
  uint32_t OffsetToData;
  uint32_t Size;
} NubrikResourceRecord;

/* Ordinals 2 to 26. */
NUBRIK_BOOL NUBRIK_API NubrikDosHeader(const void* image, void* buffer64);                /* 2 */
uint32_t NUBRIK_API NubrikSignature(const void* image);                                   /* 3 */
NUBRIK_BOOL NUBRIK_API NubrikFileHeader(const void* image, void* buffer20);               /* 4 */
NUBRIK_BOOL NUBRIK_API NubrikOptionalHeader(const void* image, void* buffer224);          /* 5 */
uint32_t NUBRIK_API NubrikEntryPoint(const void* image, uint32_t* unused);                /* 6 */
int32_t NUBRIK_API NubrikSectionNames(const void* image, NUBRIK_HEAP heap, char** names); /* 10 */
NUBRIK_BOOL NUBRIK_API NubrikSectionByName(const void* image, void* buffer40,
                                           const char* name);                              /* 11 */
int32_t NUBRIK_API NubrikImportModules(const void* image, NUBRIK_HEAP heap, char** names); /* 12 */
int32_t NUBRIK_API NubrikImportFunctions(const void* image, NUBRIK_HEAP heap, const char* module,
                                         char** names, int32_t occurrence);                /* 13 */
NubrikExportRecord* NUBRIK_API NubrikExportTable(const void* image, NUBRIK_HEAP heap);     /* 14 */
int32_t NUBRIK_API NubrikExportCount(const void* image);                                   /* 16 */
int32_t NUBRIK_API NubrikResourceCount(const void* image);                                 /* 17 */
NubrikResourceRecord* NUBRIK_API NubrikResourceTable(const void* image, NUBRIK_HEAP heap); /* 18 */
const void* NUBRIK_API NubrikDebugEntry(const void* image);                                /* 23 */
/* Decodes one instruction at *code (64-bit code in the x64 build, 32-bit in
 * the i686 build), writes its text (at most 99 characters and a NUL) and
 * moves *code past it. Returns the instruction's length. */
int32_t NUBRIK_API NubrikDisassemble(const unsigned char** code, char* buffer100); /* 24 */
/* The 64-bit optional header (PE32+ only), 240 bytes. */
NUBRIK_BOOL NUBRIK_API NubrikOptionalHeader64(const void* image, void* buffer240); /* 25 */
/* Bounded decode: never reads at or past `end`; labels the instruction as if
 * it were at `address`; bits is 32 or 64. Returns the length, 0 (and empty
 * text) when not one byte can be read. */
int NUBRIK_API NubrikDisassembleEx(const unsigned char** code, const unsigned char* end,
                                   unsigned long long address, int bits, char* text,
                                   int textSize); /* 26 */

/* Mapping registry: tells the library how large the mapping behind an image
 * is. Register before the first call on an image, unregister before the
 * mapping goes away. Exported by name only. */
NUBRIK_BOOL NUBRIK_API NubrikRegisterImage(const void* image, size_t size);
void NUBRIK_API NubrikUnregisterImage(const void* image);

#ifndef _WIN32
/* The host build's stand-in for HeapCreate/HeapDestroy: an arena freed whole. */
NUBRIK_HEAP NubrikHeapCreate(size_t initialSize);
void NubrikHeapDestroy(NUBRIK_HEAP heap);
#endif

#ifdef __cplusplus
}
#endif

#endif /* NUBRIK_NUBRIK_H */
