// The history's database (see history_store.h).
#include "history/history_store.h"

#include <libpq-fe.h>
#include <math.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <charconv>

// ---------------------------------------------------------------------------
// Values

history_value history_text(const std::string& s) {
  history_value v;
  v.null = false;
  v.text = s;
  return v;
}

history_value history_number(double x) {
  history_value v;
  if (!isfinite(x)) return v;
  char buffer[40];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, x);
  v.null = false;
  v.text.assign(buffer, end.ptr);
  return v;
}

history_value history_integer(int64_t x) { return history_text(std::to_string(x)); }

double history_to_number(const history_value& v) {
  if (v.null || v.text.empty()) return NAN;
  double x = NAN;
  const char* begin = v.text.c_str();
  if (*begin == '+') begin++;
  auto r = std::from_chars(begin, v.text.c_str() + v.text.size(), x);
  return r.ec == std::errc() ? x : NAN;
}

// ---------------------------------------------------------------------------
// Names and passwords

bool history_is_url(const std::string& t) {
  return t.rfind("postgresql://", 0) == 0 || t.rfind("postgres://", 0) == 0;
}

// The password of a URL ("" for none): user:PASSWORD@ or password=PASSWORD.
static std::string url_password(const std::string& t) {
  if (!history_is_url(t)) return "";
  size_t start = t.find("://") + 3;
  size_t at = t.find('@', start);
  size_t slash = t.find('/', start);
  if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
    size_t colon = t.find(':', start);
    if (colon != std::string::npos && colon < at) return t.substr(colon + 1, at - colon - 1);
  }
  size_t key = t.find("password=");
  if (key != std::string::npos) {
    size_t end = t.find('&', key);
    return t.substr(key + 9, end == std::string::npos ? std::string::npos : end - key - 9);
  }
  return "";
}

// text with every occurrence of secret replaced by "***".
static std::string without(std::string text, const std::string& secret) {
  if (secret.empty()) return text;
  for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
    text.replace(at, secret.size(), "***");
  return text;
}

std::string history_mask(const std::string& t) { return without(t, url_password(t)); }

// One line: line ends and trailing blanks of a library's message dropped.
static std::string one_line(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// ---------------------------------------------------------------------------
// Statements on either back end

static bool sqlite_run(history_db* db, const char* sql, const std::vector<history_value>& params,
                       std::vector<history_row>* rows, std::string* why) {
  sqlite3* lite = (sqlite3*)db->handle;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(lite, sql, -1, &st, nullptr) != SQLITE_OK) {
    *why = sqlite3_errmsg(lite);
    return false;
  }
  // "$N" parameters, bound by name so both back ends read the same SQL.
  for (size_t i = 0; i < params.size(); i++) {
    std::string name = "$" + std::to_string(i + 1);
    int index = sqlite3_bind_parameter_index(st, name.c_str());
    if (index == 0) continue;
    int rc = params[i].null ? sqlite3_bind_null(st, index)
                            : sqlite3_bind_text(st, index, params[i].text.data(), (int)params[i].text.size(),
                                                SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) {
      *why = sqlite3_errmsg(lite);
      sqlite3_finalize(st);
      return false;
    }
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    if (!rows) continue;
    history_row row;
    int n = sqlite3_column_count(st);
    for (int c = 0; c < n; c++) {
      history_value v;
      if (sqlite3_column_type(st, c) != SQLITE_NULL) {
        v.null = false;
        if (sqlite3_column_type(st, c) == SQLITE_FLOAT) {
          v = history_number(sqlite3_column_double(st, c));
        } else {
          const unsigned char* t = sqlite3_column_text(st, c);
          v.text.assign((const char*)t, (size_t)sqlite3_column_bytes(st, c));
        }
      }
      row.push_back(v);
    }
    rows->push_back(row);
  }
  if (rc != SQLITE_DONE) *why = sqlite3_errmsg(lite);
  sqlite3_finalize(st);
  return rc == SQLITE_DONE;
}

static bool postgres_run(history_db* db, const char* sql, const std::vector<history_value>& params,
                         std::vector<history_row>* rows, std::string* why) {
  PGconn* pg = (PGconn*)db->handle;
  std::vector<const char*> values;
  for (const history_value& v : params) values.push_back(v.null ? nullptr : v.text.c_str());
  PGresult* res = PQexecParams(pg, sql, (int)values.size(), nullptr, values.data(), nullptr, nullptr, 0);
  ExecStatusType status = PQresultStatus(res);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    *why = one_line(PQerrorMessage(pg));
    PQclear(res);
    return false;
  }
  if (rows && status == PGRES_TUPLES_OK) {
    int n = PQntuples(res), columns = PQnfields(res);
    for (int r = 0; r < n; r++) {
      history_row row;
      for (int c = 0; c < columns; c++) {
        history_value v;
        if (!PQgetisnull(res, r, c)) v = history_text(PQgetvalue(res, r, c));
        row.push_back(v);
      }
      rows->push_back(row);
    }
  }
  PQclear(res);
  return true;
}

