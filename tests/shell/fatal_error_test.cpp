// The fatal path in child processes (death tests) on the headless backend:
// the log line's format and order, the message box, the exit status 1, the
// message of each failing window-creation step, and what happens when the
// log cannot be written. Linux only: on Windows a real message box would
// wait for a click.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "shell/error_log.h"
#include "shell/platform_headless.h"
#include "shell/window.h"
#include "support/temp_files.h"

namespace {

// Runs each test in a fresh temporary directory, so the log starts absent.
class FatalError : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LC_ALL", "C", 1);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    saved_dir = cwd;
    dir = temp_path(testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(chdir(dir.c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(saved_dir.c_str()), 0);
    std::string log = dir + "/graphics_error.log";
    struct stat st;
    if (stat(log.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      rmdir(log.c_str());
    else
      remove(log.c_str());
    rmdir(dir.c_str());
  }
  std::vector<std::string> log_lines() {
    std::ifstream in("graphics_error.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::string saved_dir;
  std::string dir;
};

const std::regex stamped_line(R"(^\d{4}-[A-Z][a-z]{2}-\d{2} \d{2}:\d{2}:\d{2} (.*)$)");

// The message text of a log line, or "<bad line>" when it is not stamped.
std::string message_of(const std::string& line) {
  std::smatch m;
  return std::regex_match(line, m, stamped_line) ? m[1].str() : "<bad line: " + line + ">";
}

// Prints platform calls when the child exits, for the parent to match.
void print_record_at_exit() {
  const headless_record* r = headless_get_record();
  fprintf(stderr, "\nboxes=%d switches=%d restores=%d quit=%d\n", r->message_boxes, r->display_mode_switches,
          r->display_mode_restores, r->quit_posted);
}

}  // namespace

TEST_F(FatalError, LogsThenShowsTheBoxThenExitsWithOne) {
  EXPECT_EXIT(
      {
        atexit(print_record_at_exit);
        fatal_error("Something broke.");
      },
      testing::ExitedWithCode(FATAL_EXIT_STATUS),
      "Oh sod it: Something broke\\.\n\nboxes=1 switches=0 restores=1 quit=1\n");
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(message_of(lines[0]), "Something broke.");

  // The stamp is the local time of the failure.
  char now[DATE_TIME_TEXT_SIZE];
  format_date_time(TIME_NOW, now);
  EXPECT_EQ(lines[0].substr(0, 11), std::string(now).substr(0, 11));
}

TEST_F(FatalError, TwoFailuresLeaveTwoLinesOlderFirst) {
  EXPECT_EXIT(fatal_error("First failure."), testing::ExitedWithCode(FATAL_EXIT_STATUS), "First failure");
  EXPECT_EXIT(fatal_error("Second failure."), testing::ExitedWithCode(FATAL_EXIT_STATUS), "Second failure");
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(message_of(lines[0]), "First failure.");
  EXPECT_EQ(message_of(lines[1]), "Second failure.");
  EXPECT_LE(lines[0].substr(0, 20), lines[1].substr(0, 20));
}

TEST_F(FatalError, UnwritableLogStillShowsTheBoxAndExits) {
  // A folder where the log should be: fopen fails even for root.
  ASSERT_EQ(mkdir("graphics_error.log", 0700), 0);
  EXPECT_EXIT(
      {
        atexit(print_record_at_exit);
        fatal_error("Disk says no.");
      },
      testing::ExitedWithCode(FATAL_EXIT_STATUS),
      "[0-9]{4}-[A-Z][a-z]{2}-[0-9]{2} [0-9:]{8} Disk says no\\.\nOh sod it: Disk says no\\.\n\nboxes=1 ");
}

TEST_F(FatalError, LogErrorAppendsWithoutExiting) {
  log_error("one");
  log_error("two");
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(message_of(lines[0]), "one");
  EXPECT_EQ(message_of(lines[1]), "two");
  EXPECT_EQ(std::string(log_stamp), lines[1].substr(0, 20));
}

TEST_F(FatalError, EachWindowCreationStepHasItsMessage) {
  struct step {
    headless_failure failure;
    const char* message;
  };
  const step steps[] = {
      {HEADLESS_FAIL_REGISTER_CLASS, "Failed To Register The Window Class."},
      {HEADLESS_FAIL_CREATE_WINDOW, "Window Creation Error."},
      {HEADLESS_FAIL_CHOOSE_PIXEL_FORMAT, "Can't Find A Suitable PixelFormat."},
      {HEADLESS_FAIL_SET_PIXEL_FORMAT, "Can't Set The PixelFormat."},
      {HEADLESS_FAIL_CREATE_CONTEXT, "Can't Create A GL Rendering Context."},
      {HEADLESS_FAIL_MAKE_CURRENT, "Can't activate GLRC."},
  };
  for (const step& s : steps) {
    // The display mode is never switched before the context works.
    EXPECT_EXIT(
        {
          atexit(print_record_at_exit);
          headless_fail_at(s.failure);
          open_gl_window(64, 48, "failing");
        },
        testing::ExitedWithCode(FATAL_EXIT_STATUS), "boxes=1 switches=0 restores=1 quit=1")
        << s.message;
  }
  std::vector<std::string> lines = log_lines();
  ASSERT_EQ(lines.size(), sizeof steps / sizeof steps[0]);
  for (size_t i = 0; i < lines.size(); i++) EXPECT_EQ(message_of(lines[i]), steps[i].message);
}
#endif
