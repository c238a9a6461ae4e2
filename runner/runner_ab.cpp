// A/B pairs of two commands (see runner_ab.h).
#include "runner/runner_ab.h"

#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "runner/runner_ab_stats.h"
#include "runner/runner_compare.h"
#include "runner/runner_session.h"
#include "util/file_replace.h"

// ---------------------------------------------------------------------------
// Words of a command line

bool runner_split_words(const char* text, std::vector<std::string>* words, std::string* error) {
  words->clear();
  std::string word;
  bool in_word = false;
  const char* p = text ? text : "";
  auto refuse = [error](const std::string& why) {
    *error = why;
    return false;
  };
  while (*p) {
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words->push_back(word);
      word.clear();
      in_word = false;
      p++;
      continue;
    }
    if (!in_word && c == '~' && (p[1] == '/' || p[1] == 0 || p[1] == ' ' || p[1] == '\t')) {
      const char* home = getenv("HOME");
      if (!home || !*home) return refuse("'~' and no HOME to put in its place");
      word += home;
      in_word = true;
      p++;
      continue;
    }
    in_word = true;
    if (c == '\'') {
      const char* end = strchr(p + 1, '\'');
      if (!end) return refuse("a single quote is not closed");
      word.append(p + 1, (size_t)(end - p - 1));
      p = end + 1;
    } else if (c == '"') {
      p++;
      for (;;) {
        if (!*p) return refuse("a double quote is not closed");
        if (*p == '"') break;
        if (*p == '\\' && p[1] && strchr("\"\\$`", p[1])) {
          word += p[1];
          p += 2;
          continue;
        }
        if (*p == '$' || *p == '`')
          return refuse(std::string("'") + *p +
                        "' inside double quotes: no shell runs the command to expand it");
        word += *p++;
      }
      p++;
    } else if (c == '\\') {
      if (!p[1]) return refuse("a backslash ends the command");
      word += p[1];
      p += 2;
    } else if (strchr("$`|&;<>()*?[", c)) {
      return refuse(std::string("'") + c +
                    "' means something to a shell, and no shell runs the command: quote it, or put "
                    "the shell's work in a script");
    } else {
      word += c;
      p++;
    }
  }
  if (in_word) words->push_back(word);
  if (words->empty()) return refuse("the command is empty");
  return true;
}

// ---------------------------------------------------------------------------
// Sides

extern char** environ;

enum { SIDE_BASE, SIDE_NEW };
static const char* const side_names[2] = {"BASE", "NEW"};
static const char* const side_folders[2] = {"base", "new"};

// A side's process and its pipes.
struct ab_process {
  pid_t pid = -1;
  int to_fd = -1;    // the side reads its turns here
  int from_fd = -1;  // the side's "ready" and "done"
  std::string folder, report, out_path, err_path;
  bool ready = false;
};

struct ab_state {
  const runner_ab_request* request;
  FILE* out;
  FILE* err;
  const char* me;
  std::string out_dir;  // absolute
  double start_s;
  ab_process side[2];
  std::string failure;  // the line that ended the A/B, "" while none
};

// Each side runs in a process group of its own, so that ending a side ends
// whatever its command started too (a wrapper script's runner, its awk): a
// child left behind would go on using the CPU during the next measurement
// and writing into the side's folder. The groups are kept here for the stop
// signals below, which a terminal's Ctrl-C no longer sends to the sides.
static volatile sig_atomic_t side_group[2];

// A stop signal (Ctrl-C, a kill, a closed terminal) ends the sides' groups,
// then the controller as the signal would have.
static void end_sides_and_stop(int sig) {
  for (int s = 0; s < 2; s++) {
    if (side_group[s] > 0) kill(-(pid_t)side_group[s], SIGTERM);
  }
  signal(sig, SIG_DFL);
  raise(sig);
}

// Installed where the caller left the default, so a caller's own handler
// is kept.
static void pass_stop_signals_to_sides() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old;
    if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = end_sides_and_stop;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
  }
}

// Ends side p's process group (the side and all it started).
static void end_side(ab_process* p) {
  if (p->pid > 0) kill(-p->pid, SIGTERM);
}

