// Growable arrays: capacity sequences of the resize rule, removal order,
// mirror tracking, both file formats byte for byte, and refusal of files that
// would make a reader allocate or read beyond what they hold.
#include "util/dyn_array.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/temp_files.h"

namespace {

std::vector<uint32_t> capacities_while_pushing(float min_fill, int pushes) {
  dyn_array a = dyn_array_new(4);
  a.min_fill_percent = min_fill;
  std::vector<uint32_t> seen{a.capacity};
  for (int32_t i = 0; i < pushes; i++) {
    dyn_array_push(&a, &i);
    if (a.capacity != seen.back()) seen.push_back(a.capacity);
  }
  dyn_array_release(a);
  return seen;
}

dyn_array filled(uint32_t n) {
  dyn_array a = dyn_array_new(4);
  for (int32_t i = 0; i < (int32_t)n; i++) dyn_array_push(&a, &i);
  return a;
}

// Builds an array of the given capacity holding `start` elements, then removes
// from the end down to `end` elements and reports the capacity.
uint32_t capacity_after_removals(uint32_t capacity, uint32_t start, uint32_t end) {
  dyn_array a = dyn_array_new(4);
  free(a.data);
  a.data = calloc(capacity, 4);
  a.capacity = capacity;
  a.count = start;
  while (a.count > end) dyn_array_remove_at(&a, a.count - 1);
  uint32_t result = a.capacity;
  dyn_array_release(a);
  return result;
}

int32_t at(const dyn_array& a, uint32_t i) { return ((const int32_t*)a.data)[i]; }

std::vector<unsigned char> file_bytes(FILE* f) {
  fflush(f);
  rewind(f);
  std::vector<unsigned char> bytes;
  int c;
  while ((c = fgetc(f)) != EOF) bytes.push_back((unsigned char)c);
  rewind(f);
  return bytes;
}

FILE* stream_of(const std::vector<unsigned char>& bytes) {
  FILE* f = tmpfile();
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  return f;
}

int compare_int(const void* a, const void* b) {
  int32_t x = *(const int32_t*)a, y = *(const int32_t*)b;
  return (x > y) - (x < y);
}

}  // namespace

TEST(DynArrayResize, GrowthSequenceWithDefaults) {
  std::vector<uint32_t> expected{1, 2, 3, 4, 6, 8, 11, 14, 18, 23, 29, 37, 47, 59, 74};
  EXPECT_EQ(capacities_while_pushing(60.0f, 60), expected);
}

TEST(DynArrayResize, GrowthSequenceWithZeroFill) {
  std::vector<uint32_t> expected{1, 4, 10, 22, 46};
  EXPECT_EQ(capacities_while_pushing(0.0f, 40), expected);
}

TEST(DynArrayResize, ShrinkThresholds) {
  EXPECT_EQ(capacity_after_removals(5, 5, 3), 3u);  // exactly at 60 % still shrinks
  EXPECT_EQ(capacity_after_removals(5, 5, 4), 5u);
  EXPECT_EQ(capacity_after_removals(8, 8, 4), 4u);
  EXPECT_EQ(capacity_after_removals(10, 10, 6), 7u);
  EXPECT_EQ(capacity_after_removals(1, 1, 0), 1u);  // never below min_capacity
  EXPECT_EQ(capacity_after_removals(2, 2, 1), 1u);
  EXPECT_EQ(capacity_after_removals(2, 2, 0), 1u);
}

TEST(DynArrayResize, FullFillRuleStillGrowsByOne) {
  dyn_array a = dyn_array_new(4);
  a.min_fill_percent = 150.0f;  // breaks the invariant; pushing must stay in bounds
  for (int32_t i = 0; i < 20; i++) EXPECT_EQ(dyn_array_push(&a, &i), (uint32_t)i);
  EXPECT_GE(a.capacity, a.count);
  EXPECT_EQ(at(a, 19), 19);
  dyn_array_release(a);
}

