// Recording into and reading from a history (see history_commands.h).
#include "history/history_commands.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "history/history_changes.h"
#include "history/history_report.h"
#include "history/history_store.h"
#include "util/file_replace.h"

const char HISTORY_ENVIRONMENT_VARIABLE[] = "BOXFIELD_HISTORY";

std::string history_target(const std::string& option_value) {
  if (!option_value.empty()) return option_value;
  const char* v = getenv(HISTORY_ENVIRONMENT_VARIABLE);
  return v ? v : "";
}

// Reads a whole file (reports are tens of MiB at most); false when it cannot.
static bool read_file(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) return false;
  *text = s.str();
  return true;
}

// ---------------------------------------------------------------------------
// Recording

int history_record_report(const std::string& target, const std::string& report_path, const char* program,
                          std::string* line) {
  std::string name = history_mask(target);
  std::string text, why;
  history_record record;
  if (!read_file(report_path, &text)) {
    *line = std::string(program) + ": the history " + name + " was not updated: cannot read " + report_path;
    return HISTORY_NOT_UPDATED_STATUS;
  }
  if (!history_read_report(text, &record, &why)) {
    *line = std::string(program) + ": the history " + name + " was not updated: " + report_path + ": " + why;
    return HISTORY_NOT_UPDATED_STATUS;
  }
  history_db db;
  int64_t id = 0;
  int recorded = -1;
  if (history_open(target, true, &db, &why)) recorded = history_record_run(&db, record, &id, &why);
  history_close(&db);
  if (recorded < 0) {
    *line = std::string(program) + ": the history " + name + " was not updated: " + why;
    return HISTORY_NOT_UPDATED_STATUS;
  }
  *line = "history: run " + std::to_string(id) + (recorded ? " recorded in " : " already in ") + name;
  return 0;
}

int history_add_reports(const std::string& target, const std::vector<std::string>& paths, const char* program,
                        FILE* out, FILE* err) {
  std::string name = history_mask(target);
  // Every report is read before the history is touched.
  std::vector<history_record> records;
  std::vector<std::string> kept;
  int status = 0;
  for (const std::string& path : paths) {
    std::string text, why;
    history_record r;
    if (!read_file(path, &text)) {
      fprintf(err, "%s: cannot read %s\n", program, path.c_str());
      status = 3;
    } else if (!history_read_report(text, &r, &why)) {
      fprintf(err, "%s: %s refused: %s\n", program, path.c_str(), why.c_str());
      status = 3;
    } else {
      records.push_back(r);
      kept.push_back(path);
    }
  }
  if (records.empty()) return status;
  history_db db;
  std::string why;
  if (!history_open(target, true, &db, &why)) {
    fprintf(err, "%s: the history %s was not updated: %s\n", program, name.c_str(), why.c_str());
    return HISTORY_NOT_UPDATED_STATUS;
  }
  for (size_t i = 0; i < records.size(); i++) {
    int64_t id = 0;
    int recorded = history_record_run(&db, records[i], &id, &why);
    if (recorded < 0) {
      fprintf(err, "%s: the history %s was not updated with %s: %s\n", program, name.c_str(), kept[i].c_str(),
              why.c_str());
      history_close(&db);
      return HISTORY_NOT_UPDATED_STATUS;
    }
    fprintf(out, "history: %s: run %lld %s\n", kept[i].c_str(), (long long)id,
            recorded ? "recorded" : "already in the history");
  }
  history_close(&db);
  return status;
}

// ---------------------------------------------------------------------------
// Reading

// One run's figures of one mode, with the record beside them.
struct history_entry {
  int64_t id;
  std::string run_utc, machine_id, series, mode;
  std::string source_revision, program_version, driver_version, driver_settings, gl_version, kernel, os,
      compiler, build_type, program, script;
  int64_t width, height, runs;
  double median_ms, ci_low_ms, ci_high_ms, cv_percent, p90_ms, p99_ms, gpu_median_ms, cpu_median_ms;
};

struct history_series {
  std::string label;
  std::vector<history_entry> runs;
  std::vector<history_change> changes;
};