static void close_fd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// The side's last non-empty line of standard error, or "".
static std::string last_error_line(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "";
  std::string text;
  if (fseek(f, 0, SEEK_END) == 0) {
    long size = ftell(f);
    long from = size > 8192 ? size - 8192 : 0;
    fseek(f, from, SEEK_SET);
  }
  char buffer[8192];
  size_t n = fread(buffer, 1, sizeof buffer, f);
  fclose(f);
  text.assign(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  size_t start = text.find_last_of("\r\n");
  std::string line = start == std::string::npos ? text : text.substr(start + 1);
  for (char& c : line) {
    if ((unsigned char)c < 32) c = '?';
  }
  return line;
}

// Starts side s of generation g; false with state->failure set.
static bool start_side(ab_state* st, int s, int generation) {
  const runner_ab_request& rq = *st->request;
  ab_process& p = st->side[s];
  p = ab_process();
  char name[32];
  snprintf(name, sizeof name, "%s-%03d", side_folders[s], generation);
  p.folder = st->out_dir + "/" + name;
  p.report = p.folder + "/report.json";
  p.out_path = p.folder + "/stdout.txt";
  p.err_path = p.folder + "/stderr.txt";
  std::string why;
  if (!file_replace_prepare_folder(p.folder.c_str(), &why)) {
    st->failure = std::string(side_names[s]) + ": cannot make " + p.folder + ": " + why;
    return false;
  }
  unlink(p.report.c_str());
  int to[2], from[2];
  if (pipe2(to, O_CLOEXEC) != 0) {
    st->failure = std::string("cannot make a pipe: ") + strerror(errno);
    return false;
  }
  if (pipe2(from, O_CLOEXEC) != 0) {
    close(to[0]);
    close(to[1]);
    st->failure = std::string("cannot make a pipe: ") + strerror(errno);
    return false;
  }
  // Everything the child needs is made before the fork: it then only
  // moves descriptors, changes folder and runs the command.
  const std::vector<std::string>& command = s == SIDE_BASE ? rq.base_argv : rq.next_argv;
  std::vector<std::string> words = command;
  words.insert(words.end(), rq.flight_args.begin(), rq.flight_args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; e && *e; e++) {
    if (strncmp(*e, "RUNNER_TURNS=", 13) != 0 && strncmp(*e, "RUNNER_TURNS_REPORT=", 20) != 0)
      env_text.push_back(*e);
  }
  env_text.push_back("RUNNER_TURNS=3,4");
  env_text.push_back("RUNNER_TURNS_REPORT=" + p.report);
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(&e[0]);
  envp.push_back(nullptr);
  const std::string& dir = s == SIDE_BASE ? rq.base_dir : rq.next_dir;
  int out_fd = open(p.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err_fd = open(p.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  // Standard input from /dev/null: in a group of its own, a side reading
  // the terminal would be stopped.
  int null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (out_fd < 0 || err_fd < 0 || null_fd < 0) {
    st->failure = std::string(side_names[s]) + ": cannot write " + p.folder + ": " + strerror(errno);
    for (int fd : {to[0], to[1], from[0], from[1], out_fd, err_fd, null_fd}) {
      if (fd >= 0) close(fd);
    }
    return false;
  }
  fflush(st->out);
  fflush(st->err);
  pid_t pid = fork();
  if (pid == 0) {
    // Its own process group, and SIGPIPE as a program expects it (the
    // controller ignores it, and an ignored signal stays ignored past exec).
    setpgid(0, 0);
    signal(SIGPIPE, SIG_DFL);
    // The turns on descriptors 3 (in) and 4 (out), standard output and
    // error into the side's folder; first moved above 10 so no dup2 lands
    // on a descriptor still to be moved.
    int in = fcntl(to[0], F_DUPFD, 10), outp = fcntl(from[1], F_DUPFD, 10);
    if (in < 0 || outp < 0 || dup2(in, 3) < 0 || dup2(outp, 4) < 0 || dup2(out_fd, 1) < 0 ||
        dup2(err_fd, 2) < 0 || dup2(null_fd, 0) < 0)
      _exit(126);
    close(in);
    close(outp);
    if (!dir.empty() && chdir(dir.c_str()) != 0) {
      static const char message[] = "cannot enter the side's working folder\n";
      (void)!write(2, message, sizeof message - 1);
      _exit(126);
    }
    execvpe(argv[0], argv.data(), envp.data());
    static const char message[] = "cannot run the command: ";
    (void)!write(2, message, sizeof message - 1);
    const char* reason = strerror(errno);
    (void)!write(2, reason, strlen(reason));
    (void)!write(2, "\n", 1);
    _exit(127);
  }
  close(to[0]);
  close(from[1]);
  close(out_fd);
  close(err_fd);
  close(null_fd);
  // Set here too, so the group exists before any signal is sent to it.
  if (pid > 0) {
    setpgid(pid, pid);
    side_group[s] = pid;
  }
  if (pid < 0) {
    close(to[1]);
    close(from[0]);
    st->failure = std::string("cannot start a process: ") + strerror(errno);
    return false;
  }
  p.pid = pid;
  p.to_fd = to[1];
  p.from_fd = from[0];
  return true;
}

// How a side's process ended, in words; waits for it.
static std::string reap(ab_process* p, int* status_out) {
  int status = 0;
  std::string how;
  if (p->pid > 0) {
    // Once the side has ended (still unreaped, so its number cannot be
    // taken by another process), whatever it started and left running is
    // ended with it.
    siginfo_t info;
    while (waitid(P_PID, (id_t)p->pid, &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    kill(-p->pid, SIGTERM);
    while (waitpid(p->pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
      how = "exit status " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
      how = std::string("ended by signal ") + std::to_string(WTERMSIG(status));
    }
  }
  for (int s = 0; s < 2; s++) {
    if (side_group[s] == p->pid) side_group[s] = 0;
  }
  p->pid = -1;
  close_fd(&p->to_fd);
  close_fd(&p->from_fd);
  if (status_out) *status_out = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return how;
}

// Ends both sides at once (after a failure).
static void kill_sides(ab_state* st) {
  for (ab_process& p : st->side) {
    end_side(&p);
    reap(&p, nullptr);
  }
}

// The failure line of side s: what happened, where, and its last error line.
static void side_failed(ab_state* st, int s, const std::string& what, const std::string& where) {
  ab_process& p = st->side[s];
  std::string how = p.pid > 0 ? reap(&p, nullptr) : "";
  std::string line = std::string(side_names[s]) + " failed " + where + ": " + what;
  if (!how.empty()) line += " (" + how + ")";
  std::string last = last_error_line(p.err_path);
  line += last.empty() ? "; it wrote no error line" : "; its last error line: " + last;
  line += " (all of it in " + p.err_path + ")";
  st->failure = line;
}

// Reads one line from side s (at most silence_seconds); 1, or 0 at the end
// of its output, or -1 when it was silent too long.
static int read_line(ab_state* st, int s, std::string* line) {
  ab_process& p = st->side[s];
  line->clear();
  for (;;) {
    struct pollfd pf = {p.from_fd, POLLIN, 0};
    int ready = poll(&pf, 1, (int)(st->request->silence_seconds * 1000.0));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return -1;
    char c;
    ssize_t got = read(p.from_fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return 0;
    if (c == '\n') return 1;
    if (line->size() < 200) line->push_back(c);
  }
}

// Waits for side s to say `word`; false with the failure set.
static bool expect(ab_state* st, int s, const char* word, const std::string& where) {
  std::string line;
  int got = read_line(st, s, &line);
  if (got == 1 && line == word) return true;
  if (got < 0) {
    char what[120];
    snprintf(what, sizeof what, "it said nothing for %g s", st->request->silence_seconds);
    end_side(&st->side[s]);
    side_failed(st, s, what, where);
  } else if (got == 0 && strcmp(word, "ready") == 0) {
    side_failed(st, s,
                "it ended without saying it was ready to take turns (RUNNER_TURNS): a build that does "
                "not take turns, or one that failed",
                where);
  } else if (got == 0) {
    side_failed(st, s, std::string("it ended before it said ") + word, where);
  } else {
    for (char& c : line) {
      if ((unsigned char)c < 32) c = '?';
    }
    end_side(&st->side[s]);
    side_failed(st, s, "it said '" + line + "' where '" + word + "' was due", where);
  }
  return false;
}

static bool tell(ab_state* st, int s, const char* line) {
  size_t n = strlen(line), done = 0;
  while (done < n) {
    ssize_t w = write(st->side[s].to_fd, line + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += (size_t)w;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Reports

// What the two sides measured must be the same; what an A/B is for may
// differ and is named. 0 with the differences that refuse it in why.
static int ab_comparable(const runner_read_figures& a, const runner_read_figures& b, std::string* why) {
  std::string d;
  auto differ = [&d](const char* what, const std::string& x, const std::string& y) {
    if (x != y)
      d += (d.empty() ? "" : "; ") + std::string(what) + " differ: \"" + x + "\" against \"" + y + "\"";
  };
  differ("schema versions", std::to_string(a.schema_version), std::to_string(b.schema_version));
  differ("surfaces", std::to_string(a.width) + "x" + std::to_string(a.height),
         std::to_string(b.width) + "x" + std::to_string(b.height));
  differ("flights", a.script, b.script);
  differ("frame ends", a.frame_end, b.frame_end);
  differ("clocks", a.clock, b.clock);
  // The instruments and the warm-up are part of what a run measures.
  differ("warm-up passes", a.warmup_passes.text, b.warmup_passes.text);
  differ("timer queries", a.timer_queries.text, b.timer_queries.text);
  differ("GL error checks", a.gl_error_check.text, b.gl_error_check.text);
  differ("headless swaps", a.egl_swap.text, b.egl_swap.text);
  *why = d;
  return d.empty() ? 1 : 0;
}

// What differs between the sides that an A/B may be for, one item each.
static std::vector<std::string> ab_differences(const runner_read_figures& a, const runner_read_figures& b) {
  std::vector<std::string> d;
  auto differ = [&d](const char* what, const std::string& x, const std::string& y) {
    if (x != y) d.push_back(std::string(what) + ": \"" + x + "\" against \"" + y + "\"");
  };
  differ("program", a.program, b.program);
  differ("source revision", a.source_revision, b.source_revision);
  differ("GL renderer", a.gl_renderer, b.gl_renderer);
  differ("driver version", a.driver_version, b.driver_version);
  differ("driver settings", a.driver_settings, b.driver_settings);
  differ("usable CPUs", a.usable_cpus.text, b.usable_cpus.text);
  differ("CPU limit", a.cpu_limit.text, b.cpu_limit.text);
  char x[32], y[32];
  snprintf(x, sizeof x, "%g %%", a.add_work_percent);
  snprintf(y, sizeof y, "%g %%", b.add_work_percent);
  differ("added work (--add-work)", x, y);
  return d;
}

// ---------------------------------------------------------------------------
// The pairs

struct ab_pair {
  int generation;
  int first;    // SIDE_BASE or SIDE_NEW flew first
  int started;  // SIDE_BASE or SIDE_NEW was started first
  int run;      // the run's place (0-based) in both sides' reports
  std::string base_report, next_report;
  std::vector<double> time, gpu, cpu;  // per judged mode: the ratio NEW/BASE (NaN where not had)
};

struct ab_mode {
  std::string name;
  bool missing = false;  // BASE timed it, NEW did not
  runner_ab_estimate estimate = {};
  bool judged = false;
};

static double ratio_of(const std::vector<double>& b, const std::vector<double>& n, size_t i) {
  if (i >= b.size() || i >= n.size() || !(b[i] > 0.0) || !(n[i] > 0.0)) return NAN;
  return n[i] / b[i];
}

// Median of the finite values (NaN when none).
static double median_finite(const std::vector<double>& v) {
  std::vector<double> f;
  for (double x : v) {
    if (isfinite(x)) f.push_back(x);
  }
  if (f.empty()) return NAN;
  std::sort(f.begin(), f.end());
  size_t n = f.size();
  return n % 2 ? f[n / 2] : 0.5 * (f[n / 2 - 1] + f[n / 2]);
}

// Which side flies first in pair p (0-based): AB BA BA AB, repeated, so
// each side is first in half of every four pairs and a steady drift
// weighs on both alike.
static int first_of_pair(size_t p) {
  size_t k = p % 4;
  return k == 0 || k == 3 ? SIDE_BASE : SIDE_NEW;
}

static std::string join(const std::vector<std::string>& words) {
  std::string s;
  for (const std::string& w : words) {
    bool plain = !w.empty() && w.find_first_of(" \t'\"\\$`|&;<>()*?[") == std::string::npos;
    std::string q = plain ? w : "'" + w + "'";
    s += (s.empty() ? "" : " ") + q;
  }
  return s;
}

static std::string figure(double v, const char* format) {
  if (!isfinite(v)) return "n/a";
  char text[64];
  snprintf(text, sizeof text, format, v);
  return text;
}

// ---------------------------------------------------------------------------
// The command

int runner_ab_main(const runner_ab_request& rq, FILE* out, FILE* err, runner_ab_plotter plot) {
  ab_state st;
  st.request = &rq;
  st.out = out;
  st.err = err;
  st.me = rq.program ? rq.program : "ab";
  if (rq.base_argv.empty() || rq.next_argv.empty()) {
    fprintf(err, "%s: both sides need a command\n", st.me);
    return RUNNER_AB_USAGE;
  }
  if (rq.out_dir.empty() || rq.pairs < 0 || rq.pairs_per_generation < 1 || !(rq.threshold_percent >= 0.0)) {
    fprintf(err, "%s: an A/B needs an output folder, a pair count from 1 (or auto) and a threshold\n", st.me);
    return RUNNER_AB_USAGE;
  }
  std::string why;
  if (!file_replace_check_outputs({rq.out_dir}, {rq.out_dir + "/ab.json", rq.out_dir + "/ab.png"}, &why)) {
    fprintf(err, "%s: %s\n", st.me, why.c_str());
    return RUNNER_AB_REFUSED;
  }
  char* absolute = realpath(rq.out_dir.c_str(), nullptr);
  if (!absolute) {
    fprintf(err, "%s: %s: %s\n", st.me, rq.out_dir.c_str(), strerror(errno));
    return RUNNER_AB_REFUSED;
  }
  st.out_dir = absolute;
  free(absolute);
  // A side that ends while a turn is written to it must not end the A/B.
  signal(SIGPIPE, SIG_IGN);
  pass_stop_signals_to_sides();
  st.start_s = runner_seconds();

  std::vector<ab_pair> pairs;
  std::vector<ab_mode> modes;
  std::vector<std::string> differences;
  runner_read_figures first_base;
  int look = 0;  // with auto: the next look
  const int looks = runner_ab_looks();
  double alpha = 0.05;
  std::string ended_by;
  bool capped = false;
  int generation = 0;

  auto judge = [&](double a) {
    for (size_t m = 0; m < modes.size(); m++) {
      if (modes[m].missing) continue;
      std::vector<double> logs;
      std::vector<int> gens;
      for (const ab_pair& p : pairs) {
        if (!isfinite(p.time[m])) continue;
        logs.push_back(log(p.time[m]));
        gens.push_back(p.generation);
      }
      modes[m].estimate = runner_ab_judge(logs.data(), gens.data(), logs.size(), rq.threshold_percent, a);
      modes[m].judged = true;
    }
  };
  auto decided = [&]() {
    for (const ab_mode& m : modes) {
      if (m.missing) continue;
      runner_verdict v = m.estimate.verdict;
      if (v != RUNNER_SAME && v != RUNNER_FASTER && v != RUNNER_SLOWER) return false;
    }
    return true;
  };

  for (;;) {
    // The pairs this generation flies: up to the next look (auto) or N.
    size_t flown = pairs.size();
    size_t target = rq.pairs > 0 ? (size_t)rq.pairs : runner_ab_look_pairs(look);
    size_t count = std::min(target - flown, (size_t)rq.pairs_per_generation);
    generation++;
    char where[96];
    snprintf(where, sizeof where, "in generation %d, before pair %zu", generation, flown + 1);
    // The sides are started (and warm up) in turn, BASE first in odd
    // generations and NEW first in even ones. Started always BASE first,
    // NEW came out about 1 % slower in A/As on the 2-core machine, whichever
    // side flew first; taking turns spreads whatever the start order does
    // over both sides alike.
    int started[2] = {generation % 2 ? SIDE_BASE : SIDE_NEW, generation % 2 ? SIDE_NEW : SIDE_BASE};
    for (int s : started) {
      if (st.failure.empty()) start_side(&st, s, generation);
    }
    for (int s : started) {
      if (st.failure.empty()) expect(&st, s, "ready", where);
    }
    for (size_t k = 0; k < count && st.failure.empty(); k++) {
      size_t p = flown + k;
      snprintf(where, sizeof where, "in pair %zu (generation %d)", p + 1, generation);
      int order[2] = {first_of_pair(p), 1 - first_of_pair(p)};
      for (int s : order) {
        if (!st.failure.empty()) break;
        if (!tell(&st, s, "run\n")) {
          side_failed(&st, s, "it stopped reading its turns", where);
          break;
        }
        expect(&st, s, "done", where);
      }
      if (st.failure.empty()) {
        ab_pair pr;
        pr.generation = generation;
        pr.first = order[0];
        pr.started = started[0];
        pr.run = (int)k;
        pr.base_report = st.side[SIDE_BASE].report;
        pr.next_report = st.side[SIDE_NEW].report;
        pairs.push_back(pr);
      }
    }
    // Both sides stop and write their reports.
    snprintf(where, sizeof where, "after pair %zu (generation %d), writing its report", pairs.size(),
             generation);
    for (int s = 0; s < 2; s++) close_fd(&st.side[s].to_fd);
    runner_read_figures reports[2];
    for (int s = 0; s < 2 && st.failure.empty(); s++) {
      int status = 0;
      ab_process& p = st.side[s];
      std::string how = reap(&p, &status);
      if (status != 0) {
        side_failed(&st, s, "it ended with " + how, where);
        break;
      }
      char error[512];
      if (!runner_read_report(p.report.c_str(), &reports[s], error, sizeof error)) {
        side_failed(&st, s, std::string("its report: ") + error, where);
        break;
      }
    }
    if (!st.failure.empty()) {
      kill_sides(&st);
      break;
    }
    // What the sides measured: the first generation's BASE is the yardstick.
    if (generation == 1) {
      first_base = reports[SIDE_BASE];
      differences = ab_differences(reports[SIDE_BASE], reports[SIDE_NEW]);
      for (const runner_read_mode& m : first_base.modes) {
        ab_mode am;
        am.name = m.name;
        const runner_read_mode* n = runner_read_find_mode(reports[SIDE_NEW], m.name.c_str());
        am.missing = !n || n->frames == 0;
        modes.push_back(am);
      }
    }
    bool refused = false;
    for (int s = 0; s < 2 && !refused; s++) {
      if (!ab_comparable(first_base, reports[s], &why)) {
        fprintf(err, "%s: not an A/B: %s (generation %d) measured something else than BASE: %s\n", st.me,
                side_names[s], generation, why.c_str());
        refused = true;
      }
    }
    if (refused) return RUNNER_AB_REFUSED;
    for (size_t m = 0; m < modes.size(); m++) {
      const runner_read_mode* b = runner_read_find_mode(reports[SIDE_BASE], modes[m].name.c_str());
      const runner_read_mode* n = runner_read_find_mode(reports[SIDE_NEW], modes[m].name.c_str());
      if (!b || b->frames == 0 || b->run_medians_ms.size() != count) {
        st.failure = std::string("BASE failed ") + where + ": its report " + reports[SIDE_BASE].script +
                     " has no timed frames of every run in mode " + modes[m].name + " (" +
                     st.side[SIDE_BASE].report + ")";
        break;
      }
      if (modes[m].missing) continue;
      if (!n || n->frames == 0 || n->run_medians_ms.size() != count) {
        st.failure = std::string("NEW failed ") + where + ": no timed frames of every run in mode " +
                     modes[m].name + " (" + st.side[SIDE_NEW].report + ")";
        break;
      }
      for (size_t k = 0; k < count; k++) {
        ab_pair& pr = pairs[flown + k];
        pr.time.resize(modes.size(), NAN);
        pr.gpu.resize(modes.size(), NAN);
        pr.cpu.resize(modes.size(), NAN);
        pr.time[m] = ratio_of(b->run_medians_ms, n->run_medians_ms, k);
        pr.gpu[m] = ratio_of(b->run_gpu_median_ms, n->run_gpu_median_ms, k);
        pr.cpu[m] = ratio_of(b->run_cpu_median_ms, n->run_cpu_median_ms, k);
      }
    }
    if (!st.failure.empty()) break;
    for (ab_pair& pr : pairs) {
      pr.time.resize(modes.size(), NAN);
      pr.gpu.resize(modes.size(), NAN);
      pr.cpu.resize(modes.size(), NAN);
    }
    // Judged at the looks (auto) or once at N pairs.
    double elapsed = runner_seconds() - st.start_s;
    bool all_missing = std::all_of(modes.begin(), modes.end(), [](const ab_mode& m) { return m.missing; });
    bool stop = false;
    if (all_missing) {
      ended_by = "NEW timed none of BASE's modes";
      stop = true;
    } else if (rq.pairs > 0) {
      if (pairs.size() >= (size_t)rq.pairs) {
        judge(alpha);
        ended_by = "the " + std::to_string(rq.pairs) + " pairs asked for were flown";
        stop = true;
      }
    } else if (pairs.size() >= runner_ab_look_pairs(look)) {
      alpha = runner_ab_look_alpha(look);
      judge(alpha);
      look++;
      if (decided()) {
        ended_by = "every mode was decided at " + std::to_string(pairs.size()) + " pairs";
        stop = true;
      } else if (look >= looks) {
        ended_by = "the last look, at " + std::to_string(pairs.size()) + " pairs, left a mode undecided";
        stop = true;
      }
    }
    if (!stop && rq.pairs == 0 && elapsed >= rq.max_seconds) {
      // Between looks: judged as the next look would be.
      alpha = runner_ab_look_alpha(std::min(look, looks - 1));
      judge(alpha);
      capped = true;
      char text[160];
      snprintf(text, sizeof text, "--max-seconds %g reached after %zu pairs", rq.max_seconds, pairs.size());
      ended_by = text;
      stop = true;
    }
    if (rq.progress) {
      fprintf(err, "%s: generation %d done, %zu pairs, %.1f min:", st.me, generation, pairs.size(),
              elapsed / 60.0);
      for (const ab_mode& m : modes) {
        std::vector<double> r;
        for (const ab_pair& p : pairs) r.push_back(p.time[&m - &modes[0]]);
        fprintf(err, " %s %s%s", m.name.c_str(),
                m.missing ? "MISSING" : figure(median_finite(r), "%.4f").c_str(),
                m.judged ? (std::string(" (") + runner_verdict_name(m.estimate.verdict) + ")").c_str() : "");
      }
      fputc('\n', err);
      fflush(err);
    }
    if (stop) break;
  }
  if (!st.failure.empty()) {
    fprintf(err, "%s: %s; the reports so far stay under %s\n", st.me, st.failure.c_str(), st.out_dir.c_str());
    return RUNNER_AB_REFUSED;
  }
  (void)capped;
  double minutes = (runner_seconds() - st.start_s) / 60.0;

  // The table.
  fprintf(out, "A/B: NEW/BASE of the run medians of each pair, per mode\n");
  fprintf(out, "base: %s%s%s\n", join(rq.base_argv).c_str(), rq.base_dir.empty() ? "" : " (in ",
          rq.base_dir.empty() ? "" : (rq.base_dir + ")").c_str());
  fprintf(out, "new:  %s%s%s\n", join(rq.next_argv).c_str(), rq.next_dir.empty() ? "" : " (in ",
          rq.next_dir.empty() ? "" : (rq.next_dir + ")").c_str());
  fprintf(out, "flight: %s (%s, %dx%d, frame end %s, clock %s)\n",
          rq.flight_args.empty() ? "(the programs' defaults)" : join(rq.flight_args).c_str(),
          first_base.script.c_str(), first_base.width, first_base.height, first_base.frame_end.c_str(),
          first_base.clock.c_str());
  if (differences.empty()) {
    fprintf(
        out,
        "differences: none in program, revision, renderer, driver, driver settings or added work (an A/A)\n");
  } else {
    for (const std::string& d : differences) fprintf(out, "differs: %s\n", d.c_str());
  }
  fprintf(out,
          "order: AB BA BA AB by pair, repeated; a fresh pair of processes every %d pair%s (%d generations), "
          "started BASE first and NEW first in turn\n",
          rq.pairs_per_generation, rq.pairs_per_generation == 1 ? "" : "s", generation);
  fprintf(out, "pairs: %zu in %.1f minutes; %s; threshold %g %%, alpha %.4g\n", pairs.size(), minutes,
          ended_by.c_str(), rq.threshold_percent, alpha);
  fprintf(out, "  %-6s %9s %19s %9s %9s %9s  %s\n", "mode", "new/base", "95 % interval", "can see", "gpu",
          "cpu", "verdict");
  bool slower = false, missing = false, uncertain = false;
  for (size_t m = 0; m < modes.size(); m++) {
    const ab_mode& am = modes[m];
    if (am.missing) {
      fprintf(out, "  %-6s %9s %19s %9s %9s %9s  MISSING: NEW timed no frames in this mode\n",
              am.name.c_str(), "-", "-", "-", "-", "-");
      missing = true;
      continue;
    }
    const runner_ab_estimate& e = am.estimate;
    std::vector<double> g, c;
    for (const ab_pair& p : pairs) {
      g.push_back(p.gpu[m]);
      c.push_back(p.cpu[m]);
    }
    char interval[48] = "-";
    if (e.has_interval) snprintf(interval, sizeof interval, "%.4f .. %.4f", e.low, e.high);
    std::string can_see = isfinite(e.detectable_percent) ? figure(e.detectable_percent, "%.1f %%") : "-";
    fprintf(out, "  %-6s %9.4f %19s %9s %9s %9s  %s", am.name.c_str(), e.ratio, interval, can_see.c_str(),
            figure(median_finite(g), "%.4f").c_str(), figure(median_finite(c), "%.4f").c_str(),
            runner_verdict_name(e.verdict));
    if (e.verdict == RUNNER_UNCERTAIN && isfinite(e.detectable_percent)) {
      fprintf(out, " (this A/B could see changes of %s %% or more: more pairs, or a quieter machine)",
              figure(e.detectable_percent, "%.1f").c_str());
    } else if (e.verdict == RUNNER_UNCERTAIN) {
      fprintf(out, " (too few generations for an interval: more pairs)");
    }
    fputc('\n', out);
    slower = slower || e.verdict == RUNNER_SLOWER;
    missing = missing || e.verdict == RUNNER_MISSING;
    uncertain = uncertain || e.verdict == RUNNER_UNCERTAIN;
  }
  fprintf(out, "each pair's new/base, in time order:\n");
  for (size_t m = 0; m < modes.size(); m++) {
    if (modes[m].missing) continue;
    fprintf(out, "  %s:", modes[m].name.c_str());
    for (const ab_pair& p : pairs) fprintf(out, " %s", figure(p.time[m], "%.3f").c_str());
    fputc('\n', out);
  }
  for (size_t m = 0; m < modes.size(); m++) {
    const ab_mode& am = modes[m];
    const runner_ab_estimate& e = am.estimate;
    if (am.missing) {
      fprintf(out,
              "RESULT ab mode=%s ratio=n/a ci_low=n/a ci_high=n/a verdict=MISSING pairs=0 "
              "detectable_percent=n/a\n",
              am.name.c_str());
      continue;
    }
    fprintf(out,
            "RESULT ab mode=%s ratio=%s ci_low=%s ci_high=%s verdict=%s pairs=%zu detectable_percent=%s\n",
            am.name.c_str(), figure(e.ratio, "%.4f").c_str(),
            figure(e.has_interval ? e.low : NAN, "%.4f").c_str(),
            figure(e.has_interval ? e.high : NAN, "%.4f").c_str(), runner_verdict_name(e.verdict), e.pairs,
            figure(e.detectable_percent, "%.1f").c_str());
  }
  int status = slower || missing ? RUNNER_AB_FAILED : uncertain ? RUNNER_AB_UNCERTAIN : RUNNER_AB_OK;

  // ab.json
  using nlohmann::ordered_json;
  auto number = [](double v) { return isfinite(v) ? ordered_json(v) : ordered_json(nullptr); };
  ordered_json j;
  j["version"] = 1;
  j["program"] = st.me;
  j["base"] = {{"command", rq.base_argv}, {"folder", rq.base_dir}};
  j["new"] = {{"command", rq.next_argv}, {"folder", rq.next_dir}};
  j["flight_args"] = rq.flight_args;
  j["settings"] = {{"pairs", rq.pairs > 0 ? ordered_json(rq.pairs) : ordered_json("auto")},
                   {"max_seconds", rq.max_seconds},
                   {"threshold_percent", rq.threshold_percent},
                   {"pairs_per_generation", rq.pairs_per_generation},
                   {"alpha", alpha}};
  j["order"] = "AB BA BA AB by pair; processes started BASE first in odd generations, NEW first in even";
  j["differences"] = differences;
  j["ended_by"] = ended_by;
  j["minutes"] = minutes;
  j["generations"] = generation;
  ordered_json jm = ordered_json::object();
  for (const ab_mode& am : modes) {
    const runner_ab_estimate& e = am.estimate;
    ordered_json o;
    o["verdict"] = am.missing ? "MISSING" : runner_verdict_name(e.verdict);
    o["pairs"] = am.missing ? 0 : e.pairs;
    o["ratio"] = am.missing ? ordered_json(nullptr) : number(e.ratio);
    o["ci_low"] = !am.missing && e.has_interval ? number(e.low) : ordered_json(nullptr);
    o["ci_high"] = !am.missing && e.has_interval ? number(e.high) : ordered_json(nullptr);
    o["detectable_percent"] = am.missing ? ordered_json(nullptr) : number(e.detectable_percent);
    o["lag1"] = am.missing ? ordered_json(nullptr) : number(e.lag1);
    jm[am.name] = o;
  }
  j["modes"] = jm;
  ordered_json jp = ordered_json::array();
  for (size_t i = 0; i < pairs.size(); i++) {
    const ab_pair& p = pairs[i];
    ordered_json o;
    o["pair"] = i + 1;
    o["generation"] = p.generation;
    o["first"] = p.first == SIDE_BASE ? "base" : "new";
    o["started"] = p.started == SIDE_BASE ? "base" : "new";
    o["run"] = p.run + 1;
    o["base_report"] = p.base_report;
    o["new_report"] = p.next_report;
    ordered_json r = ordered_json::object();
    for (size_t m = 0; m < modes.size(); m++) {
      if (modes[m].missing) continue;
      r[modes[m].name] = {{"time", number(p.time[m])}, {"gpu", number(p.gpu[m])}, {"cpu", number(p.cpu[m])}};
    }
    o["ratios"] = r;
    jp.push_back(o);
  }
  j["pairs"] = jp;
  j["status"] = status;
  std::string text = j.dump(1) + "\n";
  std::string json_path = st.out_dir + "/ab.json";
  if (!file_replace_write(json_path.c_str(), text.data(), text.size(), &why)) {
    fprintf(err, "%s: cannot write %s: %s\n", st.me, json_path.c_str(), why.c_str());
    return RUNNER_AB_REFUSED;
  }
  fprintf(out, "ab.json: %s\n", json_path.c_str());
  if (rq.next_reports) {
    for (const ab_pair& p : pairs) {
      if (rq.next_reports->empty() || rq.next_reports->back() != p.next_report)
        rq.next_reports->push_back(p.next_report);
    }
  }

  // The picture: an aid; whatever becomes of it, the verdict stands.
  if (plot) {
    std::vector<runner_plot_ratio_mode> pm;
    for (size_t m = 0; m < modes.size(); m++) {
      if (modes[m].missing) continue;
      runner_plot_ratio_mode one;
      const runner_ab_estimate& e = modes[m].estimate;
      one.name = modes[m].name;
      for (const ab_pair& p : pairs) one.ratios.push_back(p.time[m]);
      one.ratio = e.ratio;
      one.has_interval = e.has_interval;
      one.low = e.low;
      one.high = e.high;
      one.threshold_percent = rq.threshold_percent;
      one.verdict = runner_verdict_name(e.verdict);
      pm.push_back(one);
    }
    char title[400];
    snprintf(title, sizeof title, "A/B, %s, %dx%d: NEW/BASE of each pair, %zu pairs",
             first_base.script.c_str(), first_base.width, first_base.height, pairs.size());
    std::string png = st.out_dir + "/ab.png";
    char error[512];
    if (plot(png.c_str(), title, pm, error, sizeof error)) {
      fprintf(out, "picture: %s\n", png.c_str());
    } else {
      fprintf(err, "%s: no picture: %s\n", st.me, error);
    }
  }
  fprintf(out, "%s\n",
          slower || missing ? "FAILED: a mode is SLOWER or MISSING"
          : uncertain       ? "undecided: no mode SLOWER or MISSING, and a mode UNCERTAIN"
                            : "passed: every mode SAME or FASTER");
  fflush(out);
  return status;
}
