// The bisect of a slowdown: the search with a made-up judge (every first
// bad revision of ranges of 1 to 9, every pattern of skipped revisions,
// which must give a range rather than a wrong answer), revisions read from a real temporary git
// repository (GOOD that is not an ancestor refused), kept worktrees and
// their builds reused, and the whole command over a repository with an A/B
// that reads a file of each revision instead of timing it. POSIX only.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "runner/runner_bisect.h"
#include "support/temp_files.h"

namespace {

// ---------------------------------------------------------------------------
// The search

// A judge that knows the first bad revision (count: none) and skips the
// revisions whose bit is set; it fails the test when asked twice.
runner_bisect_result search_with(size_t count, size_t first_bad, unsigned skipped) {
  std::set<size_t> asked;
  return runner_bisect_search(count, [&](runner_bisect_step* step) {
    EXPECT_LT(step->index, count);
    EXPECT_TRUE(asked.insert(step->index).second) << "revision " << step->index << " judged twice";
    if (skipped & (1u << step->index)) {
      step->reason = "undecided";
      return RUNNER_BISECT_SKIP;
    }
    return step->index >= first_bad ? RUNNER_BISECT_BAD : RUNNER_BISECT_GOOD;
  });
}

TEST(RunnerBisectSearch, FindsEveryFirstBadRevisionInRangesOfOneToNine) {
  for (size_t count = 1; count <= 9; count++) {
    // BAD first, then halving what is left.
    size_t most = 1;
    while ((1u << (most - 1)) < count) most++;
    for (size_t first = 0; first < count; first++) {
      SCOPED_TRACE("count " + std::to_string(count) + ", first bad " + std::to_string(first));
      runner_bisect_result r = search_with(count, first, 0);
      ASSERT_EQ(r.outcome, RUNNER_BISECT_FOUND);
      EXPECT_EQ(r.first_bad, (long)first);
      EXPECT_EQ(r.last_good, (long)first - 1);
      EXPECT_EQ(r.judged.front(), count - 1);
      EXPECT_LE(r.judged.size(), most);
    }
    // BAD not slower: one A/B, nothing else.
    runner_bisect_result none = search_with(count, count, 0);
    EXPECT_EQ(none.outcome, RUNNER_BISECT_NOT_SLOWER);
    EXPECT_EQ(none.judged.size(), 1u);
  }
}

// Whatever is skipped, the answer is never wrong: the first bad revision is
// named exactly when it and the one before it were judged, and otherwise it
// is among the suspects, which are skipped revisions and the first one
// judged bad.
TEST(RunnerBisectSearch, SkipsGiveARangeNeverAWrongAnswer) {
  for (size_t count = 1; count <= 8; count++) {
    for (size_t first = 0; first <= count; first++) {
      for (unsigned skipped = 0; skipped < (1u << count); skipped++) {
        SCOPED_TRACE("count " + std::to_string(count) + ", first bad " + std::to_string(first) +
                     ", skipped " + std::to_string(skipped));
        runner_bisect_result r = search_with(count, first, skipped);
        auto skip = [&](long i) { return i >= 0 && i < (long)count && (skipped & (1u << i)) != 0; };
        bool decidable =
            first < count ? !skip((long)first) && !skip((long)first - 1) : !skip((long)count - 1);
        if (decidable) {
          ASSERT_EQ(r.outcome, first < count ? RUNNER_BISECT_FOUND : RUNNER_BISECT_NOT_SLOWER);
          if (first < count) {
            EXPECT_EQ(r.first_bad, (long)first);
          }
          continue;
        }
        ASSERT_EQ(r.outcome, RUNNER_BISECT_UNSPLIT);
        ASSERT_FALSE(r.suspects.empty());
        EXPECT_EQ(r.suspects.front(), (size_t)(r.last_good + 1));
        for (size_t k = 0; k < r.suspects.size(); k++) {
          if (k > 0) {
            EXPECT_EQ(r.suspects[k], r.suspects[k - 1] + 1);
          }
          bool convicted = (long)r.suspects[k] == r.first_bad;
          EXPECT_EQ(convicted, k + 1 == r.suspects.size() && r.first_bad >= 0);
          if (!convicted) {
            EXPECT_EQ(r.reasons[r.suspects[k]], "undecided");
          }
        }
        if (first < count) {
          EXPECT_NE(std::find(r.suspects.begin(), r.suspects.end(), first), r.suspects.end());
        } else {
          EXPECT_EQ(r.first_bad, -1);
        }
      }
    }
  }
}

TEST(RunnerBisectSearch, SkippedMiddleTriesANeighbourAndStopEndsTheSearch) {
  // 9 revisions, BAD bad: the middle of 0..7 is 3; skipped, 2 or 4 comes next.
  runner_bisect_result r = search_with(9, 6, 1u << 3);
  ASSERT_EQ(r.outcome, RUNNER_BISECT_FOUND);
  EXPECT_EQ(r.first_bad, 6);
  ASSERT_GE(r.judged.size(), 3u);
  EXPECT_EQ(r.judged[1], 3u);
  EXPECT_TRUE(r.judged[2] == 2 || r.judged[2] == 4) << r.judged[2];

  int calls = 0;
  runner_bisect_result stopped = runner_bisect_search(9, [&](runner_bisect_step* step) {
    if (++calls == 2) {
      step->reason = "GOOD cannot run";
      return RUNNER_BISECT_STOP;
    }
    return RUNNER_BISECT_BAD;
  });
  EXPECT_EQ(stopped.outcome, RUNNER_BISECT_STOPPED);
  EXPECT_EQ(stopped.stop_reason, "GOOD cannot run");
  EXPECT_EQ(calls, 2);
}

// ---------------------------------------------------------------------------
// Git, worktrees and the whole command, on a temporary repository

struct test_repo {
  std::string root;                 // the folder of this test's files
  std::string dir;                  // the repository
  std::vector<std::string> hashes;  // commits, oldest first
};

std::string shell_output(const std::string& command) {
  std::string text;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return text;
  char buffer[256];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, got);
  pclose(p);
  return text;
}

