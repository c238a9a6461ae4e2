// The runner library's timed-run pieces: script events handed out by frame
// with the held mouse, list-building frames left out of the timed ones,
// per-mode error sums, frame-end names, the progress estimate, and the
// report files (per-frame times in order, non-finite figures as null, one
// CSV row per timed frame).
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "runner/runner_compare.h"
#include "runner/runner_progress.h"
#include "runner/runner_report.h"
#include "runner/runner_script.h"
#include "runner/runner_session.h"
#include "support/temp_files.h"

namespace {

std::vector<std::pair<int32_t, bool>> keys_seen;
void record_key(int32_t vk, bool down) { keys_seen.push_back({vk, down}); }

runner_session session_of(const char* text) {
  runner_script script;
  char error[128];
  EXPECT_EQ(runner_parse_script(text, &script, error, sizeof error), 1) << error;
  runner_session s;
  runner_session_start(&s, script);
  return s;
}

TEST(runner_session, EventsComeOutByFrameOnceEach) {
  runner_session s = session_of("2 down W\n2 move 5 -3\n4 up W\n4 move 0 0\n6 end\n");
  keys_seen.clear();
  runner_session_events(&s, 1, record_key);
  EXPECT_TRUE(keys_seen.empty());
  EXPECT_FALSE(s.mouse_held);
  runner_session_events(&s, 3, record_key);  // frames 2 and 3
  ASSERT_EQ(keys_seen.size(), 1u);
  EXPECT_EQ(keys_seen[0].first, 'W');
  EXPECT_TRUE(keys_seen[0].second);
  EXPECT_TRUE(s.mouse_held);
  EXPECT_EQ(s.mouse_dx, 5);
  EXPECT_EQ(s.mouse_dy, -3);
  runner_session_events(&s, 3, record_key);  // nothing new
  EXPECT_EQ(keys_seen.size(), 1u);
  runner_session_events(&s, 6, record_key);
  ASSERT_EQ(keys_seen.size(), 2u);
  EXPECT_FALSE(keys_seen[1].second);
  EXPECT_EQ(s.mouse_dx, 0);
}

TEST(runner_session, ListBuildingFramesAreNotTimedAndErrorsSumByMode) {
  runner_session s = session_of("6 end\n");
  const bool solid[] = {true, true, false, false, true, true};
  for (int i = 0; i < 6; i++) {
    EXPECT_FALSE(runner_session_done(s));
    runner_session_record(&s, 10.0 + i, solid[i], i == 3 ? 2 : 0);
  }
  EXPECT_TRUE(runner_session_done(s));
  std::vector<double> solid_ms, wire_ms;
  runner_session_mode_times(s, &solid_ms, &wire_ms);
  // Frames 1, 3 and 5 changed the mode (or were the first): left out.
  EXPECT_EQ(solid_ms, (std::vector<double>{11.0, 15.0}));
  EXPECT_EQ(wire_ms, (std::vector<double>{13.0}));
  int64_t solid_errors = -1, wire_errors = -1;
  runner_session_mode_errors(s, &solid_errors, &wire_errors);
  EXPECT_EQ(solid_errors, 0);
  EXPECT_EQ(wire_errors, 2);
}

TEST(runner_session, FrameEndNamesRoundTripAndRefuseOthers) {
  const char* names[] = {"swap", "finish", "readpixels", "none"};
  for (const char* name : names) {
    runner_frame_end end = RUNNER_FRAME_END_NONE;
    ASSERT_TRUE(runner_parse_frame_end(name, &end)) << name;
    EXPECT_STREQ(runner_frame_end_name(end), name);
  }
  runner_frame_end end = RUNNER_FRAME_END_SWAP;
  EXPECT_FALSE(runner_parse_frame_end("Swap", &end));
  EXPECT_FALSE(runner_parse_frame_end("finishes", &end));
  EXPECT_FALSE(runner_parse_frame_end("", &end));
  EXPECT_FALSE(runner_parse_frame_end(nullptr, &end));
  EXPECT_EQ(end, RUNNER_FRAME_END_SWAP);
}

TEST(runner_progress, EstimateScalesTheTimeSoFar) {
  char text[128];
  EXPECT_STREQ(runner_progress_text(text, sizeof text, "frame", 25, 100, 5.0),
               "frame 25/100, 5.0 s, about 15.0 s left");
  EXPECT_STREQ(runner_progress_text(text, sizeof text, "frame", 0, 100, 0.5), "frame 0/100, 0.5 s");
  EXPECT_STREQ(runner_progress_text(text, sizeof text, "frame", 100, 100, 8.0),
               "frame 100/100, 8.0 s, about 0.0 s left");
  char small[8];
  runner_progress_text(small, sizeof small, "frame", 25, 100, 5.0);  // cut short, still terminated
  EXPECT_EQ(strlen(small), 7u);
}

TEST(runner_report, FilesHoldEveryTimedFrameInOrder) {
  runner_session s = session_of("5 end\n");
  runner_session_record(&s, 50.0, true, 0);  // list built: not timed
  runner_session_record(&s, 1.5, true, 0);
  runner_session_record(&s, INFINITY, true, 0);  // a clock fault: not a number JSON can hold
  runner_session_record(&s, 9.0, false, 1);      // list built
  runner_session_record(&s, 2.25, false, 0);
  s.frames[1].gpu_ms = 0.75;
  runner_report r;
  r.frame_end = "swap";
  r.script = "tour \"odd\" name";
  r.width = r.height = 16;
  r.runs = {s.frames, s.frames};
  runner_report_summarise(&r);
  ASSERT_EQ(r.modes.size(), 2u);
  EXPECT_EQ(r.modes[1].gl_errors, 2);
  EXPECT_EQ(r.modes[0].frames, 4u);
  EXPECT_TRUE(r.modes[0].has_cpu == false && r.modes[0].has_gpu == false);  // not every frame measured
  std::string json = runner_report_json(r);
  EXPECT_NE(json.find("\"solid\": [\n      [\n        1.5,\n        null\n      ],"), std::string::npos)
      << json;
  EXPECT_NE(json.find("\"script\": \"tour \\\"odd\\\" name\""), std::string::npos);
  EXPECT_EQ(json.find("inf"), std::string::npos);
  // The reader takes what the writer gave, nulls included.
  runner_read_figures f;
  char error[256];
  EXPECT_EQ(runner_parse_report(json.data(), json.size(), &f, error, sizeof error), 1) << error;
  EXPECT_EQ(runner_read_find_mode(f, "solid")->frame_times_ms, std::vector<double>({1.5, 1.5}));
  EXPECT_EQ(runner_report_csv(r),
            "run,frame,mode,ms,gpu_ms,cpu_ms\n1,2,solid,1.5000,0.7500,\n1,3,solid,,,\n1,5,wire,2.2500,,\n"
            "2,2,solid,1.5000,0.7500,\n2,3,solid,,,\n2,5,wire,2.2500,,\n");
}

}  // namespace
