// The commit that made a program slower (see runner_bisect.h).
#include "runner/runner_bisect.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "util/file_replace.h"

// ---------------------------------------------------------------------------
// The search

enum { BISECT_UNTRIED, BISECT_GOOD_SEEN, BISECT_BAD_SEEN, BISECT_SKIPPED };

runner_bisect_result runner_bisect_search(size_t count, const runner_bisect_judge& judge) {
  runner_bisect_result r;
  r.reasons.assign(count, "");
  if (count == 0) {
    r.stop_reason = "no revisions between GOOD and BAD";
    return r;
  }
  std::vector<int> state(count, BISECT_UNTRIED);
  const long n = (long)count;
  long lo = -1;  // last known good
  long hi = n;   // first known bad (n: none yet)
  for (;;) {
    // BAD first: until it is convicted the range has no known end.
    long pick = -1;
    if (hi == n && state[(size_t)(n - 1)] == BISECT_UNTRIED) {
      pick = n - 1;
    } else {
      long mid = lo + (hi - lo) / 2;
      long best_distance = LONG_MAX;
      for (long i = lo + 1; i < hi; i++) {
        if (state[(size_t)i] != BISECT_UNTRIED) continue;
        long d = labs(i - mid);
        if (d < best_distance) {
          best_distance = d;
          pick = i;
        }
      }
    }
    if (pick < 0) break;
    runner_bisect_step step;
    step.index = (size_t)pick;
    step.left = (size_t)((hi < n ? hi : n - 1) - lo);
    r.judged.push_back(step.index);
    runner_bisect_verdict v = judge(&step);
    switch (v) {
      case RUNNER_BISECT_GOOD:
        state[(size_t)pick] = BISECT_GOOD_SEEN;
        lo = pick;
        break;
      case RUNNER_BISECT_BAD:
        state[(size_t)pick] = BISECT_BAD_SEEN;
        hi = pick;
        break;
      case RUNNER_BISECT_SKIP:
        state[(size_t)pick] = BISECT_SKIPPED;
        r.reasons[(size_t)pick] = step.reason.empty() ? "skipped" : step.reason;
        break;
      case RUNNER_BISECT_STOP:
      default:
        r.outcome = RUNNER_BISECT_STOPPED;
        r.stop_reason = step.reason.empty() ? "stopped" : step.reason;
        r.last_good = lo;
        r.first_bad = hi < n ? hi : -1;
        return r;
    }
  }
  r.last_good = lo;
  r.first_bad = hi < n ? hi : -1;
  // Whatever lies between the last good and the first bad one was skipped.
  for (long i = lo + 1; i < hi; i++) r.suspects.push_back((size_t)i);
  if (r.suspects.empty()) {
    r.outcome = hi < n ? RUNNER_BISECT_FOUND : RUNNER_BISECT_NOT_SLOWER;
    return r;
  }
  if (hi < n) r.suspects.push_back((size_t)hi);
  r.outcome = RUNNER_BISECT_UNSPLIT;
  return r;
}

// ---------------------------------------------------------------------------
// Commands

// Text of the last non-empty line (for one-line reasons).
static std::string bisect_last_line(const std::string& text) {
  size_t end = text.find_last_not_of("\r\n \t");
  if (end == std::string::npos) return "";
  size_t begin = text.rfind('\n', end);
  begin = begin == std::string::npos ? 0 : begin + 1;
  return text.substr(begin, end + 1 - begin);
}

static std::string bisect_trim(const std::string& text) {
  size_t end = text.find_last_not_of("\r\n \t");
  return end == std::string::npos ? "" : text.substr(0, end + 1);
}

// Reads a descriptor to its end into *text (at most limit bytes kept).
static void bisect_read_all(int fd, std::string* text, size_t limit) {
  char buffer[8192];
  for (;;) {
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    if (text && text->size() < limit) text->append(buffer, (size_t)got);
  }
}

