// Files replaced whole or not at all (see file_replace.h). The POSIX and
// Windows file calls differ in four places: creating the temporary
// exclusively, flushing it to the disk, renaming it over the target, and
// asking whether the process that left a temporary still runs; each has a
// small function per system below. Folders are listed, made and tested with
// std::filesystem.
#include "util/file_replace.h"

#include <errno.h>
#include <string.h>

#include <atomic>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Reasons and names

static void set_why(std::string* why, const std::string& text) {
  if (why) *why = text;
}

static std::string errno_text(int error) {
  return error ? std::string(strerror(error)) : std::string("the write failed");
}

static std::atomic<unsigned> temp_counter{0};

static unsigned long current_pid() {
#ifdef _WIN32
  return (unsigned long)GetCurrentProcessId();
#else
  return (unsigned long)getpid();
#endif
}

// ".NAME.tmp-": every temporary of NAME starts with it; the process id and a
// counter follow.
static std::string temp_prefix(const std::string& name) { return "." + name + ".tmp-"; }

// ---------------------------------------------------------------------------
// Per-system calls

#ifdef _WIN32
static std::wstring wide_path(const std::string& path) {
  UINT pages[2] = {CP_UTF8, CP_ACP};
  for (UINT page : pages) {
    DWORD flags = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(page, flags, path.c_str(), (int)path.size(), nullptr, 0);
    if (n <= 0 && !path.empty()) continue;
    std::wstring w((size_t)n, L'\0');
    if (n) MultiByteToWideChar(page, flags, path.c_str(), (int)path.size(), &w[0], n);
    return w;
  }
  return std::wstring();
}

static std::string last_error_text() {
  DWORD code = GetLastError();
  char buffer[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                           buffer, sizeof buffer, nullptr);
  while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == '.')) n--;
  if (n == 0) return "system error " + std::to_string((unsigned long)code);
  return std::string(buffer, n);
}

static FILE* create_exclusive(const std::string& path, int* error) {
  int fd = _wopen(wide_path(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  FILE* f = _fdopen(fd, "wb");
  if (!f) {
    *error = errno;
    _close(fd);
  }
  return f;
}

static bool sync_to_disk(FILE* f, std::string* why) {
  HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
  if (h == INVALID_HANDLE_VALUE || !FlushFileBuffers(h)) {
    set_why(why, last_error_text());
    return false;
  }
  return true;
}

static bool rename_over(const std::string& from, const std::string& to, std::string* why) {
  if (!MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    set_why(why, last_error_text());
    return false;
  }
  return true;
}

static void remove_file(const std::string& path) { _wremove(wide_path(path).c_str()); }

static bool process_gone(unsigned long pid) {
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)pid);
  if (!h) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  bool gone = GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
  CloseHandle(h);
  return gone;
}
#else
static FILE* create_exclusive(const std::string& path, int* error) {
  int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = errno;
    return nullptr;
  }
  FILE* f = fdopen(fd, "wb");
  if (!f) {
    *error = errno;
    close(fd);
  }
  return f;
}

static bool sync_to_disk(FILE* f, std::string* why) {
  if (fsync(fileno(f)) != 0) {
    set_why(why, strerror(errno));
    return false;
  }
  return true;
}

