// Progress of long runs on standard error: what is being done, item n of N,
// the time spent and an estimate of what remains. On a terminal one line is
// rewritten in place (carriage return) a few times a second; otherwise a
// line is written every few seconds, so logs stay short. No dependencies.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

struct runner_progress {
  FILE* out;           // where the lines go (standard error)
  bool terminal;       // out is a terminal: one line rewritten in place
  double start_s;      // runner_seconds() at runner_progress_begin
  double last_s;       // when a line was last written
  size_t line_length;  // characters of the line on a terminal, to blank it out
};

// Starts reporting to standard error, deciding between terminal and log.
void runner_progress_begin(runner_progress* p, double now_s);

// The progress line: "<what> <n>/<total>, 12.3 s, about 4.5 s left" (the
// estimate once one item is done). Returns text.
const char* runner_progress_text(char* text, size_t size, const char* what, int64_t n, int64_t total,
                                 double elapsed_s);

// Item n of total is done: writes a line when it is time to.
void runner_progress_update(runner_progress* p, double now_s, const char* what, int64_t n, int64_t total);

// Ends the report: on a terminal the line is blanked so the results that
// follow start on a clean line.
void runner_progress_end(runner_progress* p);
