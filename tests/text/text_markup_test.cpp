// Markup passes: the Greek table with capitals and in-place moves, script
// levels with their scale and raise bytes, braces and nesting, colour and tab
// codes, the order of the passes, and the buffer bound: no pass writes past
// the size it is given, whatever the input, and the text stays well formed.
#include "text/text_markup.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<int> bytes;

// The text's bytes up to its end, escapes stepped over whole.
bytes contents(const char* text) {
  bytes out;
  size_t i = 0;
  for (;;) {
    int b = (unsigned char)text[i];
    if (b == 0) return out;
    size_t step = b == 2 ? 3 : b == 5 ? 6 : 1;
    for (size_t k = 0; k < step; ++k) out.push_back((unsigned char)text[i + k]);
    i += step;
  }
}

bytes plain(const char* s) {
  bytes out;
  for (; *s; ++s) out.push_back((unsigned char)*s);
  return out;
}

bytes glyph(int code) { return {2, code / 256, code % 256}; }
bytes layout(int kind, uint32_t v) {
  return {5, kind, (int)(v & 255), (int)((v >> 8) & 255), (int)((v >> 16) & 255), (int)(v >> 24)};
}
bytes script(int scale, int raise) {
  uint32_t v = (uint32_t)(uint16_t)scale | ((uint32_t)(uint16_t)(int16_t)raise << 16);
  return layout(2, v);
}
bytes cat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A buffer of `room` bytes holding text, with guard bytes after it that no
// pass may touch.
struct guarded {
  std::vector<char> store;
  size_t room;
  guarded(const bytes& text, size_t room_) : store(room_ + 32, (char)0xA5), room(room_) {
    for (size_t i = 0; i < text.size(); ++i) store[i] = (char)text[i];
    store[text.size()] = 0;
  }
  guarded(const char* text, size_t room_) : guarded(plain(text), room_) {}
  char* text() { return store.data(); }
  bool guard_intact() const {
    for (size_t i = room; i < store.size(); ++i)
      if (store[i] != (char)0xA5) return false;
    return true;
  }
};

bytes greek(const char* text) {
  guarded g(text, 256);
  EXPECT_EQ(substitute_greek_names(g.text(), g.room), g.text());
  EXPECT_EQ(text_markup_last_complete(), 1);
  return contents(g.text());
}

bytes scripts(const bytes& text, int32_t levels) {
  guarded g(text, 512);
  EXPECT_EQ(apply_scripts(g.text(), g.room, levels, 0, 256), 1);
  return contents(g.text());
}

bytes codes(const char* text) {
  guarded g(text, 256);
  EXPECT_EQ(apply_markup_codes(g.text(), g.room), g.text());
  return contents(g.text());
}

TEST(GreekNames, DocumentExamples) {
  EXPECT_EQ(greek("Alpha"), glyph(280));
  EXPECT_EQ(greek("ALPHA"), glyph(280));
  EXPECT_EQ(greek("aLPHA"), glyph(256));
  EXPECT_EQ(greek("pi"), glyph(271));  // two letters grow to three bytes
  EXPECT_EQ(greek("eta"), glyph(262));
  EXPECT_EQ(greek("vartheta"), glyph(306));
  EXPECT_EQ(greek("VarTheta"), glyph(306));  // variants have no capitals
  EXPECT_EQ(greek("varepsilon"), cat({plain("var"), glyph(260)}));
  EXPECT_EQ(greek("alphabet"), cat({glyph(256), plain("bet")}));
  EXPECT_EQ(greek("beta"), glyph(257));  // not b + eta
  EXPECT_EQ(greek("a pie, 2 mus"), cat({plain("a "), glyph(271), plain("e, 2 "), glyph(267), plain("s")}));
  EXPECT_EQ(greek("no names here"), plain("no names here"));
}

