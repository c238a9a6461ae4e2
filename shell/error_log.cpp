// Fatal errors, the error log and the date and time formatting of its stamp.
// Depends on shell/platform.h (locale-aware formatters, FILETIME conversion,
// message box) and shell/window.h (end_gl_window).
#include "shell/error_log.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "shell/platform.h"
#include "shell/window.h"

char log_stamp[DATE_TIME_TEXT_SIZE];

static const char log_file_name[] = "graphics_error.log";
static const char date_picture[] = "yyyy-MMM-dd";
static const char time_picture[] = "HH:mm:ss";

// Seconds from 1601-01-01 to 1970-01-01.
static const double file_time_epoch_offset = 11644473600.0;
static const double two_to_32 = 4294967296.0;
static const double two_to_64 = 18446744073709551616.0;

// ---------------------------------------------------------------------------
// Fatal errors and the log

void fatal_error(const char* message) {
  log_error(message);
  platform_message_box(message ? message : "", "Oh sod it", MB_ICONERROR | MB_SETFOREGROUND);
  platform_explain_failure();
  // A failure must never look like success to whoever started the program.
  end_gl_window(FATAL_EXIT_STATUS);
}

void log_error(const char* message) {
  if (!message) message = "";
  FILE* file = fopen(log_file_name, "at");
  format_date_time(TIME_NOW, log_stamp);
  if (file) {
    fprintf(file, "%s %s\n", log_stamp, message);
    fclose(file);
  } else {
    // A log that cannot be opened (read-only directory, a folder of that
    // name) must not stop the report: the line goes to standard error.
    fprintf(stderr, "%s %s\n", log_stamp, message);
  }
}

// ---------------------------------------------------------------------------
// Time conversion

FILETIME seconds_to_file_time(double t) {
  FILETIME result = {0, 0};
  double v = (t + file_time_epoch_offset) * 10000000.0;
  if (!(v >= 0.0)) return result;  // before 1601, or NaN
  if (v >= two_to_64) {
    result.dwLowDateTime = 0xFFFFFFFFu;
    result.dwHighDateTime = 0xFFFFFFFFu;
    return result;
  }
  double high = floor(v / two_to_32);
  double low = floor(v - two_to_32 * high);
  result.dwHighDateTime = (DWORD)high;
  result.dwLowDateTime = (DWORD)low;
  return result;
}

int seconds_to_system_time(double t, SYSTEMTIME* out) {
  FILETIME file_time = seconds_to_file_time(t);
  int ok = platform_file_time_to_system_time(&file_time, out);
  if (!ok) memset(out, 0, sizeof *out);
  return ok;
}

// ---------------------------------------------------------------------------
// Formatting

// Date text of a time (null = now) into out; empty when the formatter fails.
static void date_text(const SYSTEMTIME* when, char* out, int size) {
  if (platform_format_date(when, date_picture, out, size) == 0 && size > 0) out[0] = '\0';
}

static void time_text(const SYSTEMTIME* when, char* out, int size) {
  if (platform_format_time(when, TIME_FORCE24HOURFORMAT, time_picture, out, size) == 0 && size > 0)
    out[0] = '\0';
}

// Date and time of a time (null = now), joined by one blank; a time that
// could not be converted (valid = 0) gives empty texts on every platform.
static char* join_date_time(const SYSTEMTIME* when, int valid, char* buffer) {
  char date[100] = "";
  char time[100] = "";
  if (valid) {
    date_text(when, date, sizeof date);
    time_text(when, time, sizeof time);
  }
  // A stamp longer than the buffer (long month names in some locales) keeps
  // its start; using the result tells the compiler the cut is intended.
  int written = snprintf(buffer, DATE_TIME_TEXT_SIZE, "%s %s", date, time);
  if (written >= DATE_TIME_TEXT_SIZE) buffer[DATE_TIME_TEXT_SIZE - 1] = '\0';
  return buffer;
}

char* format_date_time(double t, char* buffer) {
  if (t == TIME_NOW) return join_date_time(nullptr, 1, buffer);
  SYSTEMTIME when;
  int valid = seconds_to_system_time(t, &when);
  return join_date_time(&when, valid, buffer);
}

char* format_date(double t, char* buffer) {
  if (t == TIME_NOW) {
    date_text(nullptr, buffer, DATE_TEXT_SIZE);
    return buffer;
  }
  SYSTEMTIME when;
  if (seconds_to_system_time(t, &when))
    date_text(&when, buffer, DATE_TEXT_SIZE);
  else
    buffer[0] = '\0';
  return buffer;
}

char* format_time(double t, char* buffer) {
  if (t == TIME_NOW) {
    time_text(nullptr, buffer, DATE_TEXT_SIZE);
    return buffer;
  }
  SYSTEMTIME when;
  if (seconds_to_system_time(t, &when))
    time_text(&when, buffer, DATE_TEXT_SIZE);
  else
    buffer[0] = '\0';
  return buffer;
}

char* format_file_time(FILETIME file_time, char* buffer) {
  SYSTEMTIME when;
  int valid = platform_file_time_to_system_time(&file_time, &when);
  return join_date_time(&when, valid, buffer);
}