static bool rename_over(const std::string& from, const std::string& to, std::string* why) {
  if (rename(from.c_str(), to.c_str()) != 0) {
    set_why(why, strerror(errno));
    return false;
  }
  // The rename itself reaches the disk with the folder.
  int dir = open(fs::path(to).parent_path().empty() ? "." : fs::path(to).parent_path().c_str(),
                 O_RDONLY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

static void remove_file(const std::string& path) { unlink(path.c_str()); }

static bool process_gone(unsigned long pid) {
  return pid == 0 || (kill((pid_t)pid, 0) != 0 && errno == ESRCH);
}
#endif

// ---------------------------------------------------------------------------
// Paths

// The folder and file name of path, as UTF-8. False when path names no file.
static bool split_path(const std::string& path, std::string* folder, std::string* name) {
  fs::path p = fs::u8path(path);
  *name = p.filename().u8string();
  if (name->empty() || *name == "." || *name == "..") return false;
  *folder = p.parent_path().u8string();
  return true;
}

static std::string join(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : (fs::u8path(folder) / fs::u8path(name)).u8string();
}

// Removes temporaries of name in folder whose writing process no longer runs.
static void remove_stale_temporaries(const std::string& folder, const std::string& name) {
  std::string prefix = temp_prefix(name);
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::u8path(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string entry = it->path().filename().u8string();
    if (entry.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    unsigned long pid = strtoul(entry.c_str() + prefix.size(), &end, 10);
    if (end == entry.c_str() + prefix.size() || *end != '-' || !end[1]) continue;
    // ".NAME.tmp-PID-N" exactly: N all digits, so a temporary of another file
    // whose name merely starts like one of these is left alone.
    if (entry.find_first_not_of("0123456789", (size_t)(end + 1 - entry.c_str())) != std::string::npos)
      continue;
    if (pid != current_pid() && process_gone(pid)) remove_file(join(folder, entry));
  }
}

// The file a save of path replaces: a symbolic link's target, so the link
// stays a link; otherwise path itself.
static bool resolve_target(const std::string& path, std::string* target, std::string* why) {
  std::error_code ec;
  fs::path p = fs::u8path(path);
  *target = path;
  if (fs::is_symlink(fs::symlink_status(p, ec))) {
    fs::path resolved = fs::weakly_canonical(p, ec);
    if (ec) {
      set_why(why, ec.message());
      return false;
    }
    *target = resolved.u8string();
  }
  fs::file_status st = fs::status(fs::u8path(*target), ec);
  if (fs::is_directory(st)) {
    set_why(why, "it is a folder");
    return false;
  }
  if (fs::exists(st) && !fs::is_regular_file(st)) {
    set_why(why, "it is not a regular file");
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Saving

bool file_replace_begin(file_replace* r, const char* path, std::string* why) {
  r->stream = nullptr;
  r->first_error = 0;
  r->temp_path.clear();
  std::string target, folder, name;
  if (!resolve_target(path, &target, why)) return false;
  if (!split_path(target, &folder, &name)) {
    set_why(why, "the path names no file");
    return false;
  }
  r->path = target;
  remove_stale_temporaries(folder, name);
  int error = 0;
  for (int attempt = 0; attempt < 100 && !r->stream; attempt++) {
    std::string temp =
        temp_prefix(name) + std::to_string(current_pid()) + "-" + std::to_string(temp_counter++);
    r->temp_path = join(folder, temp);
    error = 0;
    r->stream = create_exclusive(r->temp_path, &error);
    if (!r->stream && error != EEXIST) break;
  }
  if (!r->stream) {
    set_why(why, strerror(error ? error : EEXIST));
    r->temp_path.clear();
    return false;
  }
#ifdef _WIN32
  // Windows refuses to replace a read-only file; say so before the writing.
  DWORD attributes = GetFileAttributesW(wide_path(target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    set_why(why, last_error_text());
    file_replace_abandon(r);
    return false;
  }
#else
  // A replaced file keeps its permissions.
  struct stat old_stat;
  if (stat(target.c_str(), &old_stat) == 0) fchmod(fileno(r->stream), old_stat.st_mode & 07777);
#endif
  return true;
}

bool file_replace_put(file_replace* r, const void* data, size_t size) {
  if (r->first_error) return false;
  errno = 0;
  if (size && fwrite(data, 1, size, r->stream) != size) {
    r->first_error = errno ? errno : EIO;
    return false;
  }
  return true;
}

void file_replace_abandon(file_replace* r) {
  if (r->stream) fclose(r->stream);
  r->stream = nullptr;
  if (!r->temp_path.empty()) remove_file(r->temp_path);
  r->temp_path.clear();
}

bool file_replace_commit(file_replace* r, std::string* why) {
  if (!r->stream) {
    set_why(why, "no file is being written");
    return false;
  }
  int had_error = ferror(r->stream);
  errno = 0;
  bool flushed = fflush(r->stream) == 0;
  int flush_error = errno;
  if (r->first_error || had_error || !flushed) {
    int error = r->first_error ? r->first_error : flush_error;
    set_why(why, errno_text(error));
    file_replace_abandon(r);
    return false;
  }
  if (!sync_to_disk(r->stream, why)) {
    file_replace_abandon(r);
    return false;
  }
  FILE* f = r->stream;
  r->stream = nullptr;
  errno = 0;
  if (fclose(f) != 0) {
    set_why(why, errno_text(errno));
    file_replace_abandon(r);
    return false;
  }
  if (!rename_over(r->temp_path, r->path, why)) {
    file_replace_abandon(r);
    return false;
  }
  r->temp_path.clear();
  return true;
}

bool file_replace_write(const char* path, const void* data, size_t size, std::string* why) {
  file_replace r;
  if (!file_replace_begin(&r, path, why)) return false;
  if (!file_replace_put(&r, data, size)) {
    set_why(why, errno_text(r.first_error));
    file_replace_abandon(&r);
    return false;
  }
  return file_replace_commit(&r, why);
}

// ---------------------------------------------------------------------------
// Output paths checked before the work

bool file_replace_prepare_folder(const char* dir, std::string* why) {
  std::error_code ec;
  fs::path p = fs::u8path(dir);
  fs::file_status st = fs::status(p, ec);
  if (fs::exists(st) && !fs::is_directory(st)) {
    set_why(why, "it is not a folder");
    return false;
  }
  if (!fs::exists(st)) {
    fs::create_directories(p, ec);
    if (ec) {
      set_why(why, ec.message());
      return false;
    }
  }
  // Files are created in it: try one (a temporary that is removed at once).
  file_replace probe;
  std::string probe_path = join(p.u8string(), ".write-check");
  if (!file_replace_begin(&probe, probe_path.c_str(), why)) return false;
  file_replace_abandon(&probe);
  return true;
}

bool file_replace_prepare_file(const char* path, std::string* why) {
  std::string target, folder, name;
  if (!resolve_target(path, &target, why)) return false;
  if (!split_path(target, &folder, &name)) {
    set_why(why, "the path names no file");
    return false;
  }
  return file_replace_prepare_folder(folder.empty() ? "." : folder.c_str(), why);
}

bool file_replace_check_outputs(const std::vector<std::string>& folders,
                                const std::vector<std::string>& files, std::string* line) {
  std::string why;
  for (const std::string& dir : folders) {
    if (dir.empty() || file_replace_prepare_folder(dir.c_str(), &why)) continue;
    set_why(line, "cannot write to " + dir + ": " + why);
    return false;
  }
  for (const std::string& file : files) {
    if (file.empty() || file_replace_prepare_file(file.c_str(), &why)) continue;
    set_why(line, "cannot write " + file + ": " + why);
    return false;
  }
  return true;
}
