// What the programs do with a history: record a run's report after the run
// (--history DB, BOXFIELD_HISTORY), import report files (--history-add),
// and read it back: the runs, each series' trend with its change points
// marked, the change points with what changed in the record between the
// runs either side, and a CSV file. A series is one machine, one thing
// measured (size, flight, frame end, clock, renderer) and one mode. The
// trend's picture is drawn by a function the program hands in (it needs
// GL; this library does not). Linux only. Depends on history_store.h,
// history_report.h, history_changes.h and util/file_replace.h.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

// The exit status of a run whose own results were written but whose
// history could not be updated (or of a history that could not be read).
// Other statuses keep their meaning: 0 pass, 1 failure, 2 usage, 3 refused,
// 4 uncertain; a failed run keeps its own status.
enum { HISTORY_NOT_UPDATED_STATUS = 5 };

// The environment variable naming the history when --history is not given.
extern const char HISTORY_ENVIRONMENT_VARIABLE[];

// The history to record into: the option's value, else BOXFIELD_HISTORY's,
// else "" (none).
std::string history_target(const std::string& option_value);

// Records the report file at report_path into the history target (a file
// path or a postgresql:// URL), after the run wrote it. Returns 0 with
// *line "history: run N recorded in DB" (or "... already in DB"), or
// HISTORY_NOT_UPDATED_STATUS with *line "PROGRAM: the history DB was not
// updated: WHY". The line has no line feed; a password in DB is masked.
int history_record_report(const std::string& target, const std::string& report_path, const char* program,
                          std::string* line);

// Imports report files into the history: a line on out for each report
// recorded, one on err for each refused (older schema, unreadable). Returns
// 0 when all are in the history, 3 when a report was refused,
// HISTORY_NOT_UPDATED_STATUS when the history could not be written.
int history_add_reports(const std::string& target, const std::vector<std::string>& paths, const char* program,
                        FILE* out, FILE* err);

// The runs of a series, for the picture: each run's median and the level
// of its segment between change points.
struct history_plot_series {
  std::string label;
  std::vector<double> medians_ms;
  std::vector<double> levels_ms;
};
// Draws the trend picture to path; 1 when written, 0 with the reason in
// error when it cannot be drawn (no GL) or written.
typedef int (*history_plotter)(const char* path, const std::vector<history_plot_series>& series, char* error,
                               size_t error_size);

enum history_view { HISTORY_VIEW_RUNS, HISTORY_VIEW_TREND, HISTORY_VIEW_CHANGES, HISTORY_VIEW_CSV };

// Which runs are read: each filter is "" for any.
struct history_filter {
  std::string machine;   // a prefix of the machine id
  std::string revision;  // a prefix of the source revision
  std::string driver;    // text within the driver version
  std::string since;     // run time at or after (UTC, "2026-03-01" or longer)
  std::string until;     // run time at or before (a date includes its whole day)
};

struct history_read_request {
  std::string target;
  history_view view = HISTORY_VIEW_RUNS;
  history_filter filter;
  std::string csv_path;   // HISTORY_VIEW_CSV: the file written
  std::string plot_path;  // HISTORY_VIEW_TREND: the picture ("" = none)
  const char* program = "boxfield_runner";
};

// Prints the view on out (the CSV view writes its file and names it).
// Returns 0, or HISTORY_NOT_UPDATED_STATUS when the history cannot be read
// (one line on err); a picture that cannot be drawn is one line on err and
// not a failure, one that cannot be written is status 1.
int history_read_main(const history_read_request& request, FILE* out, FILE* err, history_plotter plot);
