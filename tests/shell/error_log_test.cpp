// Date and time formatting of the error log's stamp: UTC fields for given
// times, the current local time for TIME_NOW, the FILETIME halves, range
// refusals, and the picture formatter of the non-Windows platforms.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

#include "shell/error_log.h"
#include "shell/platform.h"

namespace {

// Month names as the platform's user locale gives them: on Windows the test
// accepts any text, elsewhere it runs in the "C" locale.
#ifdef _WIN32
const bool exact_names = false;
void use_c_locale() {}
#else
const bool exact_names = true;
void use_c_locale() { setenv("LC_ALL", "C", 1); }
#endif

// Checks "<year>-<month>-<day> <hh:mm:ss>" with the month's text exact only
// where the locale is known.
void expect_stamp(const char* text, const char* year, const char* month, const char* rest) {
  std::string s(text);
  std::string y = std::string(year) + "-";
  ASSERT_EQ(s.compare(0, y.size(), y), 0) << s;
  size_t second_dash = s.find('-', y.size());
  ASSERT_NE(second_dash, std::string::npos) << s;
  EXPECT_GT(second_dash, y.size()) << "empty month in " << s;
  if (exact_names) {
    EXPECT_EQ(s.substr(y.size(), second_dash - y.size()), month);
  }
  EXPECT_EQ(s.substr(second_dash), rest) << s;
}

}  // namespace

TEST(FormatDateTime, EpochAndNextDayInUtc) {
  use_c_locale();
  char buffer[DATE_TIME_TEXT_SIZE];
  EXPECT_EQ(format_date_time(0.0, buffer), buffer);
  expect_stamp(buffer, "1970", "Jan", "-01 00:00:00");
  format_date_time(86400.5, buffer);  // the fraction of a second is dropped
  expect_stamp(buffer, "1970", "Jan", "-02 00:00:00");
  format_date_time(951782400.0 + 13 * 3600 + 5 * 60 + 9, buffer);  // a leap day, afternoon
  expect_stamp(buffer, "2000", "Feb", "-29 13:05:09");
}

TEST(FormatDateTime, DateAndTimePartsAlone) {
  use_c_locale();
  char date[DATE_TEXT_SIZE];
  char time_text[DATE_TEXT_SIZE];
  format_date(1234567890.0, date);  // 2009-02-13 23:31:30 UTC
  format_time(1234567890.0, time_text);
  expect_stamp((std::string(date) + " x").c_str(), "2009", "Feb", "-13 x");
  EXPECT_STREQ(time_text, "23:31:30");
}

TEST(FormatDateTime, FileTimeGivesTheSameText) {
  use_c_locale();
  char from_seconds[DATE_TIME_TEXT_SIZE];
  char from_file_time[DATE_TIME_TEXT_SIZE];
  format_date_time(1234567890.0, from_seconds);
  FILETIME ft = {0x3296F500u, 0x01C98E33u};  // 2009-02-13 23:31:30 UTC
  format_file_time(ft, from_file_time);
  EXPECT_STREQ(from_file_time, from_seconds);
}

TEST(FormatDateTime, NowIsTheLocalTime) {
  char buffer[DATE_TIME_TEXT_SIZE];
  time_t before = time(nullptr);
  format_date_time(TIME_NOW, buffer);
  time_t after = time(nullptr);
  int year = 0, day = 0, hour = 0, minute = 0, second = 0;
  char month[32] = "";
  ASSERT_EQ(sscanf(buffer, "%d-%31[^-]-%d %d:%d:%d", &year, month, &day, &hour, &minute, &second), 6)
      << buffer;
  bool matched = false;
  for (time_t t = before; t <= after; t++) {
    struct tm local = *localtime(&t);
    if (local.tm_year + 1900 == year && local.tm_mday == day && local.tm_hour == hour &&
        local.tm_min == minute && local.tm_sec == second)
      matched = true;
  }
  EXPECT_TRUE(matched) << buffer;
}

TEST(SecondsToFileTime, SplitsHundredNanosecondCountsIntoHalves) {
  // 1970-01-01: 116444736000000000 = 0x019DB1DE D53E8000.
  FILETIME ft = seconds_to_file_time(0.0);
  EXPECT_EQ(ft.dwHighDateTime, 0x019DB1DEu);
  EXPECT_EQ(ft.dwLowDateTime, 0xD53E8000u);
  // 86400.5 s later: 116445600005000000 = 0x019DB2A7 FFF48B40.
  ft = seconds_to_file_time(86400.5);
  EXPECT_EQ(ft.dwHighDateTime, 0x019DB2A7u);
  EXPECT_EQ(ft.dwLowDateTime, 0xFFF48B40u);
  // Just below one high unit: the whole count stays in the low half.
  ft = seconds_to_file_time(429.4967295 - 11644473600.0);
  EXPECT_EQ(ft.dwHighDateTime, 0u);
  EXPECT_GT(ft.dwLowDateTime, 4294960000u);
}

