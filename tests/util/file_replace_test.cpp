// Files replaced whole or not at all, tried with the faults that happen: the
// disk filling at the header, in the middle and at the last byte, no
// permission to write, the process killed mid-save, and something else in the
// way. After each the old file reads back whole and no temporary is left
// (a killed save leaves one that the next save removes). The disk-full, kill
// and permission faults need POSIX process calls; the Windows build checks a
// read-only target, a target another program holds open (the rename at the
// end fails) and the path faults instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "support/temp_files.h"
#include "util/dyn_array.h"
#include "util/file_replace.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// A fresh, empty folder for one test.
std::string fresh_folder(const std::string& name) {
  std::string dir = temp_path(name);
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  return dir;
}

// Names in dir that are temporaries of a save (".NAME.tmp-...").
std::vector<std::string> temporaries(const std::string& dir) {
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.find(".tmp-") != std::string::npos) found.push_back(name);
  }
  return found;
}

// An array of count ints 0, 1, 2, ...
dyn_array int_array(uint32_t count, int first) {
  dyn_array a = dyn_array_new(sizeof(int));
  for (uint32_t i = 0; i < count; i++) {
    int v = first + (int)i;
    dyn_array_push(&a, &v);
  }
  return a;
}

// The array at path holds exactly count ints from first on.
::testing::AssertionResult holds_ints(const std::string& path, uint32_t count, int first) {
  dyn_array a = dyn_array_load_compact(path.c_str());
  dyn_array_status status = dyn_array_last_status();
  bool same = status == DYN_ARRAY_OK && a.count == count;
  for (uint32_t i = 0; same && i < count; i++) same = ((const int*)a.data)[i] == first + (int)i;
  uint32_t got = a.count;
  dyn_array_release(a);
  if (same) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << path << ": status " << status << ", " << got
                                       << " elements, expected " << count << " from " << first;
}

#ifndef _WIN32
// Runs body in a child process and returns its exit status (-signal when a
// signal ended it).
template <typename F>
int in_child(F body) {
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}
#endif

}  // namespace

TEST(FileReplace, WritesReplacesAndLeavesNoTemporary) {
  std::string dir = fresh_folder("fr_plain");
  std::string path = dir + "/data.bin";
  std::string why;
  const char first[] = "first\r\n\0content";
  ASSERT_TRUE(file_replace_write(path.c_str(), first, sizeof first, &why)) << why;
  EXPECT_EQ(read_whole_file(path), std::string(first, sizeof first));  // binary: bytes as given
  ASSERT_TRUE(file_replace_write(path.c_str(), "2", 1, &why)) << why;
  EXPECT_EQ(read_whole_file(path), "2");
  ASSERT_TRUE(file_replace_write(path.c_str(), "", 0, &why)) << why;
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(read_whole_file(path), "");
  EXPECT_TRUE(temporaries(dir).empty());

  // Abandoned: the path keeps what it held.
  file_replace r;
  ASSERT_TRUE(file_replace_begin(&r, path.c_str(), &why)) << why;
  EXPECT_TRUE(file_replace_put(&r, "lost", 4));
  EXPECT_EQ(temporaries(dir).size(), 1u);
  file_replace_abandon(&r);
  EXPECT_EQ(read_whole_file(path), "");
  EXPECT_TRUE(temporaries(dir).empty());
}