// Runs argv (looked up on PATH) with dir as working folder ("" = ours),
// standard input from /dev/null, standard output to out_fd and standard
// error to err_fd. Returns the exit status, or -1 with the reason when it
// could not be started or ended by a signal.
static int bisect_spawn(const std::vector<std::string>& argv, const std::string& dir, int out_fd, int err_fd,
                        std::string* why) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // The child reports a failed chdir or exec through this pipe (closed on
  // a successful exec).
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    *why = std::string("cannot make a pipe: ") + strerror(errno);
    return -1;
  }
  fflush(nullptr);
  pid_t pid = fork();
  if (pid < 0) {
    *why = std::string("cannot start a process: ") + strerror(errno);
    close(report[0]);
    close(report[1]);
    return -1;
  }
  if (pid == 0) {
    int failed_step = 0;
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) dup2(null_fd, 0);
    if (out_fd >= 0) dup2(out_fd, 1);
    if (err_fd >= 0) dup2(err_fd, 2);
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
      failed_step = 1;
    } else {
      execvp(args[0], args.data());
      failed_step = 2;
    }
    int message[2] = {failed_step, errno};
    ssize_t ignored = write(report[1], message, sizeof message);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int message[2] = {0, 0};
  ssize_t got;
  do {
    got = read(report[0], message, sizeof message);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (got == (ssize_t)sizeof message) {
    *why = message[0] == 1 ? "cannot enter " + dir + ": " + strerror(message[1])
                           : "cannot run " + argv[0] + ": " + strerror(message[1]);
    return -1;
  }
  if (WIFSIGNALED(status)) {
    *why = argv[0] + " ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
  }
  return WEXITSTATUS(status);
}

bool runner_bisect_git(const std::string& dir, const std::vector<std::string>& args, std::string* output,
                       std::string* why) {
  std::vector<std::string> argv = {"git"};
  if (!dir.empty()) {
    argv.push_back("-C");
    argv.push_back(dir);
  }
  argv.insert(argv.end(), args.begin(), args.end());
  // Both streams go to temporary files, read after git ends, so neither
  // can fill up and hold git while this process waits for it.
  FILE* out_file = tmpfile();
  FILE* err_file = tmpfile();
  if (!out_file || !err_file) {
    *why = std::string("cannot make a temporary file: ") + strerror(errno);
    if (out_file) fclose(out_file);
    if (err_file) fclose(err_file);
    return false;
  }
  std::string spawn_why;
  int status = bisect_spawn(argv, "", fileno(out_file), fileno(err_file), &spawn_why);
  std::string text, error_text;
  lseek(fileno(out_file), 0, SEEK_SET);
  bisect_read_all(fileno(out_file), &text, (size_t)1 << 30);
  lseek(fileno(err_file), 0, SEEK_SET);
  bisect_read_all(fileno(err_file), &error_text, (size_t)1 << 20);
  fclose(out_file);
  fclose(err_file);
  if (output) *output = text;
  if (status < 0) {
    *why = spawn_why;
    return false;
  }
  if (status != 0) {
    std::string line = bisect_last_line(error_text);
    *why = "git " + (args.empty() ? std::string() : args[0]) + " failed" + (line.empty() ? "" : ": " + line);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Revisions

// A revision name git could read as an option is refused.
static bool bisect_plain_revision(const std::string& name, const char* which, std::string* why) {
  if (name.empty() || name[0] == '-') {
    *why = std::string(which) + " '" + name + "' is not a revision name";
    return false;
  }
  return true;
}

// "HASH<TAB>SUBJECT" lines into revisions.
static void bisect_parse_log(const std::string& text, std::vector<runner_bisect_revision>* out) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.empty()) continue;
    size_t tab = line.find('\t');
    runner_bisect_revision r;
    r.hash = line.substr(0, tab);
    r.subject = tab == std::string::npos ? "" : line.substr(tab + 1);
    out->push_back(r);
  }
}