TEST(DynArrayOps, RemovalMovesLastIntoHole) {
  dyn_array a = filled(3);  // [0, 1, 2]
  dyn_array_remove_at(&a, 0);
  ASSERT_EQ(a.count, 2u);
  EXPECT_EQ(at(a, 0), 2);
  EXPECT_EQ(at(a, 1), 1);
  dyn_array_remove_at(&a, 5);  // out of range: nothing
  EXPECT_EQ(a.count, 2u);
  dyn_array_remove_at(&a, 1);  // last slot: count only
  EXPECT_EQ(a.count, 1u);
  EXPECT_EQ(at(a, 0), 2);
  dyn_array_release(a);

  dyn_array empty = dyn_array_new(4);
  dyn_array_remove_at(&empty, 0);
  EXPECT_EQ(empty.count, 0u);
  EXPECT_EQ(empty.capacity, 1u);
  dyn_array_release(empty);
}

TEST(DynArrayOps, FindPrefersHighestAndRemoveUsesIt) {
  dyn_array a = dyn_array_new(4);
  int32_t seq[3] = {7, 9, 7};
  for (int32_t v : seq) dyn_array_push(&a, &v);
  int32_t seven = 7, missing = 3;
  EXPECT_EQ(dyn_array_find(&a, &seven), 2);
  EXPECT_EQ(dyn_array_find(&a, &missing), -1);
  EXPECT_EQ(dyn_array_remove(&a, &missing), -1);
  EXPECT_EQ(a.count, 3u);
  EXPECT_GE(dyn_array_remove(&a, &seven), 0);
  ASSERT_EQ(a.count, 2u);
  EXPECT_EQ(at(a, 0), 7);
  EXPECT_EQ(at(a, 1), 9);
  dyn_array_release(a);

  dyn_array empty = dyn_array_new(4);
  EXPECT_EQ(dyn_array_find(&empty, &seven), -1);
  dyn_array_release(empty);
}

TEST(DynArrayOps, SortCopyClearSame) {
  dyn_array a = dyn_array_new(4);
  int32_t values[5] = {5, -2, 9, 0, 3};
  for (int32_t v : values) dyn_array_push(&a, &v);
  dyn_array_sort(&a, compare_int);
  EXPECT_EQ(at(a, 0), -2);
  EXPECT_EQ(at(a, 4), 9);

  dyn_array b = dyn_array_copy(&a);
  EXPECT_EQ(b.capacity, a.capacity);
  EXPECT_NE(b.data, a.data);
  EXPECT_EQ(memcmp(a.data, b.data, (size_t)a.capacity * 4), 0);
  EXPECT_FALSE(dyn_array_same(a, b));
  EXPECT_TRUE(dyn_array_same(a, a));
  ((int32_t*)b.data)[0] = 100;
  EXPECT_EQ(at(a, 0), -2);

  a.min_capacity = 3;
  void* mirror = nullptr;
  dyn_array_set_mirror(&a, &mirror);
  dyn_array_clear(&a);
  EXPECT_EQ(a.count, 0u);
  EXPECT_EQ(a.capacity, 3u);
  EXPECT_EQ(mirror, a.data);
  dyn_array_release(a);
  dyn_array_release(b);
}

TEST(DynArrayOps, MirrorFollowsEveryReallocation) {
  dyn_array* a = (dyn_array*)malloc(sizeof(dyn_array));
  *a = dyn_array_new(4);
  void* mirror = nullptr;
  void* other = nullptr;
  EXPECT_EQ(dyn_array_set_mirror(a, &mirror), nullptr);
  EXPECT_EQ(mirror, a->data);
  for (int32_t i = 0; i < 50; i++) {
    dyn_array_push(a, &i);
    ASSERT_EQ(mirror, a->data);
  }
  while (a->count > 2) {
    dyn_array_remove_at(a, 0);
    ASSERT_EQ(mirror, a->data);
  }
  EXPECT_EQ(dyn_array_set_mirror(a, &other), &mirror);
  EXPECT_EQ(other, a->data);
  EXPECT_NE(mirror, nullptr);  // the old variable is not cleared
  dyn_array_free(a);
  EXPECT_EQ(other, nullptr);
}