static const char history_select[] =
    "SELECT r.id, r.run_utc, r.machine_id, r.width, r.height, r.script, r.frame_end, r.clock, r.gl_renderer,"
    " f.mode, r.source_revision, r.program_version, r.driver_version, r.driver_settings, r.gl_version,"
    " r.kernel, r.os, r.compiler, r.build_type, r.program, f.runs, f.median_ms, f.ci_low_ms, f.ci_high_ms,"
    " f.cv_percent, f.p90_ms, f.p99_ms, f.gpu_median_ms, f.cpu_median_ms"
    " FROM history_runs r JOIN history_figures f ON f.run_id = r.id"
    " WHERE (CAST($1 AS TEXT) = '' OR substr(r.machine_id, 1, length(CAST($1 AS TEXT))) = CAST($1 AS TEXT))"
    " AND (CAST($2 AS TEXT) = '' OR substr(r.source_revision, 1, length(CAST($2 AS TEXT))) = CAST($2 AS "
    "TEXT))"
    " AND (CAST($3 AS TEXT) = '' OR r.driver_version LIKE '%' || CAST($3 AS TEXT) || '%')"
    " AND (CAST($4 AS TEXT) = '' OR r.run_utc >= CAST($4 AS TEXT))"
    " AND (CAST($5 AS TEXT) = '' OR substr(r.run_utc, 1, length(CAST($5 AS TEXT))) <= CAST($5 AS TEXT))"
    " ORDER BY r.run_utc, r.id, f.mode";

static std::string text_of(const history_value& v) { return v.null ? "" : v.text; }

static bool load(history_db* db, const history_filter& f, std::vector<history_entry>* out, std::string* why) {
  std::vector<history_row> rows;
  if (!history_sql(db, history_select,
                   {history_text(f.machine), history_text(f.revision), history_text(f.driver),
                    history_text(f.since), history_text(f.until)},
                   &rows, why))
    return false;
  for (const history_row& r : rows) {
    if (r.size() < 29) continue;
    history_entry e;
    e.id = (int64_t)history_to_number(r[0]);
    e.run_utc = text_of(r[1]);
    e.machine_id = text_of(r[2]);
    e.width = (int64_t)history_to_number(r[3]);
    e.height = (int64_t)history_to_number(r[4]);
    e.script = text_of(r[5]);
    e.mode = text_of(r[9]);
    char size[48];
    snprintf(size, sizeof size, "%lldx%lld", (long long)e.width, (long long)e.height);
    e.series = "mode " + e.mode + ", machine " + e.machine_id.substr(0, 8) + ", " + size + ", " + e.script +
               ", frame end " + text_of(r[6]) + ", clock " + text_of(r[7]) + ", " + text_of(r[8]);
    e.source_revision = text_of(r[10]);
    e.program_version = text_of(r[11]);
    e.driver_version = text_of(r[12]);
    e.driver_settings = text_of(r[13]);
    e.gl_version = text_of(r[14]);
    e.kernel = text_of(r[15]);
    e.os = text_of(r[16]);
    e.compiler = text_of(r[17]);
    e.build_type = text_of(r[18]);
    e.program = text_of(r[19]);
    double runs = history_to_number(r[20]);
    e.runs = isfinite(runs) ? (int64_t)runs : 0;
    e.median_ms = history_to_number(r[21]);
    e.ci_low_ms = history_to_number(r[22]);
    e.ci_high_ms = history_to_number(r[23]);
    e.cv_percent = history_to_number(r[24]);
    e.p90_ms = history_to_number(r[25]);
    e.p99_ms = history_to_number(r[26]);
    e.gpu_median_ms = history_to_number(r[27]);
    e.cpu_median_ms = history_to_number(r[28]);
    out->push_back(e);
  }
  return true;
}

// The series in order of their first run, each with its change points
// (runs without a median are left out of the search and the picture).
static std::vector<history_series> group(const std::vector<history_entry>& entries) {
  std::vector<history_series> all;
  std::map<std::string, size_t> index;
  for (const history_entry& e : entries) {
    if (!(e.median_ms > 0.0)) continue;
    auto it = index.find(e.series);
    if (it == index.end()) {
      it = index.emplace(e.series, all.size()).first;
      all.push_back({e.series, {}, {}});
    }
    all[it->second].runs.push_back(e);
  }
  for (history_series& s : all) {
    std::vector<history_point> points;
    for (const history_entry& e : s.runs) {
      bool has = isfinite(e.ci_low_ms) && isfinite(e.ci_high_ms);
      points.push_back({e.median_ms, has, e.ci_low_ms, e.ci_high_ms});
    }
    s.changes = history_find_changes(points, history_change_options());
  }
  return all;
}

static std::string ms_text(double v) {
  if (!isfinite(v)) return "n/a";
  char t[32];
  snprintf(t, sizeof t, "%.3f", v);
  return t;
}

static std::string short_revision(const std::string& r) { return r.empty() ? "?" : r.substr(0, 12); }

