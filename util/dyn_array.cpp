// Growable arrays (see dyn_array.h).
#include "util/dyn_array.h"

#include <stdlib.h>
#include <string.h>

#include "util/file_replace.h"

static dyn_array_status last_status = DYN_ARRAY_OK;

dyn_array_status dyn_array_last_status(void) { return last_status; }

// ---------------------------------------------------------------------------
// Resize arithmetic, in x87 extended precision (long double on x86 GCC and
// MinGW) so that every build gives the same capacity sequences.

// D = 0.5 + 0.005 x min_fill_percent: a freshly resized array is filled to the
// midpoint between min_fill_percent and 100 %.
static long double resize_divisor(float min_fill_percent) {
  return 0.5L + (long double)0.005 * (long double)min_fill_percent;
}

// Truncates a non-negative extended value to 32 bits, saturating.
static uint32_t truncate_u32(long double v) {
  if (!(v >= 0.0L)) return 0;
  if (v >= 4294967295.0L) return 0xFFFFFFFFu;
  return (uint32_t)v;
}

// Same for the signed rules (shrink and load), saturating at INT32_MAX.
static int64_t truncate_i32(long double v) {
  if (!(v > -2147483648.0L)) return -2147483647 - 1;
  if (v >= 2147483647.0L) return 2147483647;
  return (int64_t)(int32_t)v;
}

static uint32_t grown_capacity(const dyn_array* array) {
  float next = (float)((uint64_t)array->count + 1);
  uint32_t capacity = truncate_u32((long double)next / resize_divisor(array->min_fill_percent));
  // A fill rule of 100 % or more would add no slot; never grow by less than one.
  if (capacity <= array->count) capacity = array->count + 1;
  return capacity;
}

// Byte size of n elements, or 0 with *ok cleared when it overflows size_t.
static size_t block_bytes(uint32_t n, uint32_t elem_size, int* ok) {
  uint64_t bytes = (uint64_t)n * elem_size;
  if (bytes > (uint64_t)SIZE_MAX) {
    *ok = 0;
    return 0;
  }
  return (size_t)bytes;
}

static void update_mirror(dyn_array* array) {
  if (array->mirror) *array->mirror = array->data;
}

// Moves the live elements into a new block of new_capacity slots.
// Returns 0 (array unchanged) when the block cannot be had.
static int reallocate(dyn_array* array, uint32_t new_capacity) {
  int ok = 1;
  size_t bytes = block_bytes(new_capacity, array->elem_size, &ok);
  void* block = ok ? malloc(bytes ? bytes : 1) : nullptr;
  if (!block) return 0;
  if (array->count) memcpy(block, array->data, (size_t)array->count * array->elem_size);
  free(array->data);
  array->data = block;
  array->capacity = new_capacity;
  update_mirror(array);
  return 1;
}

// ---------------------------------------------------------------------------
// Construction and copying

// A fresh block of min_capacity slots, or data null and capacity 0.
static void fresh_block(dyn_array* array) {
  int ok = 1;
  size_t bytes = block_bytes(array->min_capacity, array->elem_size, &ok);
  array->data = ok ? malloc(bytes ? bytes : 1) : nullptr;
  array->capacity = array->data ? array->min_capacity : 0;
}

dyn_array dyn_array_new(uint32_t elem_size) {
  dyn_array array;
  array.mirror = nullptr;
  array.count = 0;
  array.min_capacity = DYN_ARRAY_MIN_CAPACITY_DEFAULT;
  array.elem_size = elem_size;
  array.min_fill_percent = DYN_ARRAY_MIN_FILL_DEFAULT;
  fresh_block(&array);
  return array;
}

dyn_array dyn_array_copy(const dyn_array* source) {
  dyn_array array = *source;
  array.mirror = nullptr;
  int ok = 1;
  size_t bytes = block_bytes(source->capacity, source->elem_size, &ok);
  array.data = ok ? malloc(bytes ? bytes : 1) : nullptr;
  if (array.data) {
    if (bytes) memcpy(array.data, source->data, bytes);
  } else {
    array.count = 0;
    array.capacity = 0;
  }
  return array;
}