TEST(DynArrayOps, PushOfAnElementInsideTheBlock) {
  // The element lives in the block that the push reallocates: it must arrive
  // intact, whichever slot it comes from and whether or not the push grows.
  struct wide {
    int32_t v[6];
  };
  dyn_array a = dyn_array_new(sizeof(wide));
  for (int32_t i = 0; i < 4; i++) {
    wide w = {{i, i + 10, i + 20, i + 30, i + 40, i + 50}};
    dyn_array_push(&a, &w);
  }
  ASSERT_EQ(a.count, a.capacity);  // 4 of 4: the next push grows
  EXPECT_EQ(dyn_array_push(&a, a.data), 4u);
  ASSERT_EQ(a.count, a.capacity - 1);  // 5 of 6: the next push does not
  EXPECT_EQ(dyn_array_push(&a, (wide*)a.data + 2), 5u);
  ASSERT_EQ(a.count, a.capacity);  // 6 of 6: grows again, from the last slot
  EXPECT_EQ(dyn_array_push(&a, (wide*)a.data + 5), 6u);
  const int32_t firsts[7] = {0, 1, 2, 3, 0, 2, 2};
  for (uint32_t i = 0; i < 7; i++) {
    const wide& w = ((const wide*)a.data)[i];
    for (int k = 0; k < 6; k++) EXPECT_EQ(w.v[k], firsts[i] + 10 * k) << "slot " << i << " word " << k;
  }
  dyn_array_release(a);
}

