// The history's database: a SQLite file (libsqlite3, WAL mode, a busy
// timeout, so several processes record into one file) or a PostgreSQL
// server named by a postgresql:// URL (libpq). One small interface over
// both: the same schema and the same SQL where the two agree, parameters
// always bound ($1, $2, ... in both), values passed and read as text.
// Opening migrates an older history in one transaction and refuses a newer
// one, or a file or database that holds something else, leaving it as it
// was. A password in a URL is never printed: every message names the
// history by history_mask. Linux only. Depends on libsqlite3, libpq and
// history_report.h.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "history/history_report.h"

// Version of the history's tables, stored in history_meta.
constexpr int32_t HISTORY_SCHEMA_VERSION = 2;

// A value bound to a statement or read from a row: text, or SQL NULL.
struct history_value {
  bool null = true;
  std::string text;
};
typedef std::vector<history_value> history_row;

enum history_kind { HISTORY_SQLITE, HISTORY_POSTGRES };

// An open history (plain data; history_open fills it, history_close ends it).
struct history_db {
  history_kind kind = HISTORY_SQLITE;
  std::string name;    // as messages show it: the path, or the URL with its password masked
  std::string secret;  // the URL's password, taken out of any message
  void* handle = nullptr;
};

// Whether a history is named by a PostgreSQL URL (postgresql:// or postgres://).
bool history_is_url(const std::string& target);

// The target as messages show it: a URL's password (user:PASSWORD@ or
// password=PASSWORD) replaced by "***".
std::string history_mask(const std::string& target);

// Opens the history, creating it when create is true and it does not
// exist, and brings its tables to HISTORY_SCHEMA_VERSION. False with a
// one-line reason (naming the history masked) otherwise; db is then closed.
bool history_open(const std::string& target, bool create, history_db* db, std::string* why);

// Closes the history (a no-op when it is not open).
void history_close(history_db* db);

// Runs one statement with its parameters; rows (when not null) receives
// what it returns. False with the reason, secret removed.
bool history_sql(history_db* db, const char* sql, const std::vector<history_value>& params,
                 std::vector<history_row>* rows, std::string* why);

// Records a run (its figures per mode and the report) in one transaction.
// Returns 1 with *run_id set, 0 when this report is already in the history
// (*run_id: the run it is), -1 with the reason when nothing was recorded.
// With BOXFIELD_HISTORY_TEST_PAUSE=FILE set, creates FILE inside the
// transaction and waits there a minute (tests kill the process then).
int history_record_run(history_db* db, const history_record& r, int64_t* run_id, std::string* why);

// Helpers for values.
history_value history_text(const std::string& s);
history_value history_number(double v);  // NULL for NaN or infinity
history_value history_integer(int64_t v);
double history_to_number(const history_value& v);  // NaN for NULL or not a number