bool history_sql(history_db* db, const char* sql, const std::vector<history_value>& params,
                 std::vector<history_row>* rows, std::string* why) {
  std::string reason;
  bool ok = db->kind == HISTORY_SQLITE ? sqlite_run(db, sql, params, rows, &reason)
                                       : postgres_run(db, sql, params, rows, &reason);
  if (!ok) *why = without(one_line(reason), db->secret);
  return ok;
}

static bool sql0(history_db* db, const char* sql, std::string* why) {
  return history_sql(db, sql, {}, nullptr, why);
}

// A write transaction: SQLite takes the write lock at once (waiting out
// other writers for the busy timeout); PostgreSQL serialises schema work
// with a transaction-scoped advisory lock.
static bool begin_write(history_db* db, std::string* why) {
  if (db->kind == HISTORY_SQLITE) return sql0(db, "BEGIN IMMEDIATE", why);
  return sql0(db, "BEGIN", why) && sql0(db, "SELECT pg_advisory_xact_lock(7310512281)", why);
}

static void rollback(history_db* db) {
  std::string ignored;
  sql0(db, "ROLLBACK", &ignored);
}

// ---------------------------------------------------------------------------
// Schema

// Steps from each version to the next; "%ID%" is the back end's
// auto-numbered key. Version 1: the runs, their figures per mode and the
// version itself. Version 2: a report is recorded once (unique key) and runs
// are found by machine and time through an index.
static const char* const history_steps[HISTORY_SCHEMA_VERSION][4] = {
    {"CREATE TABLE history_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
     "CREATE TABLE history_runs (id %ID%, report_key TEXT NOT NULL, recorded_utc TEXT NOT NULL,"
     " run_utc TEXT NOT NULL, machine_id TEXT NOT NULL, cpu_model TEXT, logical_cores BIGINT, os TEXT,"
     " kernel TEXT, window_system TEXT, egl TEXT, gl_vendor TEXT, gl_renderer TEXT, gl_version TEXT,"
     " driver_version TEXT, driver_settings TEXT, program TEXT, program_version TEXT, source_revision TEXT,"
     " compiler TEXT, build_type TEXT, width BIGINT, height BIGINT, script TEXT, frame_end TEXT, clock TEXT,"
     " gpu_time TEXT, gl_error_check TEXT, runs_requested TEXT, report_schema BIGINT, report TEXT NOT NULL)",
     "CREATE TABLE history_figures (run_id BIGINT NOT NULL REFERENCES history_runs (id), mode TEXT NOT NULL,"
     " frames BIGINT, runs BIGINT, median_ms DOUBLE PRECISION, ci_low_ms DOUBLE PRECISION,"
     " ci_high_ms DOUBLE PRECISION, cv_percent DOUBLE PRECISION, p90_ms DOUBLE PRECISION,"
     " p99_ms DOUBLE PRECISION, low_1pct_fps DOUBLE PRECISION, gpu_median_ms DOUBLE PRECISION,"
     " cpu_median_ms DOUBLE PRECISION, run_medians_ms TEXT, PRIMARY KEY (run_id, mode))",
     nullptr},
    {"CREATE UNIQUE INDEX history_runs_report ON history_runs (report_key)",
     "CREATE INDEX history_runs_machine ON history_runs (machine_id, run_utc)", nullptr, nullptr},
};