// Writes a file of `count` one-byte elements whose bytes follow i * 7 + 3,
// through the array's own writer (full format when fill >= 0, else compact),
// reads it back and checks every byte.
static void round_trip_large(uint32_t count, float fill, uint32_t expected_capacity) {
  dyn_array a = dyn_array_new(1);
  free(a.data);
  a.data = malloc(count);
  ASSERT_NE(a.data, nullptr);
  a.count = a.capacity = count;
  for (uint32_t i = 0; i < count; i++) ((unsigned char*)a.data)[i] = (unsigned char)(i * 7 + 3);
  std::string path = temp_path("large.bin");
  FILE* f = fopen(path.c_str(), "w+b");
  ASSERT_NE(f, nullptr);
  if (fill >= 0) {
    a.min_fill_percent = fill;
    dyn_array_write(&a, f);
  } else {
    dyn_array_write_compact(&a, f);
  }
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  rewind(f);
  dyn_array b = fill >= 0 ? dyn_array_read(f) : dyn_array_read_compact(f);
  fclose(f);
  remove(path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  EXPECT_EQ(b.count, count);
  EXPECT_EQ(b.capacity, expected_capacity);
  if (b.count == count) {
    EXPECT_EQ(memcmp(a.data, b.data, count), 0);
  }
  dyn_array_release(a);
  dyn_array_release(b);
}

TEST(DynArrayFiles, LargeFilesReadBackWhole) {
  // The load rule's headroom (count / D) is no inflated minimum capacity:
  // 70 million bytes at the default fill get 87.5 million slots, 17 million
  // at fill 0 get 34 million, both more than 16 MiB beyond their elements.
  round_trip_large(70000000u, -1.0f, 87499999u);
  round_trip_large(17000000u, 0.0f, 34000000u);
}

TEST(DynArrayFiles, CompactBytesAndReload) {
  dyn_array a = filled(3);
  FILE* f = tmpfile();
  dyn_array_write_compact(&a, f);
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  std::vector<unsigned char> expected{3, 0, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
  EXPECT_EQ(file_bytes(f), expected);
  dyn_array b = dyn_array_read_compact(f);
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  EXPECT_EQ(b.count, 3u);
  EXPECT_EQ(b.capacity, 3u);
  EXPECT_EQ(b.min_capacity, 1u);
  EXPECT_EQ(b.min_fill_percent, 60.0f);
  EXPECT_EQ(b.mirror, nullptr);
  EXPECT_EQ(memcmp(a.data, b.data, 12), 0);
  fclose(f);
  dyn_array_release(a);
  dyn_array_release(b);
}

TEST(DynArrayFiles, FullFormatRestoresHeaderFields) {
  dyn_array a = filled(3);
  a.min_capacity = 10;
  a.min_fill_percent = 25.0f;
  FILE* f = tmpfile();
  dyn_array_write(&a, f);
  std::vector<unsigned char> bytes = file_bytes(f);
  ASSERT_EQ(bytes.size(), 28u);
  std::vector<unsigned char> header(bytes.begin(), bytes.begin() + 16);
  std::vector<unsigned char> expected{3, 0, 0, 0, 4, 0, 0, 0, 10, 0, 0, 0, 0x00, 0x00, 0xC8, 0x41};
  EXPECT_EQ(header, expected);
  dyn_array b = dyn_array_read(f);
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  EXPECT_EQ(b.count, 3u);
  EXPECT_EQ(b.min_capacity, 10u);
  EXPECT_EQ(b.min_fill_percent, 25.0f);
  EXPECT_EQ(b.capacity, 10u);  // larger of min_capacity and 3 / D
  EXPECT_EQ(memcmp(a.data, b.data, 12), 0);
  fclose(f);
  dyn_array_release(a);
  dyn_array_release(b);
}

TEST(DynArrayFiles, RefusesBrokenHeadersAndShortStreams) {
  struct bad_case {
    const char* what;
    std::vector<unsigned char> bytes;
    dyn_array_status status;
  };
  const bad_case cases[] = {
      {"empty stream", {}, DYN_ARRAY_TRUNCATED},
      {"header cut short", {1, 0, 0, 0, 4, 0}, DYN_ARRAY_TRUNCATED},
      {"zero element size", {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42}, DYN_ARRAY_BAD_HEADER},
      {"fill of 100", {0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xC8, 0x42}, DYN_ARRAY_BAD_HEADER},
      {"negative fill", {0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x80, 0xBF}, DYN_ARRAY_BAD_HEADER},
      {"NaN fill", {0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xC0, 0x7F}, DYN_ARRAY_BAD_HEADER},
      {"4 billion elements in 16 bytes",
       {0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42},
       DYN_ARRAY_TRUNCATED},
      {"count x size overflows",
       {0, 0, 0, 0x40, 8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42},
       DYN_ARRAY_BAD_HEADER},
      {"elements cut short",
       {2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x70, 0x42, 1, 2, 3, 4, 5},
       DYN_ARRAY_TRUNCATED},
      {"huge minimum capacity",
       {0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0x70, 0, 0, 0x70, 0x42},
       DYN_ARRAY_BAD_HEADER},
  };
  for (const bad_case& c : cases) {
    FILE* f = stream_of(c.bytes);
    dyn_array a = dyn_array_read(f);
    EXPECT_EQ(dyn_array_last_status(), c.status) << c.what;
    EXPECT_EQ(a.count, 0u) << c.what;
    EXPECT_GE(a.capacity, 1u) << c.what;
    EXPECT_GE(a.elem_size, 1u) << c.what;
    EXPECT_NE(dyn_array_push_slot(&a), nullptr) << c.what;  // the refusal is a usable array
    dyn_array_release(a);
    fclose(f);
  }

  const std::vector<unsigned char> compact_cases[] = {
      {3, 0, 0},                             // header cut short
      {1, 0, 0, 0, 0},                       // element size 0
      {3, 0, 0, 0, 4, 1, 2, 3, 4, 5, 6, 7},  // elements cut short
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},        // 4 billion 255-byte elements
  };
  for (const auto& bytes : compact_cases) {
    FILE* f = stream_of(bytes);
    dyn_array a = dyn_array_read_compact(f);
    EXPECT_NE(dyn_array_last_status(), DYN_ARRAY_OK);
    EXPECT_EQ(a.count, 0u);
    dyn_array_release(a);
    fclose(f);
  }

  // A valid empty file is told apart from a refused one by the status.
  FILE* f = stream_of({0, 0, 0, 0, 4});
  dyn_array empty = dyn_array_read_compact(f);
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  EXPECT_EQ(empty.count, 0u);
  dyn_array_release(empty);
  fclose(f);
}

TEST(DynArrayFiles, SaveAndLoadByPath) {
  std::string path = temp_path("compact.bin");
  dyn_array a = filled(5);
  dyn_array_save_compact(&a, path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  dyn_array b = dyn_array_load_compact(path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  ASSERT_EQ(b.count, 5u);
  EXPECT_EQ(b.capacity, 6u);
  EXPECT_EQ(at(b, 4), 4);
  remove(path.c_str());

  std::string nowhere = temp_path("no/such/dir/file.bin");
  dyn_array_save_compact(&a, nowhere.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_CANNOT_OPEN);
  dyn_array c = dyn_array_load_compact(nowhere.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_CANNOT_OPEN);
  EXPECT_EQ(c.count, 0u);
  dyn_array_release(a);
  dyn_array_release(b);
  dyn_array_release(c);
}