void** dyn_array_set_mirror(dyn_array* array, void** mirror) {
  void** previous = array->mirror;
  array->mirror = mirror;
  update_mirror(array);
  return previous;
}

// ---------------------------------------------------------------------------
// Adding, finding, removing

void* dyn_array_push_slot(dyn_array* array) {
  if (array->count == 0xFFFFFFFFu) return nullptr;
  if (array->count >= array->capacity && !reallocate(array, grown_capacity(array))) return nullptr;
  void* slot = (char*)array->data + (size_t)array->count * array->elem_size;
  array->count++;
  return slot;
}

uint32_t dyn_array_push(dyn_array* array, const void* element) {
  uint32_t index = array->count;
  // An element inside the array's own live elements moves with the block when
  // the push grows it: remember where it sits and read it from the new block.
  uintptr_t offset = (uintptr_t)element - (uintptr_t)array->data;
  int inside = array->data && (uint64_t)offset < (uint64_t)array->count * array->elem_size;
  void* slot = dyn_array_push_slot(array);
  if (!slot) return DYN_ARRAY_NO_INDEX;
  if (inside) element = (const char*)array->data + offset;
  memmove(slot, element, array->elem_size);
  return index;
}

int64_t dyn_array_find(const dyn_array* array, const void* key) {
  for (int64_t i = (int64_t)array->count - 1; i >= 0; i--) {
    if (memcmp((const char*)array->data + (size_t)i * array->elem_size, key, array->elem_size) == 0) {
      return i;
    }
  }
  return -1;
}

void dyn_array_sort(dyn_array* array, int (*compare)(const void*, const void*)) {
  if (array->count > 1) qsort(array->data, array->count, array->elem_size, compare);
}

// Shrinks after a removal when the fill has dropped below min_fill_percent.
static void shrink_after_removal(dyn_array* array) {
  uint32_t n = array->count;
  long double ratio = (long double)(float)n / (long double)(float)array->capacity;
  if (!((long double)0.01 * (long double)array->min_fill_percent > ratio)) return;
  if (array->capacity <= array->min_capacity) return;
  int64_t wanted = truncate_i32((long double)(float)n / resize_divisor(array->min_fill_percent));
  int64_t floor_capacity = (int32_t)array->min_capacity;
  int64_t capacity = wanted > floor_capacity ? wanted : floor_capacity;
  // Never below the live elements, whatever the record holds.
  if (capacity < (int64_t)n) capacity = n;
  if (capacity < 1) capacity = 1;
  if ((uint32_t)capacity == array->capacity) return;
  reallocate(array, (uint32_t)capacity);  // on failure the larger block stays
}

void dyn_array_remove_at(dyn_array* array, uint32_t index) {
  if (index >= array->count) return;
  uint32_t last = array->count - 1;
  if (index != last) {
    memcpy((char*)array->data + (size_t)index * array->elem_size,
           (char*)array->data + (size_t)last * array->elem_size, array->elem_size);
  }
  array->count = last;
  shrink_after_removal(array);
}

int64_t dyn_array_remove(dyn_array* array, const void* key) {
  int64_t index = dyn_array_find(array, key);
  if (index < 0) return -1;
  dyn_array_remove_at(array, (uint32_t)index);
  return index;
}

// ---------------------------------------------------------------------------
// Clearing, freeing, comparing

void dyn_array_clear(dyn_array* array) {
  free(array->data);
  array->count = 0;
  fresh_block(array);
  update_mirror(array);
}

void dyn_array_free(dyn_array* array) {
  if (!array) return;
  dyn_array_release(*array);
  free(array);
}

void dyn_array_release(dyn_array array) {
  if (array.mirror) *array.mirror = nullptr;
  free(array.data);
}

static uint32_t float_bits(float f) {
  uint32_t bits;
  memcpy(&bits, &f, sizeof bits);
  return bits;
}

int dyn_array_same(dyn_array a, dyn_array b) {
  // Field by field: the record's padding bytes carry no meaning.
  return a.data == b.data && a.mirror == b.mirror && a.count == b.count && a.capacity == b.capacity &&
         a.min_capacity == b.min_capacity && a.elem_size == b.elem_size &&
         float_bits(a.min_fill_percent) == float_bits(b.min_fill_percent);
}

