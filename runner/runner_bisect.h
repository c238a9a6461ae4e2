// The commit that made a program slower: a search over the first-parent
// revisions from a good one to a bad one, each revision checked out into a
// kept git worktree, built there with the user's build command, and judged
// by an A/B of its run command against the good revision's (SLOWER: bad;
// SAME or FASTER: good; undecided or failed: skipped, as `git bisect skip`
// does). The search is its own function over a judge, so it can be tested
// without git or an A/B. The user's own bisect state is never touched.
// POSIX only (fork/exec, git on PATH); built on Linux alone, beside the
// A/B (runner/runner_ab.h) it runs.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "runner/runner_ab.h"

// ---------------------------------------------------------------------------
// The search

// What a judge says of one revision.
enum runner_bisect_verdict {
  RUNNER_BISECT_GOOD,  // not slower than GOOD
  RUNNER_BISECT_BAD,   // slower than GOOD
  RUNNER_BISECT_SKIP,  // cannot tell (reason in the step)
  RUNNER_BISECT_STOP,  // the whole search must stop (reason in the step)
};

// One revision handed to the judge.
struct runner_bisect_step {
  size_t index = 0;    // input: 0 is the first revision after GOOD, count - 1 is BAD
  size_t left = 0;     // input: revisions that may still be the first bad one, this one included
  std::string reason;  // output: why, for SKIP and STOP
};

typedef std::function<runner_bisect_verdict(runner_bisect_step* step)> runner_bisect_judge;

enum runner_bisect_outcome {
  RUNNER_BISECT_FOUND,       // first_bad is the first bad revision
  RUNNER_BISECT_UNSPLIT,     // the first bad one is among `suspects`; skips kept it open
  RUNNER_BISECT_NOT_SLOWER,  // BAD itself was judged good: nothing to search
  RUNNER_BISECT_STOPPED,     // the judge said STOP (stop_reason)
};

struct runner_bisect_result {
  runner_bisect_outcome outcome = RUNNER_BISECT_STOPPED;
  long last_good = -1;               // the last revision judged good (-1: GOOD itself)
  long first_bad = -1;               // the first revision judged bad (-1: none)
  std::vector<size_t> suspects;      // UNSPLIT: every revision that may be the first bad one, in order
  std::vector<size_t> judged;        // every revision handed to the judge, in that order
  std::vector<std::string> reasons;  // per revision (count of them): the reason it was skipped, else ""
  std::string stop_reason;           // STOPPED: the judge's reason
};

// Finds the first bad one of count revisions (in order, GOOD before the
// first and known good). BAD, the last, is judged first; then the middle of
// the revisions still possible, or the untried one nearest to it when the
// middle was skipped. Ends when no untried revision is left between the last
// good and the first bad one. A judge is asked about each revision at most
// once.
runner_bisect_result runner_bisect_search(size_t count, const runner_bisect_judge& judge);

// ---------------------------------------------------------------------------
// Commands and git

// Runs git with args (after "git") in dir ("" = the current folder). True
// with its standard output in *output; false with the reason (git's last
// error line) in *why.
bool runner_bisect_git(const std::string& dir, const std::vector<std::string>& args, std::string* output,
                       std::string* why);

// A revision by its full hash and subject line.
struct runner_bisect_revision {
  std::string hash;
  std::string subject;
};

// The revisions to search in the repository at repo_dir: GOOD and BAD are
// resolved to commits, GOOD must be a proper ancestor of BAD, and *range
// gets the first-parent revisions after GOOD up to BAD (BAD last). False
// with the reason otherwise (not in a git work tree, a revision that does
// not resolve, GOOD not an ancestor of BAD, no first-parent path between
// them).
bool runner_bisect_revisions(const std::string& repo_dir, const std::string& good, const std::string& bad,
                             runner_bisect_revision* good_out, std::vector<runner_bisect_revision>* range,
                             std::string* why);

// ---------------------------------------------------------------------------
// Kept worktrees and their builds

// Names of the files the build leaves in a revision's worktree.
extern const char RUNNER_BISECT_BUILD_LOG[];     // the build's standard output and error
extern const char RUNNER_BISECT_BUILT_MARKER[];  // the build command, after it succeeded

struct runner_bisect_build {
  std::string dir;       // the revision's worktree
  std::string log_path;  // the build's log ("" when no build ran)
  bool built = false;    // the build command ran (and succeeded) now
};

// Makes the worktree of a revision ready: worktrees_dir/HASH is added with
// `git worktree add --detach` when missing, or kept when it is already a
// worktree of that commit (anything else there is refused); then the build
// command runs there unless its marker names the same command. The build's
// output goes to its log; the marker is written only after the build exits
// with status 0. False with the reason (and the log's path) otherwise.
bool runner_bisect_prepare(const std::string& repo_dir, const std::string& worktrees_dir,
                           const std::string& hash, const std::vector<std::string>& build_argv,
                           runner_bisect_build* out, std::string* why);

// ---------------------------------------------------------------------------
// The command

// Runs one A/B: its table on out, progress on err. The status as an A/B
// gives it: 0 every mode SAME or FASTER, 1 a mode SLOWER or MISSING, 2 usage,
// 3 refused or a side failed, 4 undecided (UNCERTAIN) within its cap. With
// status 3 a last line on err that says "BASE failed" means GOOD's side
// failed, which stops the bisect.
typedef std::function<int(const runner_ab_request& request, FILE* out, FILE* err)> runner_bisect_ab_function;

// The A/B of runner/runner_ab.h (runner_ab_main), with its pair-ratio
// picture drawn by plot (may be null).
runner_bisect_ab_function runner_bisect_ab_main(runner_ab_plotter plot);

struct runner_bisect_request {
  const char* program = "bisect";
  std::string repo_dir;                           // the git work tree ("" = current folder)
  std::string good, bad;                          // revisions
  std::vector<std::string> build_argv, run_argv;  // commands, split into words
  std::string worktrees_dir;                      // "" = GIT_COMMON_DIR/bisect-worktrees
  std::vector<std::string> flight_args;           // given to the run command on both sides
  int pairs = 0;                                  // 0 = auto
  double max_seconds = 600;                       // per A/B
  double threshold_percent = 3.0;
  std::string out_dir = "bisect-out";  // OUT/HASH12/: each revision's A/B (ab-output.txt and its reports)
};

// Exit statuses of the command.
enum {
  RUNNER_BISECT_STATUS_FOUND = 0,       // the first slower revision named
  RUNNER_BISECT_STATUS_FAILED = 1,      // git, a worktree, GOOD's build or run, or an output file failed
  RUNNER_BISECT_STATUS_USAGE = 2,       // bad revisions (unknown, GOOD not an ancestor of BAD) or options
  RUNNER_BISECT_STATUS_UNSPLIT = 3,     // skipped revisions left a range, named with the reasons
  RUNNER_BISECT_STATUS_NOT_SLOWER = 4,  // BAD was not slower than GOOD
};

// The whole bisect: revisions, GOOD's build, the search with one A/B per
// revision (kept under out_dir), and the answer on out: the first slower
// revision (hash and subject) and the A/B output that convicted it, or the
// range left and why. Progress (revision, position, revisions left, then the
// A/B's own progress) on err. Returns one of the statuses above.
int runner_bisect_main(const runner_bisect_request& request, FILE* out, FILE* err,
                       const runner_bisect_ab_function& ab);