// A repository of `commits` commits "step 1".."step N"; commit k (from 1)
// writes its work figure, which is 20 from commit `slow_from` on, else 0.
test_repo make_repo(const std::string& name, int commits, int slow_from) {
  test_repo r;
  r.root = temp_path(name);
  std::filesystem::remove_all(r.root);
  r.dir = r.root + "/repo";
  std::filesystem::create_directories(r.dir);
  std::string script = "cd '" + r.dir +
                       "' && git init -q && git config user.email t@example.com && git config user.name t"
                       " && for i in $(seq 1 " +
                       std::to_string(commits) + "); do if [ $i -ge " + std::to_string(slow_from) +
                       " ]; then echo 20; else echo 0; fi >work; echo $i >step; git add work step;"
                       " git commit -q -m \"step $i\"; git rev-parse HEAD; done";
  std::string out = shell_output(script);
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    r.hashes.push_back(out.substr(at, end - at));
    at = end == std::string::npos ? out.size() : end + 1;
  }
  return r;
}

TEST(RunnerBisectGit, RevisionsInOrderAndBadRangesRefused) {
  test_repo repo = make_repo("bisect_revisions", 5, 99);
  ASSERT_EQ(repo.hashes.size(), 5u);
  runner_bisect_revision good;
  std::vector<runner_bisect_revision> range;
  std::string why;
  ASSERT_TRUE(runner_bisect_revisions(repo.dir, "HEAD~4", "HEAD", &good, &range, &why)) << why;
  EXPECT_EQ(good.hash, repo.hashes[0]);
  EXPECT_EQ(good.subject, "step 1");
  ASSERT_EQ(range.size(), 4u);
  for (size_t i = 0; i < 4; i++) {
    EXPECT_EQ(range[i].hash, repo.hashes[i + 1]);
    EXPECT_EQ(range[i].subject, "step " + std::to_string(i + 2));
  }
  // A commit on a branch of its own is no ancestor of HEAD.
  std::string side = shell_output("cd '" + repo.dir +
                                  "' && git checkout -q -b side HEAD~2 && echo x >side && git add side"
                                  " && git commit -q -m side && git rev-parse HEAD && git checkout -q -");
  side = side.substr(0, side.find('\n'));
  struct refusal {
    const char *good, *bad, *words;
  } refusals[] = {
      {"HEAD", "HEAD~4", "not an ancestor"},
      {side.c_str(), "HEAD", "not an ancestor"},
      {"HEAD~1", "HEAD~1", "same commit"},
      {"no-such-revision", "HEAD", "GOOD 'no-such-revision' is not a commit"},
      {"HEAD~4", "--all", "not a revision name"},
  };
  for (const refusal& r : refusals) {
    EXPECT_FALSE(runner_bisect_revisions(repo.dir, r.good, r.bad, &good, &range, &why))
        << r.good << " " << r.bad;
    EXPECT_NE(why.find(r.words), std::string::npos) << why;
  }
  // Inside the git folder there is no work tree to build in.
  EXPECT_FALSE(runner_bisect_revisions(repo.dir + "/.git", "HEAD~4", "HEAD", &good, &range, &why));
  EXPECT_NE(why.find("not in a git work tree"), std::string::npos) << why;
  std::filesystem::remove_all(repo.root);
}