static void print_runs(const std::vector<history_entry>& entries, FILE* out) {
  fprintf(out, "%-6s %-20s %-8s %-12s %-16s %-10s %s\n", "run", "time (UTC)", "machine", "revision", "driver",
          "size", "flight, mode: median ms");
  int64_t last = -1;
  size_t runs = 0;
  for (size_t i = 0; i < entries.size(); i++) {
    const history_entry& e = entries[i];
    if (e.id == last) continue;
    last = e.id;
    runs++;
    std::string modes;
    for (size_t j = i; j < entries.size() && entries[j].id == e.id; j++)
      modes += (j > i ? ", " : "") + entries[j].mode + " " + ms_text(entries[j].median_ms);
    char size[48];
    snprintf(size, sizeof size, "%lldx%lld", (long long)e.width, (long long)e.height);
    fprintf(out, "%-6lld %-20s %-8s %-12s %-16s %-10s %s: %s\n", (long long)e.id, e.run_utc.c_str(),
            e.machine_id.substr(0, 8).c_str(), short_revision(e.source_revision).c_str(),
            e.driver_version.c_str(), size, e.script.c_str(), modes.c_str());
  }
  fprintf(out, "%zu run%s\n", runs, runs == 1 ? "" : "s");
}

// Whether a change point starts at the series' run i.
static const history_change* change_at(const history_series& s, size_t i) {
  for (const history_change& c : s.changes)
    if (c.index == i) return &c;
  return nullptr;
}

static std::string step_text(const history_change& c) {
  char t[160];
  snprintf(t, sizeof t, "%+.1f %% (95 %% interval %+.1f to %+.1f %%)", c.step_percent, c.step_low_percent,
           c.step_high_percent);
  return t;
}

static void print_trend(const std::vector<history_series>& all, FILE* out) {
  for (const history_series& s : all) {
    fprintf(out, "series: %s\n", s.label.c_str());
    fprintf(out, "  %-6s %-20s %-12s %10s %10s %10s %7s %5s\n", "run", "time (UTC)", "revision", "median ms",
            "ci low", "ci high", "cv %", "runs");
    for (size_t i = 0; i < s.runs.size(); i++) {
      const history_entry& e = s.runs[i];
      const history_change* c = change_at(s, i);
      if (c) fprintf(out, "  ---- change: %s\n", step_text(*c).c_str());
      char cv[16];
      snprintf(cv, sizeof cv, "%.2f", e.cv_percent);
      fprintf(out, "  %-6lld %-20s %-12s %10s %10s %10s %7s %5lld\n", (long long)e.id, e.run_utc.c_str(),
              short_revision(e.source_revision).c_str(), ms_text(e.median_ms).c_str(),
              ms_text(e.ci_low_ms).c_str(), ms_text(e.ci_high_ms).c_str(),
              isfinite(e.cv_percent) ? cv : "n/a", (long long)e.runs);
    }
  }
  fprintf(out, "%zu series\n", all.size());
}

// The record's fields that differ between two runs, "name: A -> B; ...".
static std::string record_changes(const history_entry& a, const history_entry& b) {
  struct field {
    const char* name;
    const std::string history_entry::*member;
  };
  static const field fields[] = {{"source revision", &history_entry::source_revision},
                                 {"program version", &history_entry::program_version},
                                 {"program", &history_entry::program},
                                 {"driver version", &history_entry::driver_version},
                                 {"driver settings", &history_entry::driver_settings},
                                 {"GL version", &history_entry::gl_version},
                                 {"kernel", &history_entry::kernel},
                                 {"OS", &history_entry::os},
                                 {"compiler", &history_entry::compiler},
                                 {"build type", &history_entry::build_type}};
  std::string s;
  for (const field& f : fields) {
    const std::string& x = a.*(f.member);
    const std::string& y = b.*(f.member);
    if (x != y) s += (s.empty() ? "" : "; ") + std::string(f.name) + ": '" + x + "' -> '" + y + "'";
  }
  return s.empty() ? "nothing in the record" : s;
}

static std::string run_text(const history_entry& e) {
  return "run " + std::to_string(e.id) + ", " + e.run_utc + ", revision " +
         short_revision(e.source_revision) + ", " + ms_text(e.median_ms) + " ms [" + ms_text(e.ci_low_ms) +
         ", " + ms_text(e.ci_high_ms) + "]";
}

static void print_changes(const std::vector<history_series>& all, FILE* out) {
  size_t count = 0;
  for (const history_series& s : all) {
    for (const history_change& c : s.changes) {
      const history_entry& before = s.runs[c.index - 1];
      const history_entry& after = s.runs[c.index];
      count++;
      fprintf(out, "series: %s\n", s.label.c_str());
      if (isfinite(c.p_value)) {
        fprintf(out, "  change: %s, p %.3f\n", step_text(c).c_str(), c.p_value);
      } else {
        fprintf(out, "  change: %s, on the newest run alone (confirm with another run)\n",
                step_text(c).c_str());
      }
      fprintf(out, "  last before: %s\n", run_text(before).c_str());
      fprintf(out, "  first after: %s\n", run_text(after).c_str());
      fprintf(out, "  changed: %s\n", record_changes(before, after).c_str());
    }
  }
  fprintf(out, "%zu change point%s in %zu series\n", count, count == 1 ? "" : "s", all.size());
}

