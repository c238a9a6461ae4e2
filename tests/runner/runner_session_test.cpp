// The runner library's timed-run pieces: script events handed out by frame
// with the held mouse, the frames the caller marks as setup (and only
// those) left out of the timed ones, per-mode
// error sums, frame-end names, the progress estimate, and the report files
// (per-frame times in order, non-finite figures as null, one CSV row per
// timed frame, the caller's modes and timings under the caller's names).
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
  // Frames 1 and 3 built a list; frame 5 went back to a mode whose list
  // was kept, and is timed like any other.
  const int32_t mode[] = {0, 0, 1, 1, 0, 0};
  const bool built[] = {true, false, true, false, false, false};
  for (int i = 0; i < 6; i++) {
    EXPECT_FALSE(runner_session_done(s));
    runner_session_record(&s, 10.0 + i, mode[i], built[i], i == 3 ? 2 : 0);
  }
  EXPECT_TRUE(runner_session_done(s));
  EXPECT_EQ(runner_session_mode_times(s, 0), (std::vector<double>{11.0, 14.0, 15.0}));
  EXPECT_EQ(runner_session_mode_times(s, 1), (std::vector<double>{13.0}));
  EXPECT_EQ(runner_session_mode_errors(s, 0), 0);
  EXPECT_EQ(runner_session_mode_errors(s, 1), 2);
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
  runner_session_record(&s, 50.0, 0, true, 0);  // setup: not timed
  runner_session_record(&s, 1.5, 0, false, 0);
  runner_session_record(&s, INFINITY, 0, false, 0);  // a clock fault: not a number JSON can hold
  runner_session_record(&s, 9.0, 1, true, 1);        // setup
  runner_session_record(&s, 2.25, 1, false, 0);
  s.frames[1].gpu_ms = 0.75;
  runner_report r;
  r.frame_end = "swap";
  r.script = "tour \"odd\" name";
  r.width = r.height = 16;
  r.runs = {s.frames, s.frames};
  r.mode_names = {"solid", "wire"};
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
  // A run whose median the clock fault made infinite has no figures to
  // compare: the reader refuses the report and names the field.
  runner_read_figures f;
  char error[256];
  EXPECT_EQ(runner_parse_report(json.data(), json.size(), &f, error, sizeof error), 0);
  EXPECT_STREQ(error, "not a valid report: modes.solid.run_figures[0].median_ms is null, not a time above 0");
  EXPECT_EQ(runner_report_csv(r),
            "run,frame,mode,ms,gpu_ms,cpu_ms\n1,2,solid,1.5000,0.7500,\n1,3,solid,,,\n1,5,wire,2.2500,,\n"
            "2,2,solid,1.5000,0.7500,\n2,3,solid,,,\n2,5,wire,2.2500,,\n");
}