TEST(GreekNames, EveryNameAndCapital) {
  const char* names[24] = {"alpha", "beta",  "gamma",  "delta",   "epsilon", "zeta", "eta",     "theta",
                           "iota",  "kappa", "lambda", "mu",      "nu",      "xi",   "omicron", "pi",
                           "rho",   "sigma", "tau",    "upsilon", "phi",     "chi",  "psi",     "omega"};
  for (int n = 0; n < 24; ++n) {
    std::string lower = std::string("<") + names[n] + ">";
    std::string capital = lower;
    capital[1] = (char)(capital[1] - 32);
    EXPECT_EQ(greek(lower.c_str()), cat({plain("<"), glyph(256 + n), plain(">")})) << names[n];
    EXPECT_EQ(greek(capital.c_str()), cat({plain("<"), glyph(280 + n), plain(">")})) << names[n];
  }
  const char* variants[5] = {"vardelta", "varzeta", "vartheta", "varphi", "varomega"};
  for (int n = 0; n < 5; ++n) EXPECT_EQ(greek(variants[n]), glyph(304 + n)) << variants[n];
}

TEST(GreekNames, EscapesAheadStayWhole) {
  // A colour escape whose payload spells "phi" and holds zero bytes, and a
  // glyph escape with a zero low byte, both ahead of names to replace.
  bytes text = cat({plain("mu"), layout(0, 'p' | ('h' << 8) | ('i' << 16)), glyph(256), plain("pi")});
  guarded g(text, 64);
  substitute_greek_names(g.text(), g.room);
  EXPECT_EQ(contents(g.text()),
            cat({glyph(267), layout(0, 'p' | ('h' << 8) | ('i' << 16)), glyph(256), glyph(271)}));
}

TEST(GreekNames, StopsGrowingAtTheBufferSize) {
  guarded exact("pi", 3);  // no room for the third byte
  substitute_greek_names(exact.text(), exact.room);
  EXPECT_EQ(contents(exact.text()), plain("pi"));
  EXPECT_EQ(text_markup_last_complete(), 0);
  EXPECT_TRUE(exact.guard_intact());

  guarded one_byte("mu xi", 7);  // room for one growth only
  substitute_greek_names(one_byte.text(), one_byte.room);
  EXPECT_EQ(contents(one_byte.text()), cat({glyph(267), plain(" xi")}));
  EXPECT_EQ(text_markup_last_complete(), 0);
  EXPECT_TRUE(one_byte.guard_intact());

  guarded shrinking("alpha", 6);  // shrinking needs no room
  substitute_greek_names(shrinking.text(), shrinking.room);
  EXPECT_EQ(contents(shrinking.text()), glyph(256));
  EXPECT_EQ(text_markup_last_complete(), 1);
}

TEST(Scripts, LevelsScaleAndRaise) {
  EXPECT_EQ(scripts(plain("x^2"), 1), cat({plain("x"), script(179, 38), plain("2"), script(256, 0)}));
  EXPECT_EQ(scripts(plain("x_2"), 1), cat({plain("x"), script(179, -115), plain("2"), script(256, 0)}));
  EXPECT_EQ(scripts(plain("x^2"), 0), plain("x^2"));
  // A negative budget is no limit at all, not none.
  EXPECT_EQ(scripts(plain("x^2"), -3), cat({plain("x"), script(179, 38), plain("2"), script(256, 0)}));

  // Nested: a superscript in a superscript has scale 128 and raise 66, and
  // returns to the outer level (179, 38) after its argument.
  EXPECT_EQ(scripts(plain("x^{a^b}c"), 2), cat({plain("x"), script(179, 38), plain("a"), script(128, 66),
                                                plain("b"), script(179, 38), script(256, 0), plain("c")}));
  // With one level the inner ^ is copied through unchanged.
  EXPECT_EQ(scripts(plain("e^{x^2}"), 1), cat({plain("e"), script(179, 38), plain("x^2"), script(256, 0)}));

  // Other starting levels: scale 128 stays 128, so nothing is lowered.
  guarded g("y_1", 64);
  apply_scripts(g.text(), g.room, 1, 10, 128);
  EXPECT_EQ(contents(g.text()), cat({plain("y"), script(128, 10 - 38), plain("1"), script(128, 10)}));
}

