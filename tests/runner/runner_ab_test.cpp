// A/B pairs: the command-line word splitter, the turn protocol of a side
// (its variable, its lines, and the runs it drives over real pipes), and
// runner_ab_main against small shell scripts that speak the protocol and
// write made-up reports: verdicts, a failing side, incomparable sides.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "runner/runner_runs.h"

TEST(RunnerTurns, VariableAndLines) {
  runner_turns t;
  char error[200];
  ASSERT_TRUE(runner_turns_parse("3,4", &t, error, sizeof error));
  EXPECT_TRUE(t.on);
  EXPECT_EQ(t.in_fd, 3);
  EXPECT_EQ(t.out_fd, 4);
  for (const char* bad : {"", "3", "3,", ",4", "3;4", "-1,4", "3,4,5", "3,70000", "a,b", " 3,4"}) {
    runner_turns u;
    EXPECT_FALSE(runner_turns_parse(bad, &u, error, sizeof error)) << bad;
    EXPECT_FALSE(u.on) << bad;
    EXPECT_NE(std::string(error).find("RUNNER_TURNS wants"), std::string::npos) << error;
  }
  EXPECT_EQ(runner_turn_parse_line("run"), RUNNER_TURN_RUN);
  EXPECT_EQ(runner_turn_parse_line("run\r"), RUNNER_TURN_RUN);
  EXPECT_EQ(runner_turn_parse_line("stop"), RUNNER_TURN_STOP);
  for (const char* bad : {"", "Run", "run ", "runs", "stop\n", "go"})
    EXPECT_EQ(runner_turn_parse_line(bad), RUNNER_TURN_BAD) << bad;
}

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "runner/runner_ab.h"

