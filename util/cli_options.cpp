// Command lines of the programs (see cli_options.h).
#include "util/cli_options.h"

#include <getopt.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// ---------------------------------------------------------------------------
// Reading a command line

// getopt_long's table for the parser's options; "-" returns operands in
// order (no reordering, whatever POSIXLY_CORRECT says), ":" keeps getopt
// quiet (the errors are ours), "h" is -h.
static const char cli_short_options[] = "-:h";

std::string cli_option_name(const cli_parser& p, int id) {
  for (const cli_option* o : p.table) {
    if (o->id == id) return std::string("--") + o->name;
  }
  return "";
}

void cli_begin(cli_parser* p, const std::vector<std::string>& args, const cli_option* table, size_t count) {
  p->args.clear();
  p->args.push_back("program");
  p->args.insert(p->args.end(), args.begin(), args.end());
  p->argv.clear();
  for (std::string& a : p->args) p->argv.push_back(&a[0]);
  p->argv.push_back(nullptr);
  p->table.clear();
  for (size_t i = 0; i < count; i++) p->table.push_back(&table[i]);
  p->error.clear();
  p->ended = false;
  p->rest = 0;
  // optind 0 makes glibc's getopt start afresh (its own state included);
  // the MinGW-w64 runtime's getopt reads optind 0 the same way (it then sets
  // its optreset itself).
  optind = 0;
  opterr = 0;
}

bool cli_refuse(cli_parser* p, const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  // Messages quote what the user typed; a line feed or other control byte
  // in it would break the one line (or move the terminal's cursor).
  for (char* c = line; *c; c++) {
    if ((unsigned char)*c < 0x20 || *c == 0x7f) *c = '?';
  }
  p->error = line;
  return false;
}