TEST(Scripts, Arguments) {
  // Letter runs, digit runs, runs of glyph escapes, single other bytes.
  EXPECT_EQ(scripts(plain("a^bc1"), 1),
            cat({plain("a"), script(179, 38), plain("bc"), script(256, 0), plain("1")}));
  EXPECT_EQ(scripts(plain("a^123b"), 1),
            cat({plain("a"), script(179, 38), plain("123"), script(256, 0), plain("b")}));
  EXPECT_EQ(scripts(cat({plain("a^"), glyph(256), glyph(257), plain("c")}), 1),
            cat({plain("a"), script(179, 38), glyph(256), glyph(257), script(256, 0), plain("c")}));
  EXPECT_EQ(scripts(plain("a^-1"), 1),
            cat({plain("a"), script(179, 38), plain("-"), script(256, 0), plain("1")}));
  // Braces: removed, nested braces counted, glyph escapes stepped over.
  EXPECT_EQ(scripts(cat({plain("a_{x{y}"), glyph(381), plain("}z")}), 1),
            cat({plain("a"), script(179, -115), plain("x{y}"), glyph(381), script(256, 0), plain("z")}));
  // Each unbraced script adds 11 bytes, each braced one 9.
  EXPECT_EQ(scripts(plain("a^b"), 1).size(), 3u + 11u);
  EXPECT_EQ(scripts(plain("a^{b}"), 1).size(), 5u + 9u);
}

TEST(Scripts, MarkupOutsideTheLanguageStaysText) {
  EXPECT_EQ(scripts(plain("x^"), 1), plain("x^"));
  EXPECT_EQ(scripts(plain("_"), 1), plain("_"));
  EXPECT_EQ(scripts(plain("x^{ab"), 1), plain("x^{ab"));
  // An unmatched { leaves its script as text; later scripts still convert.
  EXPECT_EQ(scripts(plain("x^{a^2"), 1), cat({plain("x^{a"), script(179, 38), plain("2"), script(256, 0)}));
  // Inside braces a trailing ^ has no argument either.
  EXPECT_EQ(scripts(plain("x^{a^}"), 2), cat({plain("x"), script(179, 38), plain("a^"), script(256, 0)}));
}

TEST(Scripts, LayoutEscapesAreSteppedOverWhole) {
  // Payload bytes that read as ^, { and _ must not start scripts, and a
  // layout escape as an argument is taken whole.
  bytes colour = layout(0, '^' | ('{' << 8) | ('_' << 16));
  EXPECT_EQ(scripts(cat({colour, plain("a^"), colour, plain("b")}), 1),
            cat({colour, plain("a"), script(179, 38), colour, script(256, 0), plain("b")}));
}

TEST(Scripts, StopsWithinTheBufferAndStaysWellFormed) {
  guarded none("x^2", 4);
  EXPECT_EQ(apply_scripts(none.text(), none.room, 1, 0, 256), 0);
  EXPECT_EQ(contents(none.text()), plain("x^2"));
  EXPECT_TRUE(none.guard_intact());

  guarded exact("x^2", 15);
  EXPECT_EQ(apply_scripts(exact.text(), exact.room, 1, 0, 256), 1);
  EXPECT_EQ(contents(exact.text()).size(), 14u);
  EXPECT_TRUE(exact.guard_intact());

  // Room for the outer braced script (9) but not the inner one (11).
  guarded nested("x^{a^b}", 8 + 9 + 10);
  EXPECT_EQ(apply_scripts(nested.text(), nested.room, 2, 0, 256), 0);
  EXPECT_EQ(contents(nested.text()), cat({plain("x"), script(179, 38), plain("a^b"), script(256, 0)}));
  EXPECT_TRUE(nested.guard_intact());
}

// x^{^{ ... ^{y} ... }} with `depth` braced scripts, converted with the given
// budget in a buffer with room for all of them.
bytes nested_scripts(int depth, int32_t levels) {
  std::string text = "x";
  for (int i = 0; i < depth; ++i) text += "^{";
  text += "y";
  for (int i = 0; i < depth; ++i) text += "}";
  guarded g(text.c_str(), text.size() + 1 + 9 * (size_t)depth);
  EXPECT_EQ(apply_scripts(g.text(), g.room, levels, 0, 256), 1);
  EXPECT_TRUE(g.guard_intact());
  return contents(g.text());
}