TEST(RunnerBisectWorktree, BuiltOnceThenReusedRebuiltForAnotherCommand) {
  test_repo repo = make_repo("bisect_worktree", 3, 99);
  ASSERT_EQ(repo.hashes.size(), 3u);
  std::string trees = repo.root + "/trees", count = repo.root + "/builds";
  std::vector<std::string> build = {"sh", "-c", "echo building; cat step >>\"$0\"", count};
  runner_bisect_build b;
  std::string why;
  ASSERT_TRUE(runner_bisect_prepare(repo.dir, trees, repo.hashes[1], build, &b, &why)) << why;
  EXPECT_TRUE(b.built);
  EXPECT_EQ(b.dir, trees + "/" + repo.hashes[1]);
  EXPECT_EQ(read_whole_file(b.dir + "/step"), "2\n");
  EXPECT_EQ(read_whole_file(b.log_path), "building\n");
  EXPECT_EQ(read_whole_file(count), "2\n");
  // Again: the kept build is used.
  ASSERT_TRUE(runner_bisect_prepare(repo.dir, trees, repo.hashes[1], build, &b, &why)) << why;
  EXPECT_FALSE(b.built);
  EXPECT_EQ(read_whole_file(count), "2\n");
  // Another build command builds again.
  build[2] += "; true";
  ASSERT_TRUE(runner_bisect_prepare(repo.dir, trees, repo.hashes[1], build, &b, &why)) << why;
  EXPECT_TRUE(b.built);
  EXPECT_EQ(read_whole_file(count), "2\n2\n");
  // A failed build leaves its log and no marker, so it is tried again.
  std::vector<std::string> failing = {"sh", "-c", "echo oops; cat step >>\"$0\"; exit 3", count};
  for (int attempt = 0; attempt < 2; attempt++) {
    EXPECT_FALSE(runner_bisect_prepare(repo.dir, trees, repo.hashes[2], failing, &b, &why));
    EXPECT_NE(why.find("status 3"), std::string::npos) << why;
    EXPECT_NE(why.find(RUNNER_BISECT_BUILD_LOG), std::string::npos) << why;
    EXPECT_EQ(read_whole_file(b.dir + "/" + RUNNER_BISECT_BUILD_LOG), "oops\n");
  }
  EXPECT_EQ(read_whole_file(count), "2\n2\n3\n3\n");
  // A folder of that name that is no worktree of the commit is refused and
  // left alone.
  std::string stranger = trees + "/" + repo.hashes[0];
  std::filesystem::create_directories(stranger);
  EXPECT_FALSE(runner_bisect_prepare(repo.dir, trees, repo.hashes[0], build, &b, &why));
  EXPECT_NE(why.find("not a worktree"), std::string::npos) << why;
  EXPECT_TRUE(std::filesystem::exists(stranger));
  // Nor is a worktree of another commit taken for this one.
  std::filesystem::remove(stranger);
  std::filesystem::create_symlink(trees + "/" + repo.hashes[1], stranger);
  EXPECT_FALSE(runner_bisect_prepare(repo.dir, trees, repo.hashes[0], build, &b, &why));
  std::filesystem::remove_all(repo.root);
}

// The whole command with an A/B that compares the revisions' work figures:
// it checks what it is handed and writes a RESULT line as an A/B would.
struct fake_ab {
  std::string good_dir;                 // GOOD's worktree, expected as the base
  std::vector<std::string> undecided;   // hashes whose A/B is UNCERTAIN
  std::vector<std::string> side_fails;  // hashes whose A/B fails: GOOD's side when it is good_hash
  std::string good_hash;
  int calls = 0;
  int operator()(const runner_ab_request& call, FILE* out, FILE* err) {
    calls++;
    EXPECT_EQ(call.base_dir, good_dir);
    EXPECT_EQ(call.base_argv, (std::vector<std::string>{"./run.sh"}));
    EXPECT_EQ(call.flight_args, (std::vector<std::string>{"--size", "64x64"}));
    for (const std::string& h : undecided) {
      if (call.next_dir.find(h) != std::string::npos) return 4;
    }
    for (const std::string& h : side_fails) {
      if (call.next_dir.find(h) != std::string::npos) {
        fprintf(err, "ab: %s failed in pair 1: exited with status 1\n", h == good_hash ? "BASE" : "NEW");
        return 3;
      }
    }
    int base = atoi(read_whole_file(call.base_dir + "/work").c_str());
    int next = atoi(read_whole_file(call.next_dir + "/work").c_str());
    fprintf(err, "pair 1 of 1\n");
    fprintf(out, "table of %s\nRESULT ab mode=solid ratio=%.4f verdict=%s\n", call.next_dir.c_str(),
            (100.0 + next) / (100.0 + base), next > base ? "SLOWER" : "SAME");
    return next > base ? 1 : 0;
  }
};

