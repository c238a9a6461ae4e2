// A/B pairs of two commands: two programs built on the runner library (two
// builds, one build under two driver settings, the headless runner and a
// real window) fly the same flight in turns, and the ratio NEW/BASE of each
// pair of timed runs, per mode, gives the verdict. Each side is a process
// started from its command with RUNNER_TURNS set (runner/runner_runs.h): it
// warms up, says "ready", and flies one timed run whenever it is told, so
// the two sides meet the machine's episodes of noise alike; every few pairs
// both are stopped and fresh ones started, so process-level state is
// sampled too. The verdict per mode comes from runner/runner_ab_stats.h.
// Every side's report is kept under the output folder. POSIX only (fork,
// exec, pipes): its own library, not built for Windows.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "runner/runner_plot.h"

struct runner_ab_request {
  const char* program = "ab";                     // messages begin with it
  std::vector<std::string> base_argv, next_argv;  // each side's command, already split into words
  std::string base_dir, next_dir;                 // working folder of each side's processes ("" = current)
  std::vector<std::string> flight_args;           // the options after --, given to both sides
  int pairs = 0;                                  // 0 = auto
  double max_seconds = 600;                       // with auto: no generation starts after this long
  double threshold_percent = 3.0;
  std::string out_dir;           // every side's report and ab.json go under it
  int pairs_per_generation = 1;  // pairs flown by one pair of processes
  double silence_seconds = 600;  // a side that says nothing this long has failed
  bool progress = true;          // progress lines on err
  // When not null: NEW's report files, one per generation in order, once
  // ab.json is written (a history records them).
  std::vector<std::string>* next_reports = nullptr;
};

// Draws the picture of the pair ratios into the file path. Returns 1, or 0
// with a message; must not end the process when no GL context can be had.
typedef int (*runner_ab_plotter)(const char* path, const char* title,
                                 const std::vector<runner_plot_ratio_mode>& modes, char* error,
                                 size_t error_size);

// Exit statuses: 0 every mode SAME or FASTER; 1 a mode SLOWER or MISSING; 2
// usage; 3 refused (reports not comparable, or a side failed); 4 no mode
// SLOWER or MISSING and at least one UNCERTAIN.
constexpr int RUNNER_AB_OK = 0;
constexpr int RUNNER_AB_FAILED = 1;
constexpr int RUNNER_AB_USAGE = 2;
constexpr int RUNNER_AB_REFUSED = 3;
constexpr int RUNNER_AB_UNCERTAIN = 4;

// Runs the A/B: the table, the pairs and the RESULT lines on out, progress
// and refusals on err, OUT/ab.json and (when plot is not null and can draw)
// OUT/ab.png. Returns one of the statuses above.
int runner_ab_main(const runner_ab_request& request, FILE* out, FILE* err, runner_ab_plotter plot);

// Splits a command line into words as a POSIX shell does, without running
// one: blanks separate words; single quotes keep everything up to the next
// single quote; double quotes keep everything but \" \\ \$ \` (the backslash
// is dropped there); a backslash outside quotes keeps the next character;
// "~/" at a word's start is $HOME/. Characters that only a shell would
// act on ($ ` | & ; < > ( ) and unquoted * ? [) are refused, as are an
// unclosed quote and an empty line. Returns true with the words, or false
// with a one-line message.
bool runner_split_words(const char* text, std::vector<std::string>* words, std::string* error);