TEST(runner_report, ModesAndTimingsAreTheCallersOwn) {
  // Three modes, the last one flown first; mode 1 never drawn.
  runner_session s = session_of("6 end\n");
  const int32_t mode[] = {2, 2, 2, 0, 0, 0};
  for (int i = 0; i < 6; i++) runner_session_record(&s, 4.0 + i, mode[i], i == 0 || i == 3, i == 4 ? 3 : 0);
  runner_report r;
  r.tool = "probe";
  r.width = r.height = 16;
  r.frame_end = "finish";
  r.runs = {s.frames};
  r.mode_names = {"near", "mid", "far"};
  r.setup_note = "first frames left out";
  r.setup_frames_key = "warm_frames";
  r.has_startup = true;
  r.startup_pieces = {{"shaders", 2.5, "shader_build_ms", ""}};
  r.own_work = {{"input", 0.25, "input_ms", ""}, {"hud", 0.5, "hud_ms", " (drawn)"}};
  runner_report_summarise(&r);
  ASSERT_EQ(r.modes.size(), 3u);
  EXPECT_EQ(r.modes[0].frames, 2u);
  EXPECT_EQ(r.modes[0].gl_errors, 3);
  EXPECT_EQ(r.modes[1].frames, 0u);
  EXPECT_EQ(r.modes[2].frames, 2u);

  std::string path = temp_path("probe_summary.txt");
  FILE* out = fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  runner_report_print(out, r);
  fclose(out);
  std::string text = read_whole_file(path);
  remove(path.c_str());
  EXPECT_NE(text.find("frame times (first frames left out):\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  mid    no steady frames\n"), std::string::npos) << text;
  EXPECT_NE(text.find("GL errors: near 3, mid 0, far 0 ("), std::string::npos) << text;
  EXPECT_NE(text.find("  timed apart: shaders 2.50 ms\n"), std::string::npos) << text;
  EXPECT_NE(text.find("own work per frame: input 0.2500 ms, hud 0.5000 ms (drawn); total 0.7500 ms\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("RESULT mode=near median_ms=8.500 "), std::string::npos) << text;
  EXPECT_NE(text.find("RESULT mode=far median_ms=5.500 "), std::string::npos) << text;

  std::string json = runner_report_json(r);
  EXPECT_NE(json.find("\"shader_build_ms\": 2.5"), std::string::npos) << json;
  EXPECT_NE(json.find("\"input_ms\": 0.25,\n    \"hud_ms\": 0.5,\n    \"total_ms\": 0.75"), std::string::npos)
      << json;
  EXPECT_NE(
      json.find("\"warm_frames\": [\n    {\n      \"run\": 1,\n      \"frame\": 1,\n      \"mode\": \"far\""),
      std::string::npos)
      << json;
  EXPECT_EQ(json.find("list_build_frames"), std::string::npos);
  runner_read_figures f;
  char error[256];
  ASSERT_EQ(runner_parse_report(json.data(), json.size(), &f, error, sizeof error), 1) << error;
  ASSERT_EQ(f.modes.size(), 3u);
  EXPECT_EQ(f.modes[2].name, "far");
  EXPECT_EQ(runner_report_csv(r),
            "run,frame,mode,ms,gpu_ms,cpu_ms\n1,2,far,5.0000,,\n1,3,far,6.0000,,\n"
            "1,5,near,8.0000,,\n1,6,near,9.0000,,\n");
}

TEST(runner_report, FinishWritesTheFilesAndNamesEveryFailure) {
  runner_session s = session_of("3 end\n");
  for (int i = 0; i < 3; i++) runner_session_record(&s, 2.0, 0, i == 0, i == 2 ? 1 : 0);
  runner_report r;
  r.width = r.height = 16;
  r.runs = {s.frames};
  r.mode_names = {"only"};
  r.shots = {{"a", 1, "a.png", 1, 1, ""}, {"b", 2, "b.png", 1, 0, "differs"}};
  runner_report_summarise(&r);
  runner_report_ending e;
  e.json_path = temp_path("finish_report.json");
  e.csv_path = temp_path("finish_frames.csv");
  e.plot_path = "pic.png";
  std::string written;
  std::vector<std::string> failed;
  EXPECT_EQ(runner_report_finish(r, "probe", e, &written, &failed), 0);
  EXPECT_EQ(written,
            "report: " + e.json_path + "\nresults: " + e.csv_path + "\nframe-time picture: pic.png\n");
  EXPECT_TRUE(failed.empty());
  EXPECT_EQ(read_whole_file(e.json_path), runner_report_json(r));
  EXPECT_EQ(read_whole_file(e.csv_path), runner_report_csv(r));
  remove(e.csv_path.c_str());

  // Every failure has its line, and none stops the files that can be written.
  std::string blocker = temp_path("finish_blocker");  // a file where a folder would have to be
  FILE* f = fopen(blocker.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fclose(f);
  e.json_path = blocker + "/report.json";
  e.csv_path = temp_path("finish_frames.csv");
  e.plot_path.clear();
  e.plot_place = "out/frametimes.png";
  e.plot_why = "no context";
  e.failed_shots = 1;
  e.strict = true;
  written.clear();
  EXPECT_EQ(runner_report_finish(r, "probe", e, &written, &failed), 1);
  EXPECT_EQ(written, "results: " + e.csv_path + "\n");
  ASSERT_EQ(failed.size(), 4u);
  EXPECT_EQ(failed[0].rfind("probe: cannot write " + e.json_path + ": ", 0), 0u) << failed[0];
  EXPECT_EQ(failed[1], "probe: cannot write out/frametimes.png: no context");
  EXPECT_EQ(failed[2], "probe: 1 of 2 shots failed");
  EXPECT_EQ(failed[3], "probe: --strict: 1 GL errors");
  remove(e.csv_path.c_str());
  remove(blocker.c_str());
  remove(temp_path("finish_report.json").c_str());
}

}  // namespace