TEST(RunnerAb, SplitWords) {
  setenv("HOME", "/home/me", 1);
  struct good_case {
    const char* text;
    std::vector<std::string> words;
  };
  const good_case good[] = {
      {"build/tools/boxfield_runner", {"build/tools/boxfield_runner"}},
      {"  env LP_NUM_THREADS=1\tbuild/x  ", {"env", "LP_NUM_THREADS=1", "build/x"}},
      {"a 'b c' \"d e\"", {"a", "b c", "d e"}},
      {"'it''s' x\\ y", {"its", "x y"}},
      {"\"a \\\"q\\\" \\\\ \\$ \\n\"", {"a \"q\" \\ $ \\n"}},
      {"'$HOME|*' ''", {"$HOME|*", ""}},
      {"~/old/run ~ a~b", {"/home/me/old/run", "/home/me", "a~b"}},
      {"x\\;y", {"x;y"}},
  };
  for (const good_case& c : good) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_TRUE(runner_split_words(c.text, &words, &error)) << c.text << ": " << error;
    EXPECT_EQ(words, c.words) << c.text;
  }
  const char* bad[] = {"",      "   ",  "a 'b",  "a \"b",  "a\\", "a $HOME", "a `b`",
                       "a | b", "a; b", "a > f", "a && b", "(a)", "a *",     "\"$x\""};
  for (const char* text : bad) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(runner_split_words(text, &words, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

// The side of the protocol over real pipes: ready after the warm-up, a
// timed run per "run" answered with "done", the end at "stop", at the end
// of the input, and at a line it does not know (then a failure).
TEST(RunnerTurns, SideOverPipes) {
  struct outcome {
    const char* script;  // what the controller sends
    int runs;            // timed runs flown
    bool failed;         // turn_error set
  };
  const outcome cases[] = {{"run\nrun\nstop\n", 2, false}, {"run\n", 1, false}, {"run\nwalk\n", 1, true}};
  for (const outcome& c : cases) {
    int to[2], from[2];
    ASSERT_EQ(pipe(to), 0);
    ASSERT_EQ(pipe(from), 0);
    ASSERT_EQ(write(to[1], c.script, strlen(c.script)), (ssize_t)strlen(c.script));
    close(to[1]);
    runner_runs_plan plan;
    plan.warmup_passes = 1;
    plan.runs = 1;  // ignored with turns
    plan.turns.on = true;
    plan.turns.in_fd = to[0];
    plan.turns.out_fd = from[1];
    runner_runs r;
    runner_runs_start(&r, plan);
    std::vector<runner_frame> frames(3);
    int passes = 0;
    bool more = runner_runs_await_turn(&r);  // warming up: no wait
    while (more && passes < 10) {
      passes++;
      more = runner_runs_pass_done(&r, frames, 0.0) && runner_runs_await_turn(&r);
    }
    close(from[1]);
    char said[256] = {0};
    ssize_t n = read(from[0], said, sizeof said - 1);
    close(from[0]);
    close(to[0]);
    std::string expected = "ready\n";
    for (int i = 0; i < c.runs; i++) expected += "done\n";
    EXPECT_EQ(std::string(said, n > 0 ? (size_t)n : 0), expected) << c.script;
    EXPECT_EQ((int)r.timed.size(), c.runs) << c.script;
    EXPECT_EQ(!r.turn_error.empty(), c.failed) << c.script << r.turn_error;
    if (c.failed) {
      EXPECT_NE(r.turn_error.find("'walk'"), std::string::npos) << r.turn_error;
    }
    EXPECT_NE(r.ended_by.find("after " + std::to_string(c.runs)), std::string::npos) << r.ended_by;
  }
}

// A side that speaks the protocol and writes a made-up report: its run
// medians are 10, 10.2, 10.4 ms (by run) times SCALE, in each of MODES;
// the first --size WxH among its arguments sets the report's surface; ADD its
// added-work figure.
static const char fake_side[] = R"SH(#!/bin/sh
scale=$1 modes=$2 add=$3
shift 3
size=160x90
given=""
while [ $# -gt 0 ]; do [ "$1" = --size ] && [ -z "$given" ] && size=$2 given=1; shift; done
echo "starting" >&2
echo ready >&4
n=0
while read -r line <&3 && [ "$line" = run ]; do
  n=$((n + 1))
  echo done >&4
done
figs=""
i=0
while [ $i -lt $n ]; do
  i=$((i + 1))
  m=$(awk "BEGIN { print (10 + ($i % 3) * 0.2) * $scale }")
  figs="$figs${figs:+,}{\"median_ms\":$m}"
done
med=$(awk "BEGIN { print 10.2 * $scale }")
{
  printf '{"schema_version":2,"program":"fake","frame_end":"finish","clock":"real","script":"tour ab",'
  printf '"add_work_percent":%s,"surface":{"width":%s,"height":%s},"gl":{"renderer":"fake"},"modes":{' \
    "$add" "${size%x*}" "${size#*x}"
  sep=""
  for mode in $modes; do
    printf '%s"%s":{"frames":%s,"median_ms":%s,"run_figures":[%s]}' "$sep" "$mode" $((n * 10)) "$med" "$figs"
    sep=,
  done
  printf '}}\n'
} >"$RUNNER_TURNS_REPORT"
)SH";

struct ab_run {
  int status;
  std::string out, err;
};

class RunnerAbSides : public ::testing::Test {
 protected:
  std::string dir;
  void SetUp() override {
    char pattern[] = "/tmp/runner_ab_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    std::ofstream(dir + "/side.sh") << fake_side;
    // Dies in its first turn, leaving a child that would write a second later.
    std::ofstream(dir + "/dies.sh") << "#!/bin/sh\necho ready >&4\n"
                                       "(exec 3<&- 4>&-; sleep 1; echo 'late: left running' >&2) &\n"
                                       "read -r line <&3\n"
                                       "echo 'fake: out of memory in frame 3' >&2\nexit 1\n";
  }
  void TearDown() override { (void)!system(("rm -rf '" + dir + "'").c_str()); }

  ab_run run(const std::vector<std::string>& base, const std::vector<std::string>& next, int pairs) {
    runner_ab_request rq;
    rq.program = "abtest";
    rq.base_argv = base;
    rq.next_argv = next;
    rq.pairs = pairs;
    rq.out_dir = dir + "/out";
    rq.flight_args = {"--size", "160x90"};
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    ab_run r;
    r.status = runner_ab_main(rq, out, err, nullptr);
    r.out = read_all(out);
    r.err = read_all(err);
    return r;
  }
  static std::string read_all(FILE* f) {
    std::string s;
    rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) s.append(buffer, n);
    fclose(f);
    return s;
  }
  std::vector<std::string> side(const char* scale, const char* modes = "solid wire", const char* add = "0") {
    return {"sh", dir + "/side.sh", scale, modes, add};
  }
};

TEST_F(RunnerAbSides, VerdictsResultLinesAndRecord) {
  // 20 % slower in every pair: SLOWER, status 1, the added work named.
  ab_run slow = run(side("1"), side("1.2", "solid wire", "20"), 12);
  EXPECT_EQ(slow.status, RUNNER_AB_FAILED) << slow.out << slow.err;
  for (const char* mode : {"solid", "wire"}) {
    std::string line = std::string("RESULT ab mode=") + mode +
                       " ratio=1.2000 ci_low=1.2000 ci_high=1.2000 verdict=SLOWER pairs=12 ";
    EXPECT_NE(slow.out.find(line), std::string::npos) << slow.out;
  }
  EXPECT_NE(slow.out.find("differs: added work (--add-work): \"0 %\" against \"20 %\""), std::string::npos);
  std::ifstream json(dir + "/out/ab.json");
  std::stringstream text;
  text << json.rdbuf();
  for (const char* key : {"\"version\": 1", "\"pairs\": 12", "\"generation\": 12", "\"verdict\": \"SLOWER\"",
                          "/out/new-012/report.json\"", "\"first\": \"new\"", "\"started\": \"new\""})
    EXPECT_NE(text.str().find(key), std::string::npos) << key;
  struct stat st;
  EXPECT_EQ(stat((dir + "/out/base-012/report.json").c_str(), &st), 0);

  // The same in both: SAME, status 0; NEW without the wire mode: MISSING.
  ab_run same = run(side("1"), side("1"), 12);
  EXPECT_EQ(same.status, RUNNER_AB_OK) << same.out << same.err;
  EXPECT_NE(same.out.find("verdict=SAME pairs=12"), std::string::npos) << same.out;
  EXPECT_NE(same.out.find("differences: none"), std::string::npos) << same.out;
  ab_run missing = run(side("1"), side("1", "solid"), 2);
  EXPECT_EQ(missing.status, RUNNER_AB_FAILED) << missing.out << missing.err;
  EXPECT_NE(missing.out.find("RESULT ab mode=wire ratio=n/a ci_low=n/a ci_high=n/a verdict=MISSING"),
            std::string::npos)
      << missing.out;
}

TEST_F(RunnerAbSides, FailingSidesAndIncomparableReports) {
  // A command that never takes turns (an old build, or one that fails).
  ab_run never = run({"false"}, side("1"), 2);
  EXPECT_EQ(never.status, RUNNER_AB_REFUSED);
  EXPECT_NE(
      never.err.find("abtest: BASE failed in generation 1, before pair 1: it ended without saying it was "
                     "ready"),
      std::string::npos)
      << never.err;
  EXPECT_NE(never.err.find("exit status 1"), std::string::npos) << never.err;
  // A side that dies in its first turn: named with the pair and its last error line.
  ab_run dies = run(side("1"), {"sh", dir + "/dies.sh"}, 4);
  EXPECT_EQ(dies.status, RUNNER_AB_REFUSED);
  EXPECT_NE(dies.err.find("NEW failed in pair 1 (generation 1)"), std::string::npos) << dies.err;
  EXPECT_NE(dies.err.find("its last error line: fake: out of memory in frame 3"), std::string::npos)
      << dies.err;
  EXPECT_NE(dies.err.find("/out/new-001/stderr.txt"), std::string::npos) << dies.err;
  // What the side started ended with it: nothing more reaches its folder.
  sleep(2);
  std::ifstream dies_err(dir + "/out/new-001/stderr.txt");
  std::stringstream dies_text;
  dies_text << dies_err.rdbuf();
  EXPECT_EQ(dies_text.str(), "fake: out of memory in frame 3\n");
  // Another size in one side's command: not an A/B, with the difference named.
  std::vector<std::string> bigger = side("1");
  bigger.insert(bigger.end(), {"--size", "320x180"});
  ab_run other = run(side("1"), bigger, 2);
  EXPECT_EQ(other.status, RUNNER_AB_REFUSED);
  EXPECT_NE(other.err.find("surfaces differ: \"160x90\" against \"320x180\""), std::string::npos)
      << other.err;
  EXPECT_EQ(other.out.find("RESULT"), std::string::npos);
}
#endif