TEST(SecondsToFileTime, TimesOutsideTheRangeAreClamped) {
  FILETIME ft = seconds_to_file_time(-2e10);  // before 1601
  EXPECT_EQ(ft.dwHighDateTime, 0u);
  EXPECT_EQ(ft.dwLowDateTime, 0u);
  ft = seconds_to_file_time(NAN);
  EXPECT_EQ(ft.dwHighDateTime, 0u);
  EXPECT_EQ(ft.dwLowDateTime, 0u);
  ft = seconds_to_file_time(1e30);
  EXPECT_EQ(ft.dwHighDateTime, 0xFFFFFFFFu);
  EXPECT_EQ(ft.dwLowDateTime, 0xFFFFFFFFu);
}

TEST(SecondsToSystemTime, FieldsAreUtc) {
  SYSTEMTIME st;
  ASSERT_NE(seconds_to_system_time(86400.5, &st), 0);
  EXPECT_EQ(st.wYear, 1970);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 2);
  EXPECT_EQ(st.wDayOfWeek, 5);  // a Friday
  EXPECT_EQ(st.wHour, 0);
  EXPECT_EQ(st.wMinute, 0);
  EXPECT_EQ(st.wSecond, 0);
  EXPECT_EQ(st.wMilliseconds, 500);
  ASSERT_NE(seconds_to_system_time(-11644473600.0, &st), 0);  // FILETIME 0
  EXPECT_EQ(st.wYear, 1601);
  EXPECT_EQ(st.wMonth, 1);
  EXPECT_EQ(st.wDay, 1);
  EXPECT_EQ(st.wDayOfWeek, 1);                                    // a Monday
  ASSERT_NE(seconds_to_system_time(4102444800.0 - 1.0, &st), 0);  // 2099-12-31 23:59:59
  EXPECT_EQ(st.wYear, 2099);
  EXPECT_EQ(st.wMonth, 12);
  EXPECT_EQ(st.wDay, 31);
  EXPECT_EQ(st.wSecond, 59);
}

TEST(SecondsToSystemTime, TooLargeFailsAndFormatsAsBlank) {
  SYSTEMTIME st;
  memset(&st, 0x5A, sizeof st);
  EXPECT_EQ(seconds_to_system_time(1e30, &st), 0);
  EXPECT_EQ(st.wYear, 0);
  EXPECT_EQ(st.wMonth, 0);
  char buffer[DATE_TIME_TEXT_SIZE];
  memset(buffer, 'x', sizeof buffer);
  format_date_time(1e30, buffer);
  EXPECT_STREQ(buffer, " ");
}

#ifndef _WIN32
// The GetDateFormatA / GetTimeFormatA pictures of the non-Windows platforms.
TEST(PlatformFormat, PicturesInTheCLocale) {
  use_c_locale();
  SYSTEMTIME st = {1970, 1, 5, 2, 15, 4, 9, 0};
  char out[100];
  EXPECT_GT(platform_format_date(&st, "dddd, d MMMM yy 'it''s' M/dd/y", out, sizeof out), 0);
  EXPECT_STREQ(out, "Friday, 2 January 70 it's 1/02/70");
  EXPECT_GT(platform_format_date(&st, "ddd MMM yyyy", out, sizeof out), 0);
  EXPECT_STREQ(out, "Fri Jan 1970");
  EXPECT_GT(platform_format_time(&st, 0, "h:mm:ss tt|H|hh t", out, sizeof out), 0);
  EXPECT_STREQ(out, "3:04:09 PM|15|03 P");
  EXPECT_GT(platform_format_time(&st, TIME_FORCE24HOURFORMAT, "hh:mm tt", out, sizeof out), 0);
  EXPECT_STREQ(out, "15:04 ");
}

TEST(PlatformFormat, RefusesSmallBuffersAndBadFields) {
  use_c_locale();
  SYSTEMTIME st = {1970, 1, 5, 2, 15, 4, 9, 0};
  char out[8];
  memset(out, 'x', sizeof out);
  EXPECT_EQ(platform_format_date(&st, "yyyy-MMM-dd", out, sizeof out), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(platform_format_date(&st, "yyyy-MMM-dd", nullptr, 0), 12);  // size query
  SYSTEMTIME bad = st;
  bad.wMonth = 13;
  char big[64];
  EXPECT_EQ(platform_format_date(&bad, "MMM", big, sizeof big), 0);
  EXPECT_STREQ(big, "");
  bad = st;
  bad.wHour = 24;
  EXPECT_EQ(platform_format_time(&bad, 0, "HH", big, sizeof big), 0);
  FILETIME top = {0, 0x80000000u};
  EXPECT_EQ(platform_file_time_to_system_time(&top, &st), 0);
}
#endif