bool cli_looks_like_option(const char* text) {
  if (text[0] != '-') return false;
  char c = text[1];
  return c == '-' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

static const cli_option* cli_find_id(const cli_parser* p, int id) {
  for (const cli_option* o : p->table) {
    if (o->id == id) return o;
  }
  return nullptr;
}

// The message for an argument getopt refused: optopt holds the option's id
// when it was found (then its value was missing or unwanted), the letter of
// an unknown short option, or 0 for an unknown or ambiguous long option.
static int cli_getopt_error(cli_parser* p, int index_after) {
  const char* arg = index_after >= 1 && (size_t)index_after <= p->args.size() ? p->argv[index_after - 1] : "";
  std::string given(arg);
  size_t equals = given.find('=');
  std::string name = given.substr(0, equals);
  const cli_option* found = optopt ? cli_find_id(p, optopt) : nullptr;
  if (found && strncmp(arg, "--", 2) == 0) {
    if (found->kind == CLI_NO_VALUE) {
      cli_refuse(p, "--%s takes no value", found->name);
    } else {
      cli_refuse(p, "--%s needs a value", found->name);
    }
  } else if (optopt && optopt != CLI_HELP && optopt < CLI_FIRST_ID) {
    cli_refuse(p, "unknown option -%c", (char)optopt);
  } else if (name.size() > 2 && name.compare(0, 2, "--") == 0) {
    std::string matches;
    int count = 0;
    for (const cli_option* o : p->table) {
      if (strncmp(o->name, name.c_str() + 2, name.size() - 2) == 0) {
        matches += std::string(count ? ", --" : "--") + o->name;
        count++;
      }
    }
    if (count > 1) {
      cli_refuse(p, "ambiguous option %s (%s)", name.c_str(), matches.c_str());
    } else {
      cli_refuse(p, "unknown option %s", name.c_str());
    }
  } else {
    cli_refuse(p, "unknown option %s", name.c_str());
  }
  return CLI_ERROR;
}

int cli_next(cli_parser* p, const char** value) {
  *value = nullptr;
  if (p->ended) {
    if (p->rest < p->args.size()) {
      *value = p->argv[p->rest++];
      return CLI_OPERAND;
    }
    return CLI_END;
  }
  int argc = (int)p->args.size();
  std::vector<option> longs;
  for (const cli_option* o : p->table) {
    int has_arg = o->kind == CLI_VALUE            ? required_argument
                  : o->kind == CLI_OPTIONAL_VALUE ? optional_argument
                                                  : no_argument;
    longs.push_back(option{o->name, has_arg, nullptr, o->id});
  }
  longs.push_back(option{nullptr, 0, nullptr, 0});
  optopt = 0;
  int c = getopt_long(argc, p->argv.data(), cli_short_options, longs.data(), nullptr);
  if (c == -1) {
    // The end, or "--": what follows it are operands.
    p->ended = true;
    p->rest = optind > 0 && optind <= argc ? (size_t)optind : p->args.size();
    return cli_next(p, value);
  }
  if (c == 1) {
    *value = optarg;
    return CLI_OPERAND;
  }
  if (c == '?' || c == ':') return cli_getopt_error(p, optind);
  const cli_option* o = cli_find_id(p, c);
  if (!o) return cli_refuse(p, "unknown option"), CLI_ERROR;
  if (o->kind == CLI_VALUE && optarg && !*optarg) {
    cli_refuse(p, "--%s needs a non-empty value", o->name);
    return CLI_ERROR;
  }
  if (o->kind == CLI_VALUE && optarg) {
    // A value in the next argument must not be an option: "--out --help"
    // is a forgotten value, not a folder named "--help".
    bool separate = optind >= 2 && optarg == p->argv[optind - 1];
    if (separate && cli_looks_like_option(optarg)) {
      cli_refuse(p, "--%s needs a value, not the option '%s'", o->name, optarg);
      return CLI_ERROR;
    }
  }
  if (o->kind == CLI_OPTIONAL_VALUE && !optarg && optind < argc && !cli_looks_like_option(p->argv[optind])) {
    optarg = p->argv[optind++];
  }
  *value = optarg && *optarg ? optarg : (o->kind == CLI_VALUE ? optarg : nullptr);
  return c;
}

const char cli_convention_help[] =
    "A value follows its option or an '=' (--opt=-x for a value starting with '-');\n"
    "'--' ends the options.\n";

std::string cli_usage_error_line(const char* program, const std::string& message) {
  return std::string(program) + ": " + message + " (try '" + program + " --help')\n";
}

bool cli_parse_help_version(const std::vector<std::string>& args, bool* help, bool* version,
                            std::string* error) {
  enum { VERSION = CLI_FIRST_ID };
  static const cli_option table[] = {{"help", CLI_NO_VALUE, CLI_HELP}, {"version", CLI_NO_VALUE, VERSION}};
  cli_parser p;
  cli_begin(&p, args, table, sizeof table / sizeof table[0]);
  *help = *version = false;
  for (;;) {
    const char* value = nullptr;
    int id = cli_next(&p, &value);
    if (id == CLI_END) return true;
    if (id == CLI_HELP) {
      *help = true;
    } else if (id == VERSION) {
      *version = true;
    } else if (id == CLI_OPERAND) {
      cli_refuse(&p, "unexpected argument '%s'", value);
      *error = p.error;
      return false;
    } else {
      *error = p.error;
      return false;
    }
  }
}

// ---------------------------------------------------------------------------
// Windows command lines

std::vector<std::string> cli_split_windows_command_line(const char* command_line) {
  std::vector<std::string> args;
  if (!command_line) return args;
  const char* p = command_line;
  for (;;) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        size_t slashes = 0;
        while (*p == '\\') {
          slashes++;
          p++;
        }
        if (*p == '"') {
          // 2n backslashes and a quote: n backslashes, the quote groups;
          // 2n + 1: n backslashes and a literal quote.
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            p++;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg += '"';  // "" inside quotes: a literal quote
          p += 2;
        } else {
          quoted = !quoted;
          p++;
        }
      } else {
        arg += *p++;
      }
    }
    args.push_back(arg);
  }
  return args;
}