TEST(Scripts, EveryNestingLevelTheBudgetAllows) {
  // The expected escapes, level by level: scale max(0.7 s, 128), raise
  // r + 0.3 s - 0.5 (s - s'), from (256, 0) inward.
  const int depth = 85;
  std::vector<bytes> level{script(256, 0)};
  int s = 256, r = 0;
  for (int k = 1; k <= depth; ++k) {
    double inner = 0.7 * s < 128.0 ? 128.0 : 0.7 * s;
    int s2 = (int)inner;
    r = (int16_t)(int)((double)r + (double)0.3f * s - (double)0.5f * (double)(s - s2));
    s = s2;
    level.push_back(script(s, r));
  }
  ASSERT_EQ(level[1], script(179, 38));
  ASSERT_EQ(level[2], script(128, 66));
  ASSERT_EQ(level[3], script(128, 104));
  bytes all = plain("x");
  for (int k = 1; k <= depth; ++k) all = cat({all, level[k]});
  all.push_back('y');
  for (int k = depth - 1; k >= 0; --k) all = cat({all, level[k]});

  EXPECT_EQ(nested_scripts(depth, -1), all);
  EXPECT_EQ(nested_scripts(depth, 1000), all);
  EXPECT_EQ(nested_scripts(depth, depth), all);
  // One level short: the innermost ^{y} is copied through as text.
  bytes short_one = plain("x");
  for (int k = 1; k < depth; ++k) short_one = cat({short_one, level[k]});
  short_one = cat({short_one, plain("^{y}")});
  for (int k = depth - 2; k >= 0; --k) short_one = cat({short_one, level[k]});
  EXPECT_EQ(nested_scripts(depth, depth - 1), short_one);
}

TEST(Scripts, DeepNestingNeedsNoDeepCallStack) {
  // 20000 nested braces with an unlimited budget and room for 30 levels: the
  // buffer bound holds.
  std::string text = "x";
  for (int i = 0; i < 20000; ++i) text += "^{";
  text += "y";
  for (int i = 0; i < 20000; ++i) text += "}";
  size_t room = text.size() + 1 + 9 * 30;
  guarded g(text.c_str(), room);
  EXPECT_EQ(apply_scripts(g.text(), g.room, -1, 0, 256), 0);
  EXPECT_TRUE(g.guard_intact());
  EXPECT_EQ(contents(g.text()).size(), text.size() + 9 * 30);
  // With room for them, thousands of levels all convert.
  EXPECT_EQ(nested_scripts(4000, -1).size(), 1 + 4000 * 6 + 1 + 4000 * 6u);
}

TEST(MarkupCodes, ColourAndTab) {
  EXPECT_EQ(codes("#col=255#"), layout(0, 255));
  EXPECT_EQ(codes("#COL=255#"), layout(0, 255));
  EXPECT_EQ(codes("#col=#"), layout(0, 0));
  EXPECT_EQ(codes("#tab=120#"), layout(1, 120));
  EXPECT_EQ(codes("#Tab=120#x"), cat({layout(1, 120), plain("x")}));
  EXPECT_EQ(codes("#col=a#"), layout(0, 49));  // 'a' - '0'
  EXPECT_EQ(codes("a#col=16711680#b#tab=7"),
            cat({plain("a"), layout(0, 0xFF0000), plain("b"), layout(1, 7)}));
  EXPECT_EQ(codes("# #co #col #row=1#"), plain("# #co #col #row=1#"));
  // A number of more than 32 bits wraps rather than overflowing.
  EXPECT_EQ(codes("#tab=99999999999#"), layout(1, (uint32_t)(99999999999ull & 0xFFFFFFFFull)));
}

TEST(MarkupCodes, KeyAtTheVeryEndNeedsOneMoreByte) {
  guarded tight("ab#col=", 8);
  apply_markup_codes(tight.text(), tight.room);
  EXPECT_EQ(contents(tight.text()), plain("ab#col="));
  EXPECT_EQ(text_markup_last_complete(), 0);
  EXPECT_TRUE(tight.guard_intact());

  guarded fits("ab#col=", 9);
  apply_markup_codes(fits.text(), fits.room);
  EXPECT_EQ(contents(fits.text()), cat({plain("ab"), layout(0, 0)}));
  EXPECT_EQ(text_markup_last_complete(), 1);
  EXPECT_TRUE(fits.guard_intact());
}