TEST(FileReplace, SomethingInTheWayRefusesAndKeepsTheOldFile) {
  std::string dir = fresh_folder("fr_in_way");
  std::string why;
  // A folder where the file should be.
  fs::create_directories(dir + "/folder");
  EXPECT_FALSE(file_replace_write((dir + "/folder").c_str(), "x", 1, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(fs::is_directory(dir + "/folder"));
  // A file where the folder should be.
  ASSERT_TRUE(file_replace_write((dir + "/plain").c_str(), "old", 3, &why)) << why;
  why.clear();
  EXPECT_FALSE(file_replace_write((dir + "/plain/inner").c_str(), "x", 1, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(read_whole_file(dir + "/plain"), "old");
  // A missing folder is not made by a save.
  EXPECT_FALSE(file_replace_write((dir + "/missing/file").c_str(), "x", 1, &why));
  dyn_array a = int_array(10, 0);
  dyn_array_save_compact(&a, (dir + "/plain/inner").c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_CANNOT_OPEN);
  dyn_array_release(a);
  EXPECT_TRUE(temporaries(dir).empty());
}

#ifdef _WIN32
TEST(FileReplace, ReadOnlyTargetIsKeptWhole) {
  std::string dir = fresh_folder("fr_readonly");
  std::string path = dir + "/data.bin";
  dyn_array a = int_array(1000, 0);
  dyn_array_save_compact(&a, path.c_str());
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  dyn_array b = int_array(2000, 7);
  dyn_array_save_compact(&b, path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_CANNOT_OPEN);
  std::string why;
  EXPECT_FALSE(file_replace_write(path.c_str(), "x", 1, &why));
  EXPECT_FALSE(why.empty());
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(holds_ints(path, 1000, 0));
  EXPECT_TRUE(temporaries(dir).empty());
  dyn_array_release(a);
  dyn_array_release(b);
}

// Another program holds the file open without sharing it: the rename at the
// end fails after the whole new content was written.
TEST(FileReplace, TargetHeldOpenIsKeptWhole) {
  std::string dir = fresh_folder("fr_held");
  std::string path = dir + "/data.bin";
  dyn_array a = int_array(1000, 0);
  dyn_array_save_compact(&a, path.c_str());
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  HANDLE held =
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  dyn_array b = int_array(2000, 7);
  dyn_array_save_compact(&b, path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_WRITE_FAILED);
  CloseHandle(held);
  EXPECT_TRUE(holds_ints(path, 1000, 0));
  EXPECT_TRUE(temporaries(dir).empty());
  dyn_array_release(a);
  dyn_array_release(b);
}
#else
// The disk fills (a file size limit, so writes fail with EFBIG) at the
// header, in the middle and at the last byte of a save that replaces a
// smaller array, and one-shot saves fail at their flush and in their
// writing.
TEST(FileReplace, DiskFullKeepsTheOldFileWhole) {
  std::string dir = fresh_folder("fr_disk_full");
  std::string path = dir + "/ints.bin";
  dyn_array old_array = int_array(100000, 0);
  dyn_array_save_compact(&old_array, path.c_str());
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  dyn_array_release(old_array);
  const rlim_t new_size = 5 + 200000 * sizeof(int);
  const rlim_t limits[] = {3, new_size / 2, new_size - 1};
  for (rlim_t limit : limits) {
    SCOPED_TRACE("file size limit " + std::to_string((unsigned long long)limit));
    int status = in_child([&] {
      signal(SIGXFSZ, SIG_IGN);
      struct rlimit lim = {limit, limit};
      if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 90;
      dyn_array bigger = int_array(200000, 5);
      dyn_array_save_compact(&bigger, path.c_str());
      if (dyn_array_last_status() != DYN_ARRAY_WRITE_FAILED) return 91;
      // A one-shot save failing at its end (the last bytes wait in the
      // stream's buffer until the flush), then one failing in the middle
      // of its writing (more than the buffer holds goes out at once).
      std::string bytes(limit + 1, 'x'), why;
      if (file_replace_write(path.c_str(), bytes.data(), bytes.size(), &why)) return 92;
      // The system's reason is given.
      if (why != strerror(EFBIG)) return 93;
      bytes.assign(limit + (1 << 20), 'y');
      if (file_replace_write(path.c_str(), bytes.data(), bytes.size(), &why)) return 94;
      return why == strerror(EFBIG) ? 0 : 95;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(holds_ints(path, 100000, 0));
    EXPECT_TRUE(temporaries(dir).empty());
  }
}

// A folder the saving user may not write in. Tests often run as root, whom
// permissions do not stop, so the save runs in a child that drops to an
// unprivileged user when it is root.
TEST(FileReplace, NoPermissionKeepsTheOldFileWhole) {
  std::string dir = fresh_folder("fr_no_permission");
  std::string path = dir + "/ints.bin";
  dyn_array old_array = int_array(1000, 0);
  dyn_array_save_compact(&old_array, path.c_str());
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  dyn_array_release(old_array);
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                           fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  int status = in_child([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 90;
    dyn_array other = int_array(2000, 3);
    dyn_array_save_compact(&other, path.c_str());
    if (dyn_array_last_status() != DYN_ARRAY_CANNOT_OPEN) return 91;
    std::string why;
    if (file_replace_write(path.c_str(), "x", 1, &why)) return 92;
    return why == strerror(EACCES) ? 0 : 93;
  });
  fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(holds_ints(path, 1000, 0));
  EXPECT_TRUE(temporaries(dir).empty());
}

// Killed in the middle of a large save: the old file is whole, the leftover
// temporary is recognisable, and the next save of the path removes it.
TEST(FileReplace, KilledMidSaveLeavesOldFileAndNextSaveCleansUp) {
  std::string dir = fresh_folder("fr_killed");
  std::string path = dir + "/ints.bin";
  dyn_array old_array = int_array(1000, 0);
  dyn_array_save_compact(&old_array, path.c_str());
  ASSERT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    file_replace r;
    if (!file_replace_begin(&r, path.c_str(), nullptr)) _exit(90);
    std::vector<char> chunk(1 << 20, 'k');
    for (int i = 0; i < 8; i++) file_replace_put(&r, chunk.data(), chunk.size());
    fflush(r.stream);
    if (write(ready[1], "k", 1) != 1) _exit(91);
    for (;;) pause();
  }
  close(ready[1]);
  char byte = 0;
  EXPECT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(holds_ints(path, 1000, 0));
  std::vector<std::string> left = temporaries(dir);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind(".ints.bin.tmp-" + std::to_string(pid) + "-", 0), 0u) << left[0];
  EXPECT_EQ(fs::file_size(dir + "/" + left[0]), 8u << 20);

  // A save in progress in a running process (pid 1 always runs) and another
  // file's temporary that starts alike are not stale: they stay.
  std::vector<std::string> kept = {".ints.bin.tmp-1-0",
                                   ".ints.bin.tmp-" + std::to_string(pid) + "-x.tmp-1-0"};
  for (const std::string& name : kept)
    ASSERT_TRUE(file_replace_write((dir + "/" + name).c_str(), "t", 1, nullptr));

  dyn_array next = int_array(500, 9);
  dyn_array_save_compact(&next, path.c_str());
  EXPECT_EQ(dyn_array_last_status(), DYN_ARRAY_OK);
  EXPECT_TRUE(holds_ints(path, 500, 9));
  std::vector<std::string> after = temporaries(dir);
  std::sort(after.begin(), after.end());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(after, kept);
  dyn_array_release(old_array);
  dyn_array_release(next);
}
#endif

TEST(FileReplace, OutputPathsAreCheckedBeforeTheWork) {
  std::string dir = fresh_folder("fr_prepare");
  std::string why;
  // Missing folders are made with their parents.
  EXPECT_TRUE(file_replace_prepare_folder((dir + "/a/b/c").c_str(), &why)) << why;
  EXPECT_TRUE(fs::is_directory(dir + "/a/b/c"));
  EXPECT_TRUE(file_replace_prepare_file((dir + "/d/e/report.json").c_str(), &why)) << why;
  EXPECT_TRUE(fs::is_directory(dir + "/d/e"));
  EXPECT_FALSE(fs::exists(dir + "/d/e/report.json"));
  // The checks leave nothing behind.
  EXPECT_TRUE(fs::is_empty(dir + "/a/b/c"));
  EXPECT_TRUE(fs::is_empty(dir + "/d/e"));
  // A file where a folder is wanted, a folder where a file is wanted, and a
  // file in the way of the folder to make.
  ASSERT_TRUE(file_replace_write((dir + "/file").c_str(), "f", 1, &why)) << why;
  why.clear();
  EXPECT_FALSE(file_replace_prepare_folder((dir + "/file").c_str(), &why));
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(file_replace_prepare_file((dir + "/a").c_str(), &why));
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(file_replace_prepare_folder((dir + "/file/sub").c_str(), &why));
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(file_replace_prepare_file((dir + "/file/sub/out.csv").c_str(), &why));
  EXPECT_FALSE(why.empty());
  EXPECT_EQ(read_whole_file(dir + "/file"), "f");
  // The programs' one line names the refused path; empty paths are skipped.
  std::string line;
  EXPECT_TRUE(file_replace_check_outputs({"", dir + "/g"}, {"", dir + "/h/x.csv"}, &line)) << line;
  EXPECT_FALSE(file_replace_check_outputs({dir + "/g"}, {dir + "/a"}, &line));
  EXPECT_EQ(line, "cannot write " + dir + "/a: it is a folder");
  EXPECT_FALSE(file_replace_check_outputs({dir + "/file"}, {}, &line));
  EXPECT_EQ(line, "cannot write to " + dir + "/file: it is not a folder");
}
