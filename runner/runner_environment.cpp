// The machine record (see runner_environment.h).
#include "runner/runner_environment.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sched.h>
#include <sys/utsname.h>
extern char** environ;
#endif

#ifndef BF_SOURCE_REVISION
#define BF_SOURCE_REVISION "unknown"
#endif
#ifndef BF_BUILD_TYPE
#define BF_BUILD_TYPE "unknown"
#endif
#ifndef BF_VERSION
#define BF_VERSION "unknown"
#endif

static std::string trimmed(std::string s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

// The processor's brand string from CPUID, "" where there is none.
static std::string cpu_brand(void) {
#if defined(__x86_64__) || defined(__i386__)
  unsigned regs[12] = {};
  unsigned top = __get_cpuid_max(0x80000000u, nullptr);
  if (top < 0x80000004u) return "";
  for (unsigned i = 0; i < 3; i++)
    __get_cpuid(0x80000002u + i, &regs[i * 4], &regs[i * 4 + 1], &regs[i * 4 + 2], &regs[i * 4 + 3]);
  char text[49];
  memcpy(text, regs, 48);
  text[48] = 0;
  return trimmed(text);
#else
  return "";
#endif
}

#ifndef _WIN32
// The value of the first "key: value" or KEY=value line of a text file.
static std::string file_value(const char* path, const char* key, char separator) {
  FILE* f = fopen(path, "r");
  if (!f) return "";
  char line[512];
  std::string value;
  size_t n = strlen(key);
  while (fgets(line, sizeof line, f)) {
    if (strncmp(line, key, n) != 0) continue;
    const char* p = strchr(line + n, separator);
    if (!p) continue;
    value = trimmed(p + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    break;
  }
  fclose(f);
  return value;
}
#endif

// Processors in the process's affinity mask; 0 when the system does not say.
static int32_t affinity_cpus(void) {
#if defined(_WIN32)
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 0;
  int32_t n = 0;
  for (; process; process &= process - 1) n++;
  return n;
#elif defined(__linux__)
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 0;
  return (int32_t)CPU_COUNT(&set);
#else
  return 0;
#endif
}

double runner_cgroup_cpu_limit(const char* cpu_max) {
  if (!cpu_max) return 0.0;
  char* end = nullptr;
  errno = 0;
  double quota = strtod(cpu_max, &end);
  if (end == cpu_max || errno != 0 || !(quota > 0.0) || !isfinite(quota) || (*end != ' ' && *end != '\t'))
    return 0.0;
  const char* p = end;
  double period = strtod(p, &end);
  if (end == p || errno != 0 || !(period > 0.0) || !isfinite(period)) return 0.0;
  while (*end == ' ' || *end == '\t' || *end == '\n') end++;
  return *end ? 0.0 : quota / period;
}

int32_t runner_usable_cpus(int32_t affinity, double cpu_limit, int32_t logical_cores) {
  int32_t n = affinity > 0 ? affinity : logical_cores;
  if (cpu_limit > 0.0 && cpu_limit < (double)n) n = (int32_t)ceil(cpu_limit);
  return n;
}

#ifndef _WIN32
// The smallest cgroup v2 CPU limit over this process's cgroup and the ones
// above it (each caps the ones below); 0 when none is set or there is no
// cgroup v2 hierarchy.
static double cgroup_cpu_limit(void) {
  std::string group;
  if (FILE* f = fopen("/proc/self/cgroup", "r")) {
    char line[4096];
    while (fgets(line, sizeof line, f)) {
      if (strncmp(line, "0::", 3) == 0) group = trimmed(line + 3);
    }
    fclose(f);
  }
  if (group.find("..") != std::string::npos) group.clear();
  double limit = 0.0;
  for (;;) {
    std::string path = "/sys/fs/cgroup" + group + "/cpu.max";
    if (FILE* f = fopen(path.c_str(), "r")) {
      char text[128] = "";
      if (fgets(text, sizeof text, f)) {
        double l = runner_cgroup_cpu_limit(text);
        if (l > 0.0 && (limit == 0.0 || l < limit)) limit = l;
      }
      fclose(f);
    }
    size_t slash = group.find_last_of('/');
    if (group.empty() || slash == std::string::npos) break;
    group.erase(slash);
  }
  return limit;
}
#endif

void runner_environment_gather(runner_environment* e) {
  e->cpu_model = cpu_brand();
  e->logical_cores = (int32_t)std::thread::hardware_concurrency();
  e->affinity_cpus = affinity_cpus();
#ifndef _WIN32
  e->cpu_limit = cgroup_cpu_limit();
#endif
  e->usable_cpus = runner_usable_cpus(e->affinity_cpus, e->cpu_limit, e->logical_cores);
#ifdef _WIN32
  // RtlGetVersion tells the true version (GetVersionEx is shimmed);
  // Wine also names itself through wine_get_version.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  typedef LONG(WINAPI * rtl_get_version_fn)(OSVERSIONINFOW*);
  typedef const char*(CDECL * wine_version_fn)(void);
  rtl_get_version_fn rtl =
      ntdll ? (rtl_get_version_fn)(void*)GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
  wine_version_fn wine = ntdll ? (wine_version_fn)(void*)GetProcAddress(ntdll, "wine_get_version") : nullptr;
  OSVERSIONINFOW v = {};
  v.dwOSVersionInfoSize = sizeof v;
  char text[128];
  if (rtl && rtl(&v) == 0) {
    snprintf(text, sizeof text, "Windows %lu.%lu.%lu", (unsigned long)v.dwMajorVersion,
             (unsigned long)v.dwMinorVersion, (unsigned long)v.dwBuildNumber);
  } else {
    snprintf(text, sizeof text, "Windows");
  }
  e->os = text;
  if (wine) e->os += std::string(" (Wine ") + wine() + ")";
  snprintf(text, sizeof text, "NT %lu.%lu build %lu", (unsigned long)v.dwMajorVersion,
           (unsigned long)v.dwMinorVersion, (unsigned long)v.dwBuildNumber);
  e->kernel = text;
#else
  if (e->cpu_model.empty()) e->cpu_model = file_value("/proc/cpuinfo", "model name", ':');
  e->os = file_value("/etc/os-release", "PRETTY_NAME", '=');
  struct utsname u;
  if (uname(&u) == 0) {
    if (e->os.empty()) e->os = u.sysname;
    e->kernel = std::string(u.sysname) + " " + u.release + " " + u.machine;
  }
#endif
#ifdef _WIN32
  e->driver_settings = runner_driver_settings(_environ);
#else
  e->driver_settings = runner_driver_settings(environ);
#endif
  e->program_version = BF_VERSION;
  e->source_revision = BF_SOURCE_REVISION;
#if defined(__clang__)
  e->compiler = std::string("clang ") + __clang_version__;
#elif defined(__GNUC__)
  e->compiler = std::string("gcc ") + __VERSION__;
#elif defined(_MSC_VER)
  e->compiler = "msvc " + std::to_string(_MSC_FULL_VER);
#else
  e->compiler = "unknown";
#endif
#if defined(__MINGW64__)
  e->compiler += " (MinGW-w64)";
#endif
  e->build_type = BF_BUILD_TYPE;
  time_t now = time(nullptr);
  struct tm utc = {};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  e->utc_time = stamp;
}

std::string runner_driver_settings(const char* const* environment) {
  static const char* const prefixes[] = {
      "LP_",          "GALLIUM_",       "MESA_",           "LIBGL_", "__GL_",
      "vblank_mode=", "mesa_glthread=", "GLIBC_TUNABLES=", "MALLOC_"};
  std::vector<std::string> set;
  for (const char* const* v = environment; v && *v; v++) {
    for (const char* p : prefixes) {
      if (strncmp(*v, p, strlen(p)) == 0 && strchr(*v, '=')) {
        set.push_back(*v);
        break;
      }
    }
  }
  std::sort(set.begin(), set.end());
  std::string s;
  for (const std::string& v : set) s += (s.empty() ? "" : "; ") + v;
  return s;
}

std::string runner_driver_version(const std::string& gl_version) {
  size_t space = gl_version.find(' ');
  if (space == std::string::npos) return "";
  std::string rest = trimmed(gl_version.substr(space + 1));
  // A profile in brackets is the context's, not the driver's.
  if (!rest.empty() && rest[0] == '(') {
    size_t close = rest.find(')');
    if (close != std::string::npos) rest = trimmed(rest.substr(close + 1));
  }
  return rest;
}

std::string runner_environment_short(const runner_environment& e) {
  std::string s = e.cpu_model.empty() ? "unknown CPU" : e.cpu_model;
  s +=
      " (" + std::to_string(e.logical_cores) + " logical cores, " + std::to_string(e.usable_cpus) + " usable";
  if (e.cpu_limit > 0.0) {
    char limit[48];
    snprintf(limit, sizeof limit, ": cgroup limit %g CPUs", e.cpu_limit);
    s += limit;
  }
  s += "); " + e.os;
  if (!e.kernel.empty()) s += ", " + e.kernel;
  s += "; " + e.window_system;
  if (!e.driver_version.empty()) s += "; driver " + e.driver_version;
  if (!e.driver_settings.empty()) s += " (" + e.driver_settings + ")";
  s += "; " + e.program + " " + e.program_version + " (" + e.source_revision + ", " + e.build_type + "); " +
       e.utc_time;
  return s;
}