std::string run_bisect(const runner_bisect_request& request, fake_ab* ab, int* status) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  FILE* err = tmpfile();
  *status = runner_bisect_main(request, out, err,
                               [ab](const runner_ab_request& c, FILE* o, FILE* e) { return (*ab)(c, o, e); });
  fclose(out);
  fclose(err);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

TEST(RunnerBisectMain, NamesTheFirstSlowerCommitReusesBuildsAndReportsARange) {
  test_repo repo = make_repo("bisect_main", 8, 5);
  ASSERT_EQ(repo.hashes.size(), 8u);
  runner_bisect_request request;
  request.program = "test";
  request.repo_dir = repo.dir;
  request.good = repo.hashes[0];
  request.bad = "HEAD";
  std::string count = repo.root + "/builds";
  request.build_argv = {"sh", "-c", "cat step >>\"$0\"", count};
  request.run_argv = {"./run.sh"};
  request.flight_args = {"--size", "64x64"};
  request.worktrees_dir = repo.root + "/trees";
  request.out_dir = repo.root + "/out";
  fake_ab ab;
  ab.good_dir = request.worktrees_dir + "/" + repo.hashes[0];
  int status = -1;
  std::string text = run_bisect(request, &ab, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_FOUND) << text;
  const std::string& culprit = repo.hashes[4];
  EXPECT_NE(text.find("First slower revision: " + culprit + " step 5\n"), std::string::npos) << text;
  EXPECT_NE(text.find("table of " + request.worktrees_dir + "/" + culprit), std::string::npos) << text;
  EXPECT_NE(text.find("RESULT bisect outcome=found first_bad=" + culprit), std::string::npos) << text;
  std::string kept = read_whole_file(request.out_dir + "/" + culprit.substr(0, 12) + "/ab-output.txt");
  EXPECT_NE(kept.find("verdict=SLOWER"), std::string::npos) << kept;
  std::string builds = read_whole_file(count);
  EXPECT_EQ((int)std::count(builds.begin(), builds.end(), '\n'), ab.calls + 1) << builds;

  // The same range again: every build is kept, the answer is the same.
  fake_ab again = ab;
  again.calls = 0;
  text = run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_FOUND) << text;
  EXPECT_NE(text.find("First slower revision: " + culprit), std::string::npos) << text;
  EXPECT_EQ(read_whole_file(count), builds);

  // The culprit undecided: a range of it and its successor, the reason named.
  again.undecided = {culprit};
  text = run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_UNSPLIT) << text;
  EXPECT_NE(text.find(culprit + " step 5 (skipped: UNCERTAIN)"), std::string::npos) << text;
  EXPECT_NE(text.find(repo.hashes[5] + " step 6 (SLOWER)"), std::string::npos) << text;

  // A revision whose side fails is skipped; GOOD's side failing stops it all.
  again.undecided.clear();
  again.side_fails = {repo.hashes[7]};
  text = run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_FOUND) << text;
  EXPECT_NE(text.find("skipped: refused or a side failed: ab: NEW failed"), std::string::npos) << text;
  again.good_hash = again.side_fails[0];
  again.calls = 0;
  run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_FAILED);
  EXPECT_EQ(again.calls, 1);
  again.side_fails.clear();

  // Nothing slower, GOOD not an ancestor of BAD, GOOD that does not build.
  request.bad = repo.hashes[3];
  text = run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_NOT_SLOWER) << text;
  request.good = "HEAD";
  request.bad = repo.hashes[3];
  run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_USAGE);
  request.good = repo.hashes[0];
  request.bad = "HEAD";
  request.build_argv = {"false"};
  again.calls = 0;
  run_bisect(request, &again, &status);
  EXPECT_EQ(status, RUNNER_BISECT_STATUS_FAILED);
  EXPECT_EQ(again.calls, 0);
  std::filesystem::remove_all(repo.root);
}

}  // namespace
#endif
