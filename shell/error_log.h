// The one reporting path for unrecoverable errors: a time-stamped line
// appended to "graphics_error.log" in the current directory, a message box
// captioned "Oh sod it", then the window's teardown and exit status 1. Also the date
// and time formatting that makes the stamp. Depends on shell/platform.h
// (locale formatters, FILETIME conversion, message box) and shell/window.h.
#pragma once

#include "shell/win_types.h"

// The time value that means "now, local time" (compared for exact equality).
static const double TIME_NOW = -9e99;

// Size of the buffers format_date_time fills (log_stamp among them); longer
// texts (locales with long month names) are cut to fit.
#define DATE_TIME_TEXT_SIZE 32

// Size the platform may fill in format_date and format_time.
#define DATE_TEXT_SIZE 20

// The stamp of the line log_error is writing.
extern char log_stamp[DATE_TIME_TEXT_SIZE];

// Exit status of a process ended by fatal_error (normal quits end with 0).
#define FATAL_EXIT_STATUS 1

// Logs the message, shows it in a message box, adds what the platform knows
// of the cause (standard error, Linux) and ends the process with
// FATAL_EXIT_STATUS through end_gl_window.
[[noreturn]] void fatal_error(const char* message);

// Appends "<yyyy-MMM-dd HH:mm:ss> <message>\n" to "graphics_error.log"; when
// the file cannot be opened the same line goes to standard error instead.
void log_error(const char* message);

// "yyyy-MMM-dd HH:mm:ss" of t (seconds since 1970, UTC fields, or TIME_NOW
// for the local time now) into buffer (DATE_TIME_TEXT_SIZE bytes); returns it.
char* format_date_time(double t, char* buffer);

// The "yyyy-MMM-dd" part only (buffer of DATE_TEXT_SIZE bytes); returns it.
char* format_date(double t, char* buffer);

// The "HH:mm:ss" part only (buffer of DATE_TEXT_SIZE bytes); returns it.
char* format_time(double t, char* buffer);

// Like format_date_time, from a FILETIME (no TIME_NOW case).
char* format_file_time(FILETIME file_time, char* buffer);

// 100 ns intervals since 1601 of t; times before 1601 (and NaN) give 0 and
// times past the 64-bit range give the largest value.
FILETIME seconds_to_file_time(double t);

// FileTimeToSystemTime of seconds_to_file_time(t): UTC fields; returns the
// platform's result (0 when out of range, *out then zeroed).
int seconds_to_system_time(double t, SYSTEMTIME* out);
