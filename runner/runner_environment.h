// A record of the machine and build a benchmark ran on: CPU, OS, window
// system, GL strings, swap interval, surface, program, compiler, build type
// and the UTC date and time. runner_environment_gather fills what the
// process can find without GL; the caller fills the GL, window-system and
// surface fields. No dependencies beyond the C library (and the system's
// version calls on Windows).
#pragma once

#include <stdint.h>

#include <string>

struct runner_environment {
  std::string cpu_model;      // e.g. "AMD EPYC 7B13" ("" when unknown)
  int32_t logical_cores = 0;  // processors the system schedules on
  // The processors this process may use: those its affinity mask allows
  // (sched_getaffinity, GetProcessAffinityMask; taskset lowers it), the CPU
  // time a cgroup v2 limit allows in processors (cpu.max: "150000 100000"
  // is 1.5; 0 when none is set), and the two together (the affinity count
  // lowered to the limit rounded up). 0 where the system does not say.
  int32_t affinity_cpus = 0;
  double cpu_limit = 0.0;
  int32_t usable_cpus = 0;
  std::string os;             // "Debian GNU/Linux 12 (bookworm)", "Windows 10.0.19045 (Wine 8.0)"
  std::string kernel;         // "Linux 6.1.0-18-amd64 x86_64"; the build number's text on Windows
  std::string window_system;  // "headless EGL", "SDL x11", "SDL wayland", "Win32"
  std::string egl;            // EGL platform and device, "" where EGL is not used
  std::string gl_vendor, gl_renderer, gl_version;
  std::string driver_version;  // the vendor text after the version number in GL_VERSION
  std::string
      driver_settings;  // driver variables set in the environment ("LP_NUM_THREADS=1"), "; "-separated
  std::string swap_interval_requested;  // "" when none was asked for
  std::string swap_interval_granted;    // "granted", "refused" or ""
  int32_t surface_width = 0, surface_height = 0;
  std::string program;          // the program that ran
  std::string program_version;  // BF_VERSION
  std::string source_revision;  // git revision at configure time ("unknown" outside a checkout)
  std::string compiler;         // compiler name and version
  std::string build_type;       // CMake build type
  std::string utc_time;         // "2026-12-08T15:30:00Z"
};

// Fills the CPU, the processor counts, OS, kernel, driver settings, program version, revision,
// compiler, build type and time fields.
void runner_environment_gather(runner_environment* e);

// The processors a cgroup v2 "cpu.max" text ("QUOTA PERIOD" in
// microseconds) allows: QUOTA / PERIOD; 0 for "max" (no limit) and for text
// that is not a limit.
double runner_cgroup_cpu_limit(const char* cpu_max);

// Usable processors from the affinity count and the cgroup limit (0: none);
// an unknown affinity count (0) counts as logical_cores.
int32_t runner_usable_cpus(int32_t affinity_cpus, double cpu_limit, int32_t logical_cores);

// The driver's version text from a GL_VERSION string: what follows the
// version number and a profile in brackets ("4.5 (Compatibility Profile)
// Mesa 23.2.1" gives "Mesa 23.2.1"); "" when nothing follows.
std::string runner_driver_version(const std::string& gl_version);

// The environment variables that change what a GL driver does (Mesa's
// LP_*, GALLIUM_*, MESA_*, LIBGL_*, vblank_mode, mesa_glthread; NVIDIA's
// __GL_*), and glibc's allocator settings (GLIBC_TUNABLES, MALLOC_*), from
// a NULL-ended "NAME=value" list, sorted, "; "-separated; "" when none is
// set. LP_NUM_THREADS alone moves llvmpipe's frame times by a third; a heap
// trim threshold that keeps llvmpipe's per-frame blocks mapped, by 2.5 times.
std::string runner_driver_settings(const char* const* environment);

// One line of the record for the printed summary.
std::string runner_environment_short(const runner_environment& e);