// A CSV cell: quoted when it holds a comma, a quote or a line end.
static std::string cell(const std::string& v) {
  if (v.find_first_of(",\"\n\r") == std::string::npos) return v;
  std::string q = "\"";
  for (char c : v) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

static std::string number_cell(double v) {
  history_value x = history_number(v);
  return x.null ? "" : x.text;
}

static std::string csv_text(const std::vector<history_series>& all) {
  std::string s =
      "series,run,run_utc,machine_id,mode,width,height,script,source_revision,program_version,driver_version,"
      "median_ms,ci_low_ms,ci_high_ms,cv_percent,p90_ms,p99_ms,gpu_median_ms,cpu_median_ms,runs,change_"
      "percent\n";
  for (const history_series& series : all) {
    for (size_t i = 0; i < series.runs.size(); i++) {
      const history_entry& e = series.runs[i];
      const history_change* c = change_at(series, i);
      s += cell(series.label) + "," + std::to_string(e.id) + "," + cell(e.run_utc) + "," +
           cell(e.machine_id) + "," + cell(e.mode) + "," + std::to_string(e.width) + "," +
           std::to_string(e.height) + "," + cell(e.script) + "," + cell(e.source_revision) + "," +
           cell(e.program_version) + "," + cell(e.driver_version) + "," + number_cell(e.median_ms) + "," +
           number_cell(e.ci_low_ms) + "," + number_cell(e.ci_high_ms) + "," + number_cell(e.cv_percent) +
           "," + number_cell(e.p90_ms) + "," + number_cell(e.p99_ms) + "," + number_cell(e.gpu_median_ms) +
           "," + number_cell(e.cpu_median_ms) + "," + std::to_string(e.runs) + "," +
           (c ? number_cell(c->step_percent) : "") + "\n";
    }
  }
  return s;
}

// Each series' medians and the median of each segment between its changes.
static std::vector<history_plot_series> plotted(const std::vector<history_series>& all) {
  std::vector<history_plot_series> out;
  for (const history_series& s : all) {
    history_plot_series p;
    p.label = s.label;
    size_t start = 0;
    for (size_t k = 0; k <= s.changes.size(); k++) {
      size_t end = k < s.changes.size() ? s.changes[k].index : s.runs.size();
      std::vector<double> part;
      for (size_t i = start; i < end; i++) part.push_back(s.runs[i].median_ms);
      std::sort(part.begin(), part.end());
      double level = part.empty()      ? NAN
                     : part.size() % 2 ? part[part.size() / 2]
                                       : 0.5 * (part[part.size() / 2 - 1] + part[part.size() / 2]);
      for (size_t i = start; i < end; i++) p.levels_ms.push_back(level);
      start = end;
    }
    for (const history_entry& e : s.runs) p.medians_ms.push_back(e.median_ms);
    out.push_back(p);
  }
  return out;
}

int history_read_main(const history_read_request& q, FILE* out, FILE* err, history_plotter plot) {
  std::string name = history_mask(q.target);
  history_db db;
  std::string why;
  std::vector<history_entry> entries;
  if (!history_open(q.target, false, &db, &why) || !load(&db, q.filter, &entries, &why)) {
    history_close(&db);
    fprintf(err, "%s: cannot read the history %s: %s\n", q.program, name.c_str(), why.c_str());
    return HISTORY_NOT_UPDATED_STATUS;
  }
  history_close(&db);
  if (q.view == HISTORY_VIEW_RUNS) {
    print_runs(entries, out);
    return 0;
  }
  std::vector<history_series> all = group(entries);
  if (q.view == HISTORY_VIEW_CHANGES) {
    print_changes(all, out);
    return 0;
  }
  if (q.view == HISTORY_VIEW_CSV) {
    std::string text = csv_text(all);
    if (!file_replace_write(q.csv_path.c_str(), text.data(), text.size(), &why)) {
      fprintf(err, "%s: cannot write %s: %s\n", q.program, q.csv_path.c_str(), why.c_str());
      return 1;
    }
    fprintf(out, "history CSV: %s\n", q.csv_path.c_str());
    return 0;
  }
  print_trend(all, out);
  if (q.plot_path.empty() || all.empty()) return 0;
  char error[300] = "";
  if (!plot || !plot(q.plot_path.c_str(), plotted(all), error, sizeof error)) {
    // No GL is not a failure of the trend; a picture that cannot be written is.
    bool no_gl = !plot || strstr(error, "cannot write") != error;
    fprintf(err, "%s: trend picture skipped: %s\n", q.program, plot ? error : "no picture on this build");
    return no_gl ? 0 : 1;
  }
  fprintf(out, "trend picture: %s\n", q.plot_path.c_str());
  return 0;
}