// ---------------------------------------------------------------------------
// File formats (little-endian, no magic, no version)

static void put_u32(uint32_t v, FILE* stream, int* ok) {
  unsigned char bytes[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                            (unsigned char)(v >> 24)};
  if (fwrite(bytes, 4, 1, stream) != 1) *ok = 0;
}

static int get_u32(FILE* stream, uint32_t* v) {
  unsigned char bytes[4];
  if (fread(bytes, 4, 1, stream) != 1) return 0;
  *v = (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
  return 1;
}

static void write_elements(const dyn_array* array, FILE* stream, int* ok) {
  if (array->count == 0 || array->elem_size == 0) return;
  if (fwrite(array->data, array->elem_size, array->count, stream) != array->count) *ok = 0;
}

void dyn_array_write(const dyn_array* array, FILE* stream) {
  int ok = 1;
  uint32_t fill_bits;
  memcpy(&fill_bits, &array->min_fill_percent, 4);
  put_u32(array->count, stream, &ok);
  put_u32(array->elem_size, stream, &ok);
  put_u32(array->min_capacity, stream, &ok);
  put_u32(fill_bits, stream, &ok);
  write_elements(array, stream, &ok);
  last_status = ok ? DYN_ARRAY_OK : DYN_ARRAY_WRITE_FAILED;
}

void dyn_array_write_compact(const dyn_array* array, FILE* stream) {
  int ok = 1;
  put_u32(array->count, stream, &ok);
  if (fputc((int)(array->elem_size & 0xFF), stream) == EOF) ok = 0;
  // Only the low 8 bits of the element size are stored; the elements go out
  // whole, so only element sizes up to 255 survive the round trip.
  write_elements(array, stream, &ok);
  last_status = ok ? DYN_ARRAY_OK : DYN_ARRAY_WRITE_FAILED;
}

// An empty array to hand back for a refused file.
static dyn_array refused(uint32_t elem_size, dyn_array_status why) {
  dyn_array array = dyn_array_new(elem_size >= 1 && elem_size <= 65536 ? elem_size : 1);
  last_status = why;
  return array;
}

// Reads payload_bytes into block, in chunks, so a header that promises more
// than the stream holds costs no more memory than the stream delivers.
static int read_payload(FILE* stream, char* block, uint64_t payload_bytes) {
  uint64_t done = 0;
  while (done < payload_bytes) {
    uint64_t chunk = payload_bytes - done;
    if (chunk > (1u << 20)) chunk = 1u << 20;
    size_t got = fread(block + done, 1, (size_t)chunk, stream);
    done += got;
    if (got != chunk) return 0;
  }
  return 1;
}

// Bytes left in a seekable stream, or -1 when it cannot tell.
static int64_t bytes_remaining(FILE* stream) {
  long here = ftell(stream);
  if (here < 0 || fseek(stream, 0, SEEK_END) != 0) return -1;
  long end = ftell(stream);
  fseek(stream, here, SEEK_SET);
  return end < here ? -1 : (int64_t)(end - here);
}

// Shared tail of both readers: capacity by the load rule, block, elements.
static dyn_array read_body(FILE* stream, uint32_t count, uint32_t elem_size, uint32_t min_capacity,
                           float min_fill_percent) {
  uint64_t payload = (uint64_t)count * elem_size;
  if (payload > 0xFFFFFFFFu) return refused(elem_size, DYN_ARRAY_BAD_HEADER);
  int64_t remaining = bytes_remaining(stream);
  if (remaining >= 0 && (uint64_t)remaining < payload) return refused(elem_size, DYN_ARRAY_TRUNCATED);

  // Load rule: larger (signed) of min_capacity and count / D, truncated.
  int64_t by_count = truncate_i32((long double)count / resize_divisor(min_fill_percent));
  if (by_count < (int64_t)count) by_count = count;
  int64_t by_min = (int32_t)min_capacity;
  int64_t capacity = by_count > by_min ? by_count : by_min;
  // The headroom count / D gives the elements the file holds is always
  // granted; only a min_capacity asking for more than that by over
  // DYN_ARRAY_MAX_SPARE_BYTES is refused.
  uint64_t block_size = (uint64_t)capacity * elem_size;
  uint64_t earned = (uint64_t)by_count * elem_size;
  if (block_size - earned > DYN_ARRAY_MAX_SPARE_BYTES || block_size > SIZE_MAX) {
    return refused(elem_size, DYN_ARRAY_BAD_HEADER);
  }

  dyn_array array;
  array.mirror = nullptr;
  array.count = count;
  array.capacity = (uint32_t)capacity;
  array.min_capacity = min_capacity;
  array.elem_size = elem_size;
  array.min_fill_percent = min_fill_percent;
  if (remaining < 0 && payload > (1u << 20)) {
    // A stream that cannot tell its size and a large claim: the data is
    // gathered in a buffer that grows as it arrives, and the block of full
    // capacity is allocated only once all of the payload is there.
    char* staging = nullptr;
    uint64_t done = 0;
    while (done < payload) {
      uint64_t chunk = payload - done > (1u << 20) ? (1u << 20) : payload - done;
      char* grown = (char*)realloc(staging, (size_t)(done + chunk));
      if (!grown) break;
      staging = grown;
      size_t got = fread(staging + done, 1, (size_t)chunk, stream);
      done += got;
      if (got != chunk) break;
    }
    array.data = done == payload ? malloc((size_t)block_size) : nullptr;
    if (array.data) memcpy(array.data, staging, (size_t)payload);
    free(staging);
    if (done != payload) return refused(elem_size, DYN_ARRAY_TRUNCATED);
    if (!array.data) return refused(elem_size, DYN_ARRAY_NO_MEMORY);
  } else {
    array.data = malloc(block_size ? (size_t)block_size : 1);
    if (!array.data) return refused(elem_size, DYN_ARRAY_NO_MEMORY);
    if (!read_payload(stream, (char*)array.data, payload)) {
      free(array.data);
      return refused(elem_size, DYN_ARRAY_TRUNCATED);
    }
  }
  last_status = DYN_ARRAY_OK;
  return array;
}

dyn_array dyn_array_read(FILE* stream) {
  uint32_t count, elem_size, min_capacity, fill_bits;
  if (!get_u32(stream, &count) || !get_u32(stream, &elem_size) || !get_u32(stream, &min_capacity) ||
      !get_u32(stream, &fill_bits)) {
    return refused(0, DYN_ARRAY_TRUNCATED);
  }
  float min_fill_percent;
  memcpy(&min_fill_percent, &fill_bits, 4);
  if (elem_size == 0 || !(min_fill_percent >= 0.0f && min_fill_percent < 100.0f)) {
    return refused(elem_size, DYN_ARRAY_BAD_HEADER);
  }
  return read_body(stream, count, elem_size, min_capacity, min_fill_percent);
}

dyn_array dyn_array_read_compact(FILE* stream) {
  uint32_t count;
  if (!get_u32(stream, &count)) return refused(0, DYN_ARRAY_TRUNCATED);
  int size_byte = fgetc(stream);
  if (size_byte == EOF) return refused(0, DYN_ARRAY_TRUNCATED);
  if (size_byte == 0) return refused(0, DYN_ARRAY_BAD_HEADER);
  return read_body(stream, count, (uint32_t)size_byte, DYN_ARRAY_MIN_CAPACITY_DEFAULT,
                   DYN_ARRAY_MIN_FILL_DEFAULT);
}

void dyn_array_save_compact(const dyn_array* array, const char* path) {
  // Written beside path and renamed over it only when whole: a failed save
  // leaves the file saved before as it was.
  file_replace save;
  if (!file_replace_begin(&save, path, nullptr)) {
    last_status = DYN_ARRAY_CANNOT_OPEN;
    return;
  }
  dyn_array_write_compact(array, save.stream);
  if (last_status != DYN_ARRAY_OK) {
    file_replace_abandon(&save);
    return;
  }
  if (!file_replace_commit(&save, nullptr)) last_status = DYN_ARRAY_WRITE_FAILED;
}

dyn_array dyn_array_load_compact(const char* path) {
  FILE* stream = fopen(path, "rb");
  if (!stream) return refused(0, DYN_ARRAY_CANNOT_OPEN);
  dyn_array array = dyn_array_read_compact(stream);
  fclose(stream);
  return array;
}
