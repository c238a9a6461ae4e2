// Progress lines on standard error (see runner_progress.h).
#include "runner/runner_progress.h"

#include <string.h>

#ifdef _WIN32
#include <io.h>
#define runner_isatty _isatty
#define runner_fileno _fileno
#else
#include <unistd.h>
#define runner_isatty isatty
#define runner_fileno fileno
#endif

// Seconds between lines on a terminal and in a log.
static const double terminal_interval_s = 0.25;
static const double log_interval_s = 5.0;

void runner_progress_begin(runner_progress* p, double now_s) {
  p->out = stderr;
  p->terminal = runner_isatty(runner_fileno(stderr)) != 0;
  p->start_s = now_s;
  p->last_s = now_s;
  p->line_length = 0;
}

const char* runner_progress_text(char* text, size_t size, const char* what, int64_t n, int64_t total,
                                 double elapsed_s) {
  int used = snprintf(text, size, "%s %lld/%lld, %.1f s", what, (long long)n, (long long)total, elapsed_s);
  if (n > 0 && total >= n && used >= 0 && (size_t)used < size) {
    double left = elapsed_s / (double)n * (double)(total - n);
    snprintf(text + used, size - (size_t)used, ", about %.1f s left", left);
  }
  return text;
}

void runner_progress_update(runner_progress* p, double now_s, const char* what, int64_t n, int64_t total) {
  double interval = p->terminal ? terminal_interval_s : log_interval_s;
  if (now_s - p->last_s < interval) return;
  p->last_s = now_s;
  char text[200];
  runner_progress_text(text, sizeof text, what, n, total, now_s - p->start_s);
  if (p->terminal) {
    size_t length = strlen(text);
    // Blanks over what is left of a longer line before.
    int pad = p->line_length > length ? (int)(p->line_length - length) : 0;
    fprintf(p->out, "\r%s%*s", text, pad, "");
    p->line_length = length;
  } else {
    fprintf(p->out, "%s\n", text);
  }
  fflush(p->out);
}

void runner_progress_end(runner_progress* p) {
  if (p->terminal && p->line_length > 0) {
    fprintf(p->out, "\r%*s\r", (int)p->line_length, "");
    fflush(p->out);
  }
  p->line_length = 0;
}