bool runner_bisect_revisions(const std::string& repo_dir, const std::string& good, const std::string& bad,
                             runner_bisect_revision* good_out, std::vector<runner_bisect_revision>* range,
                             std::string* why) {
  range->clear();
  if (!bisect_plain_revision(good, "GOOD", why) || !bisect_plain_revision(bad, "BAD", why)) return false;
  std::string inside, tree_why;
  if (!runner_bisect_git(repo_dir, {"rev-parse", "--is-inside-work-tree"}, &inside, &tree_why) ||
      bisect_trim(inside) != "true") {
    *why = "not in a git work tree" + (tree_why.empty() ? std::string() : " (" + tree_why + ")");
    return false;
  }
  std::string hashes[2];
  const std::string* names[2] = {&good, &bad};
  for (int i = 0; i < 2; i++) {
    std::string text, git_why;
    if (!runner_bisect_git(repo_dir, {"rev-parse", "--verify", "--quiet", *names[i] + "^{commit}"}, &text,
                           &git_why)) {
      *why = std::string(i == 0 ? "GOOD" : "BAD") + " '" + *names[i] + "' is not a commit here" +
             (git_why.find(':') != std::string::npos ? " (" + git_why + ")" : "");
      return false;
    }
    hashes[i] = bisect_trim(text);
  }
  if (hashes[0] == hashes[1]) {
    *why = "GOOD and BAD are the same commit " + hashes[0];
    return false;
  }
  std::string ignored;
  if (!runner_bisect_git(repo_dir, {"merge-base", "--is-ancestor", hashes[0], hashes[1]}, nullptr,
                         &ignored)) {
    *why = "GOOD " + hashes[0].substr(0, 12) + " is not an ancestor of BAD " + hashes[1].substr(0, 12);
    return false;
  }
  std::string text;
  std::vector<runner_bisect_revision> good_line;
  if (!runner_bisect_git(repo_dir, {"log", "-1", "--format=%H%x09%s", hashes[0]}, &text, why)) return false;
  bisect_parse_log(text, &good_line);
  if (good_line.size() != 1) {
    *why = "cannot read GOOD's subject";
    return false;
  }
  *good_out = good_line[0];
  if (!runner_bisect_git(repo_dir,
                         {"log", "--reverse", "--first-parent", "--ancestry-path", "--format=%H%x09%s",
                          hashes[0] + ".." + hashes[1]},
                         &text, why))
    return false;
  bisect_parse_log(text, range);
  if (range->empty() || range->back().hash != hashes[1]) {
    *why = "no first-parent path from GOOD " + hashes[0].substr(0, 12) + " to BAD " + hashes[1].substr(0, 12);
    range->clear();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Kept worktrees and their builds

const char RUNNER_BISECT_BUILD_LOG[] = ".bisect-build.log";
const char RUNNER_BISECT_BUILT_MARKER[] = ".bisect-built";

// What the marker holds: the build command, one word a line.
static std::string bisect_marker_text(const std::vector<std::string>& build_argv) {
  std::string text;
  for (const std::string& word : build_argv) text += word + "\n";
  return text;
}

static bool bisect_read_file(const std::string& path, std::string* text) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  text->clear();
  bisect_read_all(fileno(f), text, (size_t)1 << 20);
  fclose(f);
  return true;
}

// The real path of a folder ("" when it cannot be resolved).
static std::string bisect_real_path(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return "";
  std::string text = real;
  free(real);
  return text;
}

bool runner_bisect_prepare(const std::string& repo_dir, const std::string& worktrees_dir,
                           const std::string& hash, const std::vector<std::string>& build_argv,
                           runner_bisect_build* out, std::string* why) {
  *out = runner_bisect_build();
  out->dir = worktrees_dir + "/" + hash;
  struct stat st;
  if (stat(out->dir.c_str(), &st) == 0) {
    // Kept from an earlier bisect: only a worktree of this very commit is
    // used again.
    std::string top, head, ignored;
    bool is_tree = runner_bisect_git(out->dir, {"rev-parse", "--show-toplevel"}, &top, &ignored) &&
                   bisect_trim(top) == bisect_real_path(out->dir);
    if (!is_tree || !runner_bisect_git(out->dir, {"rev-parse", "HEAD"}, &head, &ignored) ||
        bisect_trim(head) != hash) {
      *why = out->dir + " is there but is not a worktree of " + hash.substr(0, 12) +
             " (remove it and run 'git worktree prune')";
      return false;
    }
  } else {
    if (!file_replace_prepare_folder(worktrees_dir.c_str(), why)) {
      *why = "cannot make " + worktrees_dir + ": " + *why;
      return false;
    }
    // --force: a path whose folder was deleted by hand stays registered
    // until pruned; it is added again here.
    std::string git_why;
    if (!runner_bisect_git(repo_dir, {"worktree", "add", "--force", "--detach", out->dir, hash}, nullptr,
                           &git_why)) {
      *why = "cannot add the worktree " + out->dir + ": " + git_why;
      return false;
    }
  }
  std::string marker_path = out->dir + "/" + RUNNER_BISECT_BUILT_MARKER;
  std::string log_path = out->dir + "/" + RUNNER_BISECT_BUILD_LOG;
  std::string marker;
  if (bisect_read_file(marker_path, &marker) && marker == bisect_marker_text(build_argv)) {
    if (access(log_path.c_str(), F_OK) == 0) out->log_path = log_path;
    return true;
  }
  unlink(marker_path.c_str());
  file_replace log;
  if (!file_replace_begin(&log, log_path.c_str(), why)) {
    *why = "cannot write " + log_path + ": " + *why;
    return false;
  }
  fflush(log.stream);
  std::string spawn_why;
  int status = bisect_spawn(build_argv, out->dir, fileno(log.stream), fileno(log.stream), &spawn_why);
  std::string log_why;
  bool log_kept = file_replace_commit(&log, &log_why);
  if (log_kept) out->log_path = log_path;
  if (status != 0) {
    *why = status < 0 ? spawn_why : "the build command exited with status " + std::to_string(status);
    if (log_kept) *why += " (log: " + log_path + ")";
    return false;
  }
  if (!log_kept) {
    *why = "cannot write " + log_path + ": " + log_why;
    return false;
  }
  std::string text = bisect_marker_text(build_argv);
  if (!file_replace_write(marker_path.c_str(), text.data(), text.size(), why)) {
    *why = "cannot write " + marker_path + ": " + *why;
    return false;
  }
  out->built = true;
  return true;
}

// ---------------------------------------------------------------------------
// The command

// A stream that passes everything to another and keeps the tail, so the
// A/B's progress reaches the user as it comes and its last error line can
// still be named.
struct bisect_tee {
  FILE* to;
  std::string tail;  // at most 8 KiB
};

static ssize_t bisect_tee_write(void* cookie, const char* data, size_t size) {
  bisect_tee* t = (bisect_tee*)cookie;
  fwrite(data, 1, size, t->to);
  fflush(t->to);
  t->tail.append(data, size);
  if (t->tail.size() > 8192) t->tail.erase(0, t->tail.size() - 8192);
  return (ssize_t)size;
}

// What one revision's A/B gave.
struct bisect_judged {
  int status = -1;       // the A/B's status (-1: not run)
  std::string verdicts;  // "solid SLOWER, wire SAME" from its RESULT lines
  std::string output;    // its standard output
  std::string output_path;
};

// The verdict per mode from the A/B's "RESULT ab mode=M ... verdict=V"
// lines.
static std::string bisect_verdicts(const std::string& output) {
  std::string list;
  size_t at = 0;
  while ((at = output.find("RESULT ab ", at)) != std::string::npos) {
    if (at > 0 && output[at - 1] != '\n') {
      at++;
      continue;
    }
    size_t end = output.find('\n', at);
    std::string line = output.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? output.size() : end;
    auto field = [&line](const char* key) {
      std::string k = std::string(" ") + key + "=";
      size_t p = line.find(k);
      if (p == std::string::npos) return std::string("?");
      p += k.size();
      return line.substr(p,
                         line.find(' ', p) == std::string::npos ? std::string::npos : line.find(' ', p) - p);
    };
    if (!list.empty()) list += ", ";
    list += field("mode") + " " + field("verdict");
  }
  return list;
}

static std::string bisect_status_words(int status) {
  switch (status) {
    case 0:
      return "SAME or FASTER";
    case 1:
      return "SLOWER";
    case 3:
      return "refused or a side failed";
    case 4:
      return "UNCERTAIN";
    default:
      return "status " + std::to_string(status);
  }
}

runner_bisect_ab_function runner_bisect_ab_main(runner_ab_plotter plot) {
  return [plot](const runner_ab_request& request, FILE* out, FILE* err) {
    return runner_ab_main(request, out, err, plot);
  };
}

int runner_bisect_main(const runner_bisect_request& request, FILE* out, FILE* err,
                       const runner_bisect_ab_function& ab) {
  const char* program = request.program;
  std::string why;
  runner_bisect_revision good;
  std::vector<runner_bisect_revision> range;
  if (!runner_bisect_revisions(request.repo_dir, request.good, request.bad, &good, &range, &why)) {
    fprintf(err, "%s: %s\n", program, why.c_str());
    return RUNNER_BISECT_STATUS_USAGE;
  }
  // Folders are absolute: the A/B runs its sides in the worktrees.
  std::string worktrees = request.worktrees_dir;
  if (worktrees.empty()) {
    std::string common;
    if (!runner_bisect_git(request.repo_dir, {"rev-parse", "--path-format=absolute", "--git-common-dir"},
                           &common, &why)) {
      fprintf(err, "%s: %s\n", program, why.c_str());
      return RUNNER_BISECT_STATUS_FAILED;
    }
    worktrees = bisect_trim(common) + "/bisect-worktrees";
  }
  std::string refused;
  if (!file_replace_check_outputs({request.out_dir, worktrees}, {}, &refused)) {
    fprintf(err, "%s: %s\n", program, refused.c_str());
    return RUNNER_BISECT_STATUS_FAILED;
  }
  worktrees = bisect_real_path(worktrees);
  std::string out_dir = bisect_real_path(request.out_dir);

  size_t count = range.size();
  fprintf(err, "%s: %zu revision%s after GOOD %.12s up to BAD %.12s; worktrees in %s\n", program, count,
          count == 1 ? "" : "s", good.hash.c_str(), range.back().hash.c_str(), worktrees.c_str());
  runner_bisect_build good_build;
  fprintf(err, "%s: GOOD %.12s: preparing its worktree and build\n", program, good.hash.c_str());
  if (!runner_bisect_prepare(request.repo_dir, worktrees, good.hash, request.build_argv, &good_build, &why)) {
    fprintf(err, "%s: GOOD %.12s cannot be built: %s\n", program, good.hash.c_str(), why.c_str());
    return RUNNER_BISECT_STATUS_FAILED;
  }

  std::vector<bisect_judged> judged(count);
  int stop_status = RUNNER_BISECT_STATUS_FAILED;
  runner_bisect_judge judge = [&](runner_bisect_step* step) {
    const runner_bisect_revision& rev = range[step->index];
    bisect_judged& j = judged[step->index];
    fprintf(err, "%s: revision %.12s (%zu of %zu, %zu left): %s\n", program, rev.hash.c_str(),
            step->index + 1, count, step->left, rev.subject.c_str());
    runner_bisect_build build;
    std::string prepare_why;
    if (!runner_bisect_prepare(request.repo_dir, worktrees, rev.hash, request.build_argv, &build,
                               &prepare_why)) {
      step->reason = "build failed: " + prepare_why;
      fprintf(err, "%s: %.12s skipped: %s\n", program, rev.hash.c_str(), step->reason.c_str());
      return RUNNER_BISECT_SKIP;
    }
    fprintf(err, "%s: %.12s %s; A/B against GOOD\n", program, rev.hash.c_str(),
            build.built ? "built" : "build kept from an earlier bisect");
    runner_ab_request call;
    call.program = program;
    call.base_argv = request.run_argv;
    call.next_argv = request.run_argv;
    call.base_dir = good_build.dir;
    call.next_dir = build.dir;
    call.flight_args = request.flight_args;
    call.pairs = request.pairs;
    call.max_seconds = request.max_seconds;
    call.threshold_percent = request.threshold_percent;
    call.out_dir = out_dir + "/" + rev.hash.substr(0, 12);
    std::string folder_why;
    if (!file_replace_prepare_folder(call.out_dir.c_str(), &folder_why)) {
      step->reason = "cannot write " + call.out_dir + ": " + folder_why;
      stop_status = RUNNER_BISECT_STATUS_FAILED;
      return RUNNER_BISECT_STOP;
    }
    char* buffer = nullptr;
    size_t size = 0;
    FILE* captured = open_memstream(&buffer, &size);
    bisect_tee tee = {err, ""};
    cookie_io_functions_t io = {nullptr, bisect_tee_write, nullptr, nullptr};
    FILE* progress = fopencookie(&tee, "w", io);
    if (!captured || !progress) {
      if (captured) fclose(captured);
      if (progress) fclose(progress);
      free(buffer);
      step->reason = "out of memory";
      stop_status = RUNNER_BISECT_STATUS_FAILED;
      return RUNNER_BISECT_STOP;
    }
    setvbuf(progress, nullptr, _IONBF, 0);
    j.status = ab(call, captured, progress);
    fclose(progress);
    fclose(captured);
    j.output.assign(buffer ? buffer : "", size);
    free(buffer);
    j.verdicts = bisect_verdicts(j.output);
    j.output_path = call.out_dir + "/ab-output.txt";
    std::string write_why;
    if (!file_replace_write(j.output_path.c_str(), j.output.data(), j.output.size(), &write_why)) {
      step->reason = "cannot write " + j.output_path + ": " + write_why;
      stop_status = RUNNER_BISECT_STATUS_FAILED;
      return RUNNER_BISECT_STOP;
    }
    std::string said = bisect_status_words(j.status) + (j.verdicts.empty() ? "" : " (" + j.verdicts + ")");
    switch (j.status) {
      case 0:
        fprintf(err, "%s: %.12s is good: %s\n", program, rev.hash.c_str(), said.c_str());
        return RUNNER_BISECT_GOOD;
      case 1:
        fprintf(err, "%s: %.12s is bad: %s\n", program, rev.hash.c_str(), said.c_str());
        return RUNNER_BISECT_BAD;
      case 3:
      case 4: {
        std::string last = bisect_last_line(tee.tail);
        // The A/B names the side that failed; GOOD's side failing would
        // fail every A/B to come.
        if (j.status == 3 && last.find("BASE failed") != std::string::npos) {
          step->reason = "GOOD " + good.hash.substr(0, 12) + " cannot be run: " + last;
          stop_status = RUNNER_BISECT_STATUS_FAILED;
          return RUNNER_BISECT_STOP;
        }
        step->reason = said + (j.status == 3 && !last.empty() ? ": " + last : "");
        fprintf(err, "%s: %.12s skipped: %s\n", program, rev.hash.c_str(), step->reason.c_str());
        return RUNNER_BISECT_SKIP;
      }
      default:
        // A usage error of the A/B holds for every revision.
        step->reason = "the A/B refused its options (" + said + ")";
        stop_status = j.status == 2 ? RUNNER_BISECT_STATUS_USAGE : RUNNER_BISECT_STATUS_FAILED;
        return RUNNER_BISECT_STOP;
    }
  };
  runner_bisect_result result = runner_bisect_search(count, judge);
  if (result.outcome == RUNNER_BISECT_STOPPED) {
    fprintf(err, "%s: stopped: %s\n", program, result.stop_reason.c_str());
    return stop_status;
  }

  // The answer on standard output: what was judged, then the finding.
  fprintf(out, "Bisect from GOOD %.12s (%s) to BAD %.12s: %zu revisions, %zu judged\n", good.hash.c_str(),
          good.subject.c_str(), range.back().hash.c_str(), count, result.judged.size());
  for (size_t index : result.judged) {
    const bisect_judged& j = judged[index];
    std::string said =
        !result.reasons[index].empty()
            ? "skipped: " + result.reasons[index]
            : bisect_status_words(j.status) + (j.verdicts.empty() ? "" : " (" + j.verdicts + ")");
    fprintf(out, "  %zu/%zu %.12s %s\n", index + 1, count, range[index].hash.c_str(), said.c_str());
  }
  if (result.outcome == RUNNER_BISECT_FOUND) {
    const runner_bisect_revision& first = range[(size_t)result.first_bad];
    const bisect_judged& j = judged[(size_t)result.first_bad];
    fprintf(out, "First slower revision: %s %s\n", first.hash.c_str(), first.subject.c_str());
    fprintf(out, "Its A/B against GOOD (%s):\n%s", j.output_path.c_str(), j.output.c_str());
    if (!j.output.empty() && j.output.back() != '\n') fputc('\n', out);
    fprintf(out, "RESULT bisect outcome=found first_bad=%s judged=%zu\n", first.hash.c_str(),
            result.judged.size());
    return RUNNER_BISECT_STATUS_FOUND;
  }
  if (result.outcome == RUNNER_BISECT_NOT_SLOWER) {
    const bisect_judged& j = judged[count - 1];
    fprintf(out, "BAD %.12s is not slower than GOOD %.12s: %s; nothing to bisect\n",
            range.back().hash.c_str(), good.hash.c_str(), bisect_status_words(j.status).c_str());
    fprintf(out, "RESULT bisect outcome=not_slower judged=%zu\n", result.judged.size());
    return RUNNER_BISECT_STATUS_NOT_SLOWER;
  }
  fprintf(out, "Could not split the range: the first slower revision is one of these%s\n",
          result.first_bad < 0 ? ", or none (BAD was not convicted)" : "");
  for (size_t index : result.suspects) {
    std::string said = result.reasons[index].empty() ? "SLOWER" : "skipped: " + result.reasons[index];
    fprintf(out, "  %s %s (%s)\n", range[index].hash.c_str(), range[index].subject.c_str(), said.c_str());
  }
  fprintf(out, "RESULT bisect outcome=unsplit suspects=%zu judged=%zu\n", result.suspects.size(),
          result.judged.size());
  return RUNNER_BISECT_STATUS_UNSPLIT;
}
