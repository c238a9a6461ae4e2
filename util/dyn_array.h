// Growable arrays: fixed-size raw elements in one heap block, with a growth
// and shrink rule computed in extended precision, an optional mirror pointer
// that always holds the block's address, byte-wise search, unordered removal,
// qsort, and two little-endian file formats (full: 16-byte header; compact:
// 5-byte header). Depends on the C library and util/file_replace (saves).
//
// Failure handling (the operations themselves keep their plain results):
// - Allocation failure: push returns DYN_ARRAY_NO_INDEX and push_slot null,
//   with the array unchanged; new/copy/clear leave a record with data null and
//   capacity 0 that grows on its next push; a failed shrink keeps the old block.
// - Readers refuse a file whose header breaks the invariants (elem_size 0,
//   min_fill_percent NaN or outside [0, 100)), whose count x elem_size does not
//   fit 32 bits or exceeds the bytes the stream still holds, that ends early,
//   or whose min_capacity would allocate more than DYN_ARRAY_MAX_SPARE_BYTES
//   beyond the capacity the load rule gives its elements (count / D, always
//   granted, so every file the writers produce reads back whole). A refused
//   read returns a valid empty array
//   (dyn_array_new of the header's elem_size when it is 1..65536, else 1) and
//   dyn_array_last_status() tells why. Payloads are read in bounded chunks, so
//   no allocation is sized from a header the stream has not backed with data.
#pragma once

#include <stdint.h>
#include <stdio.h>

#define DYN_ARRAY_MIN_CAPACITY_DEFAULT 1u
#define DYN_ARRAY_MIN_FILL_DEFAULT 60.0f
#define DYN_ARRAY_NO_INDEX 0xFFFFFFFFu
#define DYN_ARRAY_MAX_SPARE_BYTES (16u * 1024u * 1024u)

struct dyn_array {
  void* data;              // capacity x elem_size bytes, elements from the start
  void** mirror;           // when set, receives data after every reallocation
  uint32_t count;          // elements in use
  uint32_t capacity;       // elements the block holds
  uint32_t min_capacity;   // capacity of a new or cleared array, shrink floor
  uint32_t elem_size;      // bytes per element
  float min_fill_percent;  // shrink threshold and growth headroom, in [0, 100)
};

// Outcome of the last read, write, save or load.
enum dyn_array_status {
  DYN_ARRAY_OK = 0,
  DYN_ARRAY_BAD_HEADER,   // invariant broken or sizes overflow
  DYN_ARRAY_TRUNCATED,    // stream ended before the header or elements did
  DYN_ARRAY_NO_MEMORY,    // the block could not be allocated
  DYN_ARRAY_CANNOT_OPEN,  // save/load path could not be opened
  DYN_ARRAY_WRITE_FAILED  // the stream refused some bytes
};

// New empty array: capacity = min_capacity = 1, min_fill_percent 60.
dyn_array dyn_array_new(uint32_t elem_size);
// Copy with its own block holding all capacity slots of the source; no mirror.
dyn_array dyn_array_copy(const dyn_array* source);
// Sets the mirror (may be null) and writes data into it; returns the old one.
void** dyn_array_set_mirror(dyn_array* array, void** mirror);
// Appends a copy of *element (which may lie in the array's own block);
// returns its index, or DYN_ARRAY_NO_INDEX.
uint32_t dyn_array_push(dyn_array* array, const void* element);
// Appends an uninitialised slot; returns it, or null.
void* dyn_array_push_slot(dyn_array* array);
// Highest index whose element equals *key byte for byte, or -1.
int64_t dyn_array_find(const dyn_array* array, const void* key);
// qsort over the first count elements.
void dyn_array_sort(dyn_array* array, int (*compare)(const void*, const void*));
// Moves the last element into slot index, drops one, then may shrink.
void dyn_array_remove_at(dyn_array* array, uint32_t index);
// Removes the highest element equal to *key; -1 when none, else >= 0.
int64_t dyn_array_remove(dyn_array* array, const void* key);
// Back to a new array's state with the same element size and fill rule.
void dyn_array_clear(dyn_array* array);
// Nulls the mirror, frees the block and the heap record itself.
void dyn_array_free(dyn_array* array);
// Nulls the mirror and frees the block of a record held by value.
void dyn_array_release(dyn_array array);
// 1 when the two records are equal byte for byte, else 0.
int dyn_array_same(dyn_array a, dyn_array b);
// Full format to an open binary stream.
void dyn_array_write(const dyn_array* array, FILE* stream);
// Full format from an open binary stream.
dyn_array dyn_array_read(FILE* stream);
// Compact format to an open binary stream.
void dyn_array_write_compact(const dyn_array* array, FILE* stream);
// Compact format from an open binary stream.
dyn_array dyn_array_read_compact(FILE* stream);
// Compact format to the file at path, replaced whole or not at all: on
// DYN_ARRAY_CANNOT_OPEN or DYN_ARRAY_WRITE_FAILED the file keeps what it held.
void dyn_array_save_compact(const dyn_array* array, const char* path);
// Compact format from the file at path ("rb").
dyn_array dyn_array_load_compact(const char* path);
// Outcome of the last write, read, save or load.
dyn_array_status dyn_array_last_status(void);
