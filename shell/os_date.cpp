// Operating-system dates behind the platform layer: GetDateFormatA,
// GetTimeFormatA and FileTimeToSystemTime on Windows; elsewhere the same
// pictures and conversion written over the C library, with month and day
// names and AM/PM from the user's LC_TIME locale (nl_langinfo_l).
#include "shell/platform.h"

#ifdef _WIN32

int platform_format_date(const SYSTEMTIME* time, const char* picture, char* out, int size) {
  return GetDateFormatA(LOCALE_USER_DEFAULT, 0, time, picture, out, size);
}

int platform_format_time(const SYSTEMTIME* time, DWORD flags, const char* picture, char* out, int size) {
  return GetTimeFormatA(LOCALE_USER_DEFAULT, flags, time, picture, out, size);
}

int platform_file_time_to_system_time(const FILETIME* file_time, SYSTEMTIME* out) {
  return FileTimeToSystemTime(file_time, out) ? 1 : 0;
}

#else
#include <langinfo.h>
#include <locale.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

// ---------------------------------------------------------------------------
// FILETIME conversion

// Days since 1601-01-01 to a (year, month, day) of the proleptic Gregorian
// calendar (days-from-civil inverted, counted in 400-year eras).
static void civil_from_days(int64_t days_since_1601, int64_t* year, unsigned* month, unsigned* day) {
  int64_t z = days_since_1601 - 134774 + 719468;  // shift the origin to 0000-03-01
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  unsigned doe = (unsigned)(z - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = (int64_t)yoe + era * 400 + (*month <= 2 ? 1 : 0);
}

int platform_file_time_to_system_time(const FILETIME* file_time, SYSTEMTIME* out) {
  uint64_t value = ((uint64_t)file_time->dwHighDateTime << 32) | file_time->dwLowDateTime;
  if (value > 0x7FFFFFFFFFFFFFFFull) return 0;
  uint64_t ms_total = value / 10000u;
  uint64_t seconds = ms_total / 1000u;
  uint64_t days = seconds / 86400u;
  uint64_t in_day = seconds % 86400u;
  int64_t year;
  unsigned month, day;
  civil_from_days((int64_t)days, &year, &month, &day);
  out->wYear = (WORD)year;
  out->wMonth = (WORD)month;
  out->wDayOfWeek = (WORD)((days + 1) % 7);  // 1601-01-01 was a Monday
  out->wDay = (WORD)day;
  out->wHour = (WORD)(in_day / 3600u);
  out->wMinute = (WORD)(in_day / 60u % 60u);
  out->wSecond = (WORD)(in_day % 60u);
  out->wMilliseconds = (WORD)(ms_total % 1000u);
  return 1;
}

// ---------------------------------------------------------------------------
// Pictures

// The calendar fields of a time, or of the current local time.
static void fields_of(const SYSTEMTIME* time, SYSTEMTIME* out) {
  if (time) {
    *out = *time;
    return;
  }
  time_t now = ::time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  out->wYear = (WORD)(local.tm_year + 1900);
  out->wMonth = (WORD)(local.tm_mon + 1);
  out->wDayOfWeek = (WORD)local.tm_wday;
  out->wDay = (WORD)local.tm_mday;
  out->wHour = (WORD)local.tm_hour;
  out->wMinute = (WORD)local.tm_min;
  out->wSecond = (WORD)local.tm_sec;
  out->wMilliseconds = 0;
}

// A bounded text being built; overflow marks it failed.
struct picture_text {
  char text[256];
  size_t length;
  int overflow;
};

static void put_text(picture_text* p, const char* s) {
  size_t n = strlen(s);
  if (p->length + n >= sizeof p->text) {
    p->overflow = 1;
    return;
  }
  memcpy(p->text + p->length, s, n);
  p->length += n;
  p->text[p->length] = '\0';
}

static void put_number(picture_text* p, unsigned value, int digits) {
  char number[16];
  snprintf(number, sizeof number, "%0*u", digits, value);
  put_text(p, number);
}

// Names of the user's LC_TIME locale ("C" when it cannot be loaded).
static locale_t user_time_locale(void) {
  locale_t locale = newlocale(LC_TIME_MASK, "", (locale_t)0);
  if (!locale) locale = newlocale(LC_TIME_MASK, "C", (locale_t)0);
  return locale;
}

// Runs a picture: letters in `fields` are formatted by `field`, quoted text
// is copied without quotes ('' inside quotes is one quote), the rest as is.
typedef void (*picture_field_fn)(picture_text* p, char letter, int count, const SYSTEMTIME* t, DWORD flags,
                                 locale_t locale);

static int run_picture(const char* picture, const char* fields, picture_field_fn field, const SYSTEMTIME* t,
                       DWORD flags, char* out, int size) {
  picture_text p;
  p.length = 0;
  p.overflow = 0;
  p.text[0] = '\0';
  locale_t locale = user_time_locale();
  for (const char* c = picture; *c && !p.overflow;) {
    if (*c == '\'') {
      c++;
      while (*c) {
        if (*c == '\'' && c[1] == '\'') {
          put_text(&p, "'");
          c += 2;
        } else if (*c == '\'') {
          c++;
          break;
        } else {
          char one[2] = {*c++, '\0'};
          put_text(&p, one);
        }
      }
    } else if (strchr(fields, *c)) {
      int count = 1;
      while (c[count] == *c) count++;
      field(&p, *c, count, t, flags, locale);
      c += count;
    } else {
      char one[2] = {*c++, '\0'};
      put_text(&p, one);
    }
  }
  if (locale) freelocale(locale);
  int needed = (int)p.length + 1;
  if (p.overflow) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  if (size == 0) return needed;  // size query, as the Win32 formatters answer it
  if (needed > size) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  memcpy(out, p.text, (size_t)needed);
  return needed;
}

static const char* locale_text(locale_t locale, nl_item item) {
  return locale ? nl_langinfo_l(item, locale) : nl_langinfo(item);
}

static void date_field(picture_text* p, char letter, int count, const SYSTEMTIME* t, DWORD flags,
                       locale_t locale) {
  static const nl_item abbreviated_months[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                                 ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  static const nl_item months[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                     MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
  static const nl_item abbreviated_days[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4, ABDAY_5, ABDAY_6, ABDAY_7};
  static const nl_item days[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
  switch (letter) {
    case 'd':
      if (count <= 2)
        put_number(p, t->wDay, count);
      else
        put_text(p, locale_text(locale, (count == 3 ? abbreviated_days : days)[t->wDayOfWeek % 7]));
      break;
    case 'M':
      if (count <= 2)
        put_number(p, t->wMonth, count);
      else
        put_text(p, locale_text(locale, (count == 3 ? abbreviated_months : months)[t->wMonth - 1]));
      break;
    case 'y':
      if (count <= 2)
        put_number(p, t->wYear % 100u, count);
      else
        put_number(p, t->wYear, 4);
      break;
    default:  // 'g' (era): none in the Gregorian calendar as formatted here
      break;
  }
}

static void time_field(picture_text* p, char letter, int count, const SYSTEMTIME* t, DWORD flags,
                       locale_t locale) {
  int digits = count >= 2 ? 2 : 1;
  switch (letter) {
    case 'h':
      if (flags & TIME_FORCE24HOURFORMAT)
        put_number(p, t->wHour, digits);
      else
        put_number(p, t->wHour % 12u == 0 ? 12u : t->wHour % 12u, digits);
      break;
    case 'H':
      put_number(p, t->wHour, digits);
      break;
    case 'm':
      put_number(p, t->wMinute, digits);
      break;
    case 's':
      put_number(p, t->wSecond, digits);
      break;
    case 't': {
      if (flags & TIME_FORCE24HOURFORMAT) break;
      const char* marker = locale_text(locale, t->wHour < 12 ? AM_STR : PM_STR);
      if (count == 1) {
        char first[2] = {marker[0], '\0'};
        put_text(p, first);
      } else {
        put_text(p, marker);
      }
      break;
    }
  }
}

int platform_format_date(const SYSTEMTIME* time, const char* picture, char* out, int size) {
  SYSTEMTIME t;
  fields_of(time, &t);
  if (!picture || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  return run_picture(picture, "dMyg", date_field, &t, 0, out, size);
}

int platform_format_time(const SYSTEMTIME* time, DWORD flags, const char* picture, char* out, int size) {
  SYSTEMTIME t;
  fields_of(time, &t);
  if (!picture || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59) {
    if (size > 0) out[0] = '\0';
    return 0;
  }
  return run_picture(picture, "hHmst", time_field, &t, flags, out, size);
}

#endif
