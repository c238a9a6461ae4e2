// Command lines of the programs, one convention for all of them, read with
// getopt_long (glibc; the MinGW-w64 runtime has the same function):
//   - "--opt value" and "--opt=value" both give a value, "--" ends the
//     options, "-h" is "--help", a long option may be shortened to any
//     prefix that names one option;
//   - a missing or empty value is refused, and so is a value given as the next
//     argument that is itself an option ("--x", or "-" and a letter; "-5",
//     "-0.5" and "-" stay values); "--opt=-x" is the way to mean it;
//   - a usage error is one line: the program, the mistake, and where the
//     help is.
// The parser keeps no state between command lines, so tests and fuzz
// targets can read any number of them. Also splits a Windows command line
// into arguments as the Microsoft C runtime does. Depends on <getopt.h> only.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

// Whether an option takes a value.
enum cli_value_kind {
  CLI_NO_VALUE,
  CLI_VALUE,           // required: "--opt=V" or "--opt V"
  CLI_OPTIONAL_VALUE,  // "--opt=V", or the next argument when it is not an option
};

// One long option of a program's table.
struct cli_option {
  const char* name;     // without the dashes
  cli_value_kind kind;  // value or none
  int id;               // what cli_next returns for it: CLI_HELP, or CLI_FIRST_ID and up
};

enum {
  CLI_HELP = 'h',      // the id of --help, which -h also gives
  CLI_FIRST_ID = 256,  // programs number their other options from here
  CLI_END = -1,        // cli_next: no arguments left
  CLI_ERROR = -2,      // cli_next: a usage error, in the parser's error
  CLI_OPERAND = -3,    // cli_next: an argument that is not an option, in *value
};

// A command line being read (plain data; fill with cli_begin).
struct cli_parser {
  std::vector<std::string> args;  // the program's name, then the arguments
  std::vector<char*> argv;        // pointers into args, ending with a null
  std::vector<const cli_option*> table;
  std::string error;   // the usage error, without the program name
  bool ended = false;  // "--" seen or getopt finished
  size_t rest = 0;     // after "--": the next operand's index in args
};

// Starts reading args (the arguments after the program's name) against the
// table (count options; the table must outlive the parser).
void cli_begin(cli_parser* p, const std::vector<std::string>& args, const cli_option* table, size_t count);

// The next option's id, with *value set to its value (nullptr when it has
// none); CLI_OPERAND with *value the operand; CLI_END; or CLI_ERROR with
// p->error set (unknown, ambiguous or misused option, missing value).
int cli_next(cli_parser* p, const char** value);

// "--NAME" of the option with this id in the parser's table ("" for none).
std::string cli_option_name(const cli_parser& p, int id);

// Sets p->error (printf format; control bytes of quoted values become '?',
// so it stays one line) and returns false, for the program's own checks of
// values and combinations.
bool cli_refuse(cli_parser* p, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Whether a text reads as an option: "--" and anything, or "-" and a letter.
bool cli_looks_like_option(const char* text);

// The one line a usage error prints on standard error, ending with a line
// feed: "PROG: MESSAGE (try 'PROG --help')".
std::string cli_usage_error_line(const char* program, const std::string& message);

// The lines every program's --help ends with, saying the above.
extern const char cli_convention_help[];

// The exit status of a usage error.
enum { CLI_USAGE_STATUS = 2 };

// Reads the command line of a program whose only options are --help and
// --version (no operands). Returns false with *error set on a mistake.
bool cli_parse_help_version(const std::vector<std::string>& args, bool* help, bool* version,
                            std::string* error);

// The arguments of a Windows command line (program name first): blanks
// separate arguments, double quotes group, "" inside quotes is a quote, and
// backslashes escape a quote as the Microsoft C runtime reads them.
std::vector<std::string> cli_split_windows_command_line(const char* command_line);
