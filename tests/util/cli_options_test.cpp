// The programs' common command-line convention on getopt_long: both value
// spellings, "--" and -h, refusal of a missing value or of an option taken
// as a value (negative numbers stay values), the messages getopt's own
// errors become, and a second command line read as freshly as the first
// (getopt keeps state between calls). Also the Windows command-line
// splitter, which the Win32 builds of the programs read their arguments with.
#include "util/cli_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using args = std::vector<std::string>;

enum { SIZE = CLI_FIRST_ID, SCRIPT, STRICT, BENCH };
const cli_option table[] = {{"help", CLI_NO_VALUE, CLI_HELP},
                            {"size", CLI_VALUE, SIZE},
                            {"script", CLI_VALUE, SCRIPT},
                            {"strict", CLI_NO_VALUE, STRICT},
                            {"benchmark", CLI_OPTIONAL_VALUE, BENCH}};

// The whole command line as "id=value" words ("op=X" for operands), or the
// error after the words read before it.
std::string read_all(const args& a) {
  cli_parser p;
  cli_begin(&p, a, table, sizeof table / sizeof table[0]);
  std::string words;
  for (;;) {
    const char* value = nullptr;
    int id = cli_next(&p, &value);
    if (id == CLI_END) return words;
    if (id == CLI_ERROR) return words + "error: " + p.error;
    words += (id == CLI_OPERAND ? std::string("op") : std::to_string(id)) + "=" + (value ? value : "-") + " ";
  }
}

TEST(cli_options, ValuesOperandsAndTheEndOfOptions) {
  const std::string size = std::to_string(SIZE), bench = std::to_string(BENCH),
                    strict = std::to_string(STRICT);
  EXPECT_EQ(read_all({"--size", "640x360", "--size=1x2", "--si=3x4"}),
            size + "=640x360 " + size + "=1x2 " + size + "=3x4 ");
  // Operands in order; after "--" options are operands; "-" and "-5" are values.
  EXPECT_EQ(read_all({"a", "--strict", "-", "--", "--size", "-h"}),
            "op=a " + strict + "=- op=- op=--size op=-h ");
  EXPECT_EQ(read_all({"--size", "-5", "--size", "-0.5", "--size=--x"}),
            size + "=-5 " + size + "=-0.5 " + size + "=--x ");
  EXPECT_EQ(read_all({"-h", "--help"}), "104=- 104=- ");
  // An optional value: after '=', or the next argument unless it is an option.
  EXPECT_EQ(read_all({"--benchmark", "short", "--benchmark", "--strict", "--benchmark=x", "--benchmark"}),
            bench + "=short " + bench + "=- " + strict + "=- " + bench + "=x " + bench + "=- ");
}

TEST(cli_options, MistakesBecomeOneLine) {
  const struct {
    args a;
    const char* error;
  } cases[] = {
      {{"--size"}, "--size needs a value"},
      {{"--size", "--strict"}, "--size needs a value, not the option '--strict'"},
      {{"--size", "-x"}, "--size needs a value, not the option '-x'"},
      {{"--size", "--"}, "--size needs a value, not the option '--'"},
      {{"--size="}, "--size needs a non-empty value"},
      {{"--strict=yes"}, "--strict takes no value"},
      {{"--frob", "1"}, "unknown option --frob"},
      {{"--frob=1"}, "unknown option --frob"},
      {{"--s"}, "ambiguous option --s (--size, --script, --strict)"},
      {{"-q"}, "unknown option -q"},
      // A quoted value stays on the one line (found by fuzzing).
      {{"--fr\x1b[2J"}, "unknown option --fr?[2J"},
      {{"--size", "-x\ny"}, "--size needs a value, not the option '-x?y'"},
  };
  for (const auto& c : cases) EXPECT_EQ(read_all(c.a), std::string("error: ") + c.error) << c.a[0];
  EXPECT_EQ(cli_usage_error_line("prog", "unknown option --frob"),
            "prog: unknown option --frob (try 'prog --help')\n");
}

TEST(cli_options, EachCommandLineIsReadAfresh) {
  // A parse stopped half-way (inside a group of short options, or before
  // its operands) must not leak into the next one.
  EXPECT_EQ(read_all({"-hq", "x"}), "104=- error: unknown option -q");
  EXPECT_EQ(read_all({"b", "--size", "1x1"}), "op=b " + std::to_string(SIZE) + "=1x1 ");
  EXPECT_EQ(read_all({"-h"}), "104=- ");
  bool help = false, version = false;
  std::string error;
  EXPECT_TRUE(cli_parse_help_version({"--version"}, &help, &version, &error));
  EXPECT_TRUE(version);
  EXPECT_FALSE(cli_parse_help_version({"--", "--help"}, &help, &version, &error));
  EXPECT_EQ(error, "unexpected argument '--help'");
}

TEST(cli_options, WindowsCommandLinesSplitLikeTheRuntime) {
  EXPECT_EQ(cli_split_windows_command_line("boxfield.exe"), (args{"boxfield.exe"}));
  EXPECT_EQ(cli_split_windows_command_line("  \"C:\\Program Files\\bf\\boxfield.exe\"  --size\t640x360 "),
            (args{"C:\\Program Files\\bf\\boxfield.exe", "--size", "640x360"}));
  // Backslashes are literal unless a quote follows: 2n + quote -> n and a
  // grouping quote, 2n + 1 + quote -> n and a literal quote.
  EXPECT_EQ(cli_split_windows_command_line("a C:\\dir\\ b"), (args{"a", "C:\\dir\\", "b"}));
  EXPECT_EQ(cli_split_windows_command_line("a \"C:\\dir\\\\\" b"), (args{"a", "C:\\dir\\", "b"}));
  EXPECT_EQ(cli_split_windows_command_line("a \\\"q\\\" b"), (args{"a", "\"q\"", "b"}));
  EXPECT_EQ(cli_split_windows_command_line("a \"\" \"x\"\"y\" b"), (args{"a", "", "x\"y", "b"}));
  EXPECT_EQ(cli_split_windows_command_line("a \"unterminated b"), (args{"a", "unterminated b"}));
  EXPECT_TRUE(cli_split_windows_command_line("").empty());
  EXPECT_TRUE(cli_split_windows_command_line(nullptr).empty());
}

}  // namespace