TEST(MarkupCodes, NumbersStopAtEscapes) {
  bytes text = cat({plain("#col=12"), glyph(256), plain("#tab=3#")});
  guarded g(text, 64);
  apply_markup_codes(g.text(), g.room);
  EXPECT_EQ(contents(g.text()), cat({layout(0, 12), glyph(256), layout(1, 3)}));
}

TEST(PrepareText, PassesCombineInEitherOrder) {
  const char* source = "#col=16711680#Alpha^2 #tab=50#x_{beta pi}";
  bytes expected =
      cat({layout(0, 0xFF0000), glyph(280), script(179, 38), plain("2"), script(256, 0), plain(" "),
           layout(1, 50), plain("x"), script(179, -115), glyph(257), plain(" "), glyph(271), script(256, 0)});

  guarded codes_first(source, 256);
  apply_markup_codes(codes_first.text(), codes_first.room);
  prepare_text(codes_first.text(), codes_first.room, 1);
  EXPECT_EQ(text_markup_last_complete(), 1);
  EXPECT_EQ(contents(codes_first.text()), expected);

  guarded codes_last(source, 256);
  EXPECT_EQ(prepare_text(codes_last.text(), codes_last.room, 1), codes_last.text());
  apply_markup_codes(codes_last.text(), codes_last.room);
  EXPECT_EQ(contents(codes_last.text()), expected);
}

TEST(PrepareText, RefusesATextWithoutAnEndInItsBuffer) {
  char unterminated[4] = {'p', 'i', '^', '2'};
  prepare_text(unterminated, sizeof unterminated, 1);
  EXPECT_EQ(text_markup_last_complete(), 0);
  EXPECT_EQ(memcmp(unterminated, "pi^2", 4), 0);

  // An escape whose bytes would run past the buffer hides the end.
  char cut[4] = {'a', 5, 0, 0};
  apply_markup_codes(cut, sizeof cut);
  EXPECT_EQ(text_markup_last_complete(), 0);
  EXPECT_EQ(memcmp(cut, "a\x05\0\0", 4), 0);

  EXPECT_EQ(prepare_text(nullptr, 10, 1), nullptr);
  EXPECT_EQ(apply_scripts(nullptr, 10, 1, 0, 256), 0);
}

TEST(PrepareText, RandomMarkupNeverLeavesItsBuffer) {
  // Random texts from the markup's own bytes in buffers of random room:
  // every pass, in every order, keeps within the buffer and ends with a
  // terminated text whose escapes are whole and of known kinds.
  const char alphabet[] = "^_{}xpiamu#col=tab12 9\x02\x05";
  uint32_t state = 12345;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  for (int trial = 0; trial < 3000; ++trial) {
    bytes text;
    size_t len = next(40);
    while (text.size() < len) {
      char c = alphabet[next(sizeof alphabet - 1)];
      if (c == 2) {
        bytes e = glyph(256 + (int)next(60));
        text.insert(text.end(), e.begin(), e.end());
      } else if (c == 5) {
        bytes e = layout((int)next(3), next(0xFFFFFFFFu));
        text.insert(text.end(), e.begin(), e.end());
      } else {
        text.push_back((unsigned char)c);
      }
    }
    size_t room = text.size() + 1 + next(30);
    guarded g(text, room);
    switch (trial % 3) {
      case 0:
        prepare_text(g.text(), room, (int32_t)next(4));
        apply_markup_codes(g.text(), room);
        break;
      case 1:
        apply_markup_codes(g.text(), room);
        prepare_text(g.text(), room, (int32_t)next(4));
        break;
      default:
        apply_scripts(g.text(), room, 3, (int16_t)next(200), (int16_t)next(400));
        substitute_greek_names(g.text(), room);
        break;
    }
    ASSERT_TRUE(g.guard_intact()) << "trial " << trial;
    size_t i = 0;
    for (;;) {
      ASSERT_LT(i, room) << "trial " << trial;
      int b = (unsigned char)g.store[i];
      if (b == 0) break;
      if (b == 5) {
        ASSERT_LT(i + 6, room);
        ASSERT_LE((unsigned char)g.store[i + 1], 2) << "trial " << trial;
      }
      i += b == 2 ? 3 : b == 5 ? 6 : 1;
    }
  }
}

}  // namespace