static std::string with_id_type(const history_db* db, const char* sql) {
  std::string s = sql;
  size_t at = s.find("%ID%");
  if (at != std::string::npos)
    s.replace(at, 4, db->kind == HISTORY_SQLITE ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY");
  return s;
}

// Tables in the database (or its schema): all of them, and history_meta.
static bool count_tables(history_db* db, int64_t* all, int64_t* meta, std::string* why) {
  const char* sql = db->kind == HISTORY_SQLITE
                        ? "SELECT count(*), sum(CASE WHEN name = 'history_meta' THEN 1 ELSE 0 END)"
                          " FROM sqlite_master WHERE type = 'table'"
                        : "SELECT count(*), sum(CASE WHEN table_name = 'history_meta' THEN 1 ELSE 0 END)"
                          " FROM information_schema.tables WHERE table_schema = current_schema()";
  std::vector<history_row> rows;
  if (!history_sql(db, sql, {}, &rows, why) || rows.size() != 1) return false;
  double a = history_to_number(rows[0][0]), m = history_to_number(rows[0][1]);
  *all = isfinite(a) ? (int64_t)a : 0;
  *meta = isfinite(m) ? (int64_t)m : 0;
  return true;
}

// Brings the tables to HISTORY_SCHEMA_VERSION in one transaction.
static bool migrate(history_db* db, std::string* why) {
  if (!begin_write(db, why)) return false;
  int64_t tables = 0, meta = 0;
  int64_t version = 0;
  bool ok = count_tables(db, &tables, &meta, why);
  if (ok && meta == 0 && tables > 0) {
    *why = "it holds other tables, not a history: left as it was";
    ok = false;
  }
  if (ok && meta > 0) {
    std::vector<history_row> rows;
    ok = history_sql(db, "SELECT value FROM history_meta WHERE key = 'schema_version'", {}, &rows, why);
    double v = ok && rows.size() == 1 ? history_to_number(rows[0][0]) : NAN;
    if (ok && !(v >= 1.0)) {
      *why = "its schema_version is missing or unreadable: left as it was";
      ok = false;
    }
    if (ok) version = (int64_t)v;
    if (ok && version > HISTORY_SCHEMA_VERSION) {
      char line[200];
      snprintf(
          line, sizeof line,
          "it was written by a newer version (history schema %lld; this program reads %d): left as it was",
          (long long)version, HISTORY_SCHEMA_VERSION);
      *why = line;
      ok = false;
    }
  }
  for (int64_t step = version; ok && step < HISTORY_SCHEMA_VERSION; step++) {
    for (const char* const* sql = history_steps[step]; ok && *sql; sql++)
      ok = sql0(db, with_id_type(db, *sql).c_str(), why);
  }
  if (ok && version < HISTORY_SCHEMA_VERSION) {
    const char* set = version == 0 ? "INSERT INTO history_meta (key, value) VALUES ('schema_version', $1)"
                                   : "UPDATE history_meta SET value = $1 WHERE key = 'schema_version'";
    ok = history_sql(db, set, {history_integer(HISTORY_SCHEMA_VERSION)}, nullptr, why);
  }
  if (!ok) {
    rollback(db);
    return false;
  }
  return sql0(db, "COMMIT", why);
}

// ---------------------------------------------------------------------------
// Opening

// libpq's own notices (a table already there, ...) are not for the user.
static void quiet_notice(void*, const char*) {}

bool history_open(const std::string& target, bool create, history_db* db, std::string* why) {
  history_close(db);
  db->name = history_mask(target);
  db->secret = url_password(target);
  if (target.empty()) {
    *why = "no history named";
    return false;
  }
  if (history_is_url(target)) {
    db->kind = HISTORY_POSTGRES;
    PGconn* pg = PQconnectdb(target.c_str());
    db->handle = pg;
    if (!pg || PQstatus(pg) != CONNECTION_OK) {
      *why = "cannot connect: " + without(one_line(pg ? PQerrorMessage(pg) : "out of memory"), db->secret);
      history_close(db);
      return false;
    }
    PQsetNoticeProcessor(pg, quiet_notice, nullptr);
  } else {
    db->kind = HISTORY_SQLITE;
    sqlite3* lite = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(target.c_str(), &lite, flags, nullptr);
    db->handle = lite;
    if (rc != SQLITE_OK) {
      *why = create ? std::string("cannot open: ") + (lite ? sqlite3_errmsg(lite) : "out of memory")
                    : "there is no history there (or it cannot be opened for writing)";
      history_close(db);
      return false;
    }
    // Writers wait for each other rather than fail.
    sqlite3_busy_timeout(lite, 60000);
  }
  std::string reason;
  if (!migrate(db, &reason)) {
    *why = reason;
    history_close(db);
    return false;
  }
  // Readers and a writer at once: write-ahead log, once the file is known to
  // be a history of this version.
  if (db->kind == HISTORY_SQLITE) {
    std::vector<history_row> mode;
    if (!history_sql(db, "PRAGMA journal_mode = WAL", {}, &mode, &reason)) {
      *why = reason;
      history_close(db);
      return false;
    }
  }
  return true;
}

void history_close(history_db* db) {
  if (db->handle) {
    if (db->kind == HISTORY_SQLITE) {
      sqlite3_close_v2((sqlite3*)db->handle);
    } else {
      PQfinish((PGconn*)db->handle);
    }
  }
  db->handle = nullptr;
}

// ---------------------------------------------------------------------------
// Recording

static std::string utc_now(void) {
  time_t now = time(nullptr);
  struct tm utc;
  gmtime_r(&now, &utc);
  char stamp[32];
  strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return stamp;
}

static std::string number_list(const std::vector<double>& v) {
  std::string s = "[";
  for (size_t i = 0; i < v.size(); i++) {
    history_value x = history_number(v[i]);
    s += (i ? "," : "") + (x.null ? std::string("null") : x.text);
  }
  return s + "]";
}

// The test hook: a file made inside the transaction, then a wait.
static void pause_for_tests(void) {
  const char* marker = getenv("BOXFIELD_HISTORY_TEST_PAUSE");
  if (!marker || !*marker) return;
  FILE* f = fopen(marker, "w");
  if (f) fclose(f);
  for (int i = 0; i < 600; i++) usleep(100000);
}

int history_record_run(history_db* db, const history_record& r, int64_t* run_id, std::string* why) {
  if (!begin_write(db, why)) return -1;
  std::vector<history_row> rows;
  if (!history_sql(db, "SELECT id FROM history_runs WHERE report_key = $1", {history_text(r.report_key)},
                   &rows, why)) {
    rollback(db);
    return -1;
  }
  if (!rows.empty()) {
    rollback(db);
    *run_id = (int64_t)history_to_number(rows[0][0]);
    return 0;
  }
  std::vector<history_value> run = {history_text(r.report_key),
                                    history_text(utc_now()),
                                    history_text(r.run_utc),
                                    history_text(r.machine_id),
                                    history_text(r.cpu_model),
                                    history_integer(r.logical_cores),
                                    history_text(r.os),
                                    history_text(r.kernel),
                                    history_text(r.window_system),
                                    history_text(r.egl),
                                    history_text(r.gl_vendor),
                                    history_text(r.gl_renderer),
                                    history_text(r.gl_version),
                                    history_text(r.driver_version),
                                    history_text(r.driver_settings),
                                    history_text(r.program),
                                    history_text(r.program_version),
                                    history_text(r.source_revision),
                                    history_text(r.compiler),
                                    history_text(r.build_type),
                                    history_integer(r.width),
                                    history_integer(r.height),
                                    history_text(r.script),
                                    history_text(r.frame_end),
                                    history_text(r.clock),
                                    history_text(r.gpu_time),
                                    history_text(r.gl_error_check),
                                    history_text(r.runs_requested),
                                    history_integer(r.schema_version),
                                    history_text(r.text)};
  rows.clear();
  bool ok =
      history_sql(db,
                  "INSERT INTO history_runs (report_key, recorded_utc, run_utc, machine_id, cpu_model,"
                  " logical_cores, os, kernel, window_system, egl, gl_vendor, gl_renderer, gl_version,"
                  " driver_version, driver_settings, program, program_version, source_revision, compiler,"
                  " build_type, width, height, script, frame_end, clock, gpu_time, gl_error_check,"
                  " runs_requested, report_schema, report) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9,"
                  " $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21, $22, $23, $24, $25, $26,"
                  " $27, $28, $29, $30) RETURNING id",
                  run, &rows, why) &&
      rows.size() == 1;
  if (ok) *run_id = (int64_t)history_to_number(rows[0][0]);
  for (size_t i = 0; ok && i < r.modes.size(); i++) {
    const history_mode_figures& m = r.modes[i];
    ok = history_sql(
        db,
        "INSERT INTO history_figures (run_id, mode, frames, runs, median_ms, ci_low_ms, ci_high_ms,"
        " cv_percent, p90_ms, p99_ms, low_1pct_fps, gpu_median_ms, cpu_median_ms, run_medians_ms)"
        " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)",
        {history_integer(*run_id), history_text(m.mode), history_integer(m.frames), history_integer(m.runs),
         history_number(m.median_ms), history_number(m.ci_low_ms), history_number(m.ci_high_ms),
         history_number(m.cv_percent), history_number(m.p90_ms), history_number(m.p99_ms),
         history_number(m.low_1pct_fps), history_number(m.gpu_median_ms), history_number(m.cpu_median_ms),
         history_text(number_list(m.run_medians_ms))},
        nullptr, why);
  }
  if (ok) pause_for_tests();
  if (!ok || !sql0(db, "COMMIT", why)) {
    rollback(db);
    return -1;
  }
  return 1;
}
