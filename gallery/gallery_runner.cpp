// gallery_runner: the toolkit gallery on the headless backend (a real Mesa
// context without a display). It runs gallery_main itself and drives it
// through gallery_hook with a generated input script in the runner's script
// format (runner/runner_script.h): a digit key pressed and let go to reach
// each page, then a shot of that page. Each shot is saved as <page>.png or
// compared with <page>.png of a reference folder under a tolerance, saying
// which pixels differ. For pictures that do not depend on the machine's
// speed the clock stands still at a chosen time and the mouse stays at a
// chosen point. GL errors are counted for each page (--strict fails the run
// on any), and progress goes to standard error. Depends on gallery_core,
// the toolkit, the headless backend, runner_support (script, images,
// progress), runner_gl (error counts) and runner_png.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "runner/runner_args.h"
#include "runner/runner_gl_errors.h"
#include "runner/runner_image.h"
#include "runner/runner_progress.h"
#include "runner/runner_readback.h"
#include "runner/runner_script.h"
#include "runner/runner_session.h"
#include "shell/clock.h"
#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"

// ---------------------------------------------------------------------------
// Options

struct gallery_options {
  int32_t width = 960;
  int32_t height = 600;
  std::string out_dir = "gallery-shots";
  std::string validate_dir;  // empty: save the shots instead of comparing
  int32_t tolerance = 8;
  long long max_differing = 0;
  double time = 0.0;
  double mouse_fx = 0.62, mouse_fy = 0.42;  // mouse position as fractions of the size
  std::vector<int32_t> pages;               // pages to shoot, in order
  bool strict = false;                      // any GL error fails the run
};

static void runner_usage(FILE* out) {
  fprintf(out,
          "usage: gallery_runner [options]\n"
          "  --size WxH          surface size in pixels (default 960x600)\n"
          "  --out DIR           where screenshots (or, when validating, the pictures that\n"
          "                      differ and their diff pictures) go (default gallery-shots)\n"
          "  --validate DIR      compare each page with DIR/<page>.png instead of saving it\n"
          "  --tolerance N       per-channel difference a pixel may have (default 8)\n"
          "  --max-differing N   pixels per page allowed beyond the tolerance (default 0)\n"
          "  --pages A,B,...     pages to render, by name (default all: ");
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) fprintf(out, "%s%s", i ? "," : "", gallery_page_names[i]);
  fprintf(out,
          ")\n"
          "  --time SECONDS      animation time the clock is held at (default 0)\n"
          "  --mouse FX,FY       mouse position as fractions of the size (default 0.62,0.42)\n"
          "  --strict            any GL error fails the run (exit 1)\n"
          "  --help, --version   this text, the version\n");
}

// Options that take a value.
static bool takes_value(const char* a) {
  const char* options[] = {"--size",          "--out",   "--validate", "--tolerance",
                           "--max-differing", "--pages", "--time",     "--mouse"};
  for (const char* o : options) {
    if (strcmp(a, o) == 0) return true;
  }
  return false;
}

static bool parse_pages(const char* text, std::vector<int32_t>* pages) {
  pages->clear();
  std::string name;
  for (const char* p = text;; p++) {
    if (*p == ',' || *p == 0) {
      int32_t page = gallery_page_by_name(name.c_str());
      if (page < 0) {
        fprintf(stderr, "gallery_runner: no page '%s'\n", name.c_str());
        return false;
      }
      pages->push_back(page);
      name.clear();
      if (*p == 0) return true;
    } else {
      name += *p;
    }
  }
}

// Returns 0 to run, 1 to exit with success, 2 for a usage error.
static int parse_options(int argc, char** argv, gallery_options* o) {
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) o->pages.push_back(i);
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
      runner_usage(stdout);
      return 1;
    }
    if (strcmp(a, "--version") == 0) {
      printf("gallery_runner %s\n", BF_VERSION);
      return 1;
    }
    if (strcmp(a, "--strict") == 0) {
      o->strict = true;
      continue;
    }
    if (!takes_value(a)) {
      if (a[0] == '-') {
        fprintf(stderr, "gallery_runner: unknown option %s\n", a);
      } else {
        fprintf(stderr, "gallery_runner: unexpected argument '%s'\n", a);
      }
      runner_usage(stderr);
      return 2;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!value || takes_value(value) || strcmp(value, "--strict") == 0) {
      fprintf(stderr, "gallery_runner: %s needs a value\n", a);
      return 2;
    }
    i++;
    if (strcmp(a, "--size") == 0) {
      if (!runner_parse_size(value, 320, 240, &o->width, &o->height)) {
        fprintf(stderr, "gallery_runner: --size wants WxH, from 320x240 to 8192x8192\n");
        return 2;
      }
    } else if (strcmp(a, "--out") == 0) {
      o->out_dir = value;
    } else if (strcmp(a, "--validate") == 0) {
      o->validate_dir = value;
    } else if (strcmp(a, "--tolerance") == 0) {
      long long n = 0;
      if (!runner_parse_count(value, 255, &n)) {
        fprintf(stderr, "gallery_runner: --tolerance wants a whole number from 0 to 255\n");
        return 2;
      }
      o->tolerance = (int32_t)n;
    } else if (strcmp(a, "--max-differing") == 0) {
      long long n = 0;
      if (!runner_parse_count(value, 1LL << 40, &n)) {
        fprintf(stderr, "gallery_runner: --max-differing wants a pixel count\n");
        return 2;
      }
      o->max_differing = n;
    } else if (strcmp(a, "--pages") == 0) {
      if (!parse_pages(value, &o->pages)) return 2;
    } else if (strcmp(a, "--time") == 0) {
      if (!runner_parse_number(value, 0, 1e6, &o->time)) {
        fprintf(stderr, "gallery_runner: --time wants seconds from 0 to 1000000\n");
        return 2;
      }
    } else if (strcmp(a, "--mouse") == 0) {
      char* comma = strchr((char*)value, ',');
      std::string fx(value, comma ? (size_t)(comma - value) : strlen(value));
      if (!comma || !runner_parse_number(fx.c_str(), 0, 1, &o->mouse_fx) ||
          !runner_parse_number(comma + 1, 0, 1, &o->mouse_fy)) {
        fprintf(stderr, "gallery_runner: --mouse wants FX,FY, each from 0 to 1\n");
        return 2;
      }
    }
  }
  return 0;
}

// The input script: for each page, its digit key down in one frame and up
// in the next (the page turns in the frame after the press), and the shot
// one frame later.
static std::string make_script(const std::vector<int32_t>& pages) {
  std::string text = "# generated by gallery_runner\n";
  char line[96];
  int32_t frame = 1;
  for (int32_t page : pages) {
    snprintf(line, sizeof line, "%d down %d\n%d up %d\n%d shot %s\n", (int)frame, (int)page + 1,
             (int)frame + 1, (int)page + 1, (int)frame + 2, gallery_page_names[page]);
    text += line;
    frame += 3;
  }
  snprintf(line, sizeof line, "%d end\n", (int)frame - 1);
  text += line;
  return text;
}

// ---------------------------------------------------------------------------
// The run

static gallery_options options;
static runner_script script;
static size_t next_event = 0;
static int32_t frames_drawn = 0;
static int32_t failures = 0;
static int32_t shots_taken = 0;
static double held_clock = 0.0;
static const char* error_check = "";
static int64_t page_errors = 0;  // GL errors since the last shot
static int64_t total_errors = 0;
static runner_progress progress;

static double runner_clock(void) { return held_clock; }

static void post_events(int32_t frame) {
  while (next_event < script.events.size() && script.events[next_event].frame <= frame) {
    const runner_event& e = script.events[next_event++];
    if (e.action == RUNNER_KEY_DOWN) headless_key_down((uint8_t)e.key);
    if (e.action == RUNNER_KEY_UP) headless_key_up((uint8_t)e.key);
  }
}

static void compare_shot(const char* name, const runner_image& im) {
  std::string reference_path = options.validate_dir + "/" + name + ".png";
  runner_image reference;
  char error[512];
  if (!runner_read_png(reference_path.c_str(), &reference, error, sizeof error)) {
    printf("DIFFERS %s: %s\n", name, error);
    failures++;
    return;
  }
  runner_compare_result r = runner_compare_images(im, reference, options.tolerance);
  if (!r.same_size) {
    printf("DIFFERS %s: size %dx%d, reference %dx%d\n", name, im.width, im.height, reference.width,
           reference.height);
    failures++;
    return;
  }
  if (r.differing <= options.max_differing) {
    printf("same %s: %lld pixels beyond the tolerance %d (largest channel difference %d)\n", name,
           (long long)r.differing, options.tolerance, r.max_channel_diff);
    return;
  }
  failures++;
  printf("DIFFERS %s: %lld pixels differ by more than %d (largest %d), inside x %d..%d, y %d..%d\n", name,
         (long long)r.differing, options.tolerance, r.max_channel_diff, r.min_x, r.max_x, r.min_y, r.max_y);
  for (const runner_pixel_diff& d : r.samples) {
    printf("  (%d, %d) got %d,%d,%d expected %d,%d,%d\n", d.x, d.y, d.got[0], d.got[1], d.got[2],
           d.expected[0], d.expected[1], d.expected[2]);
  }
  std::string got_path = options.out_dir + "/" + name + ".got.png";
  std::string diff_path = options.out_dir + "/" + name + ".diff.png";
  runner_write_png(got_path.c_str(), im);
  runner_write_png(diff_path.c_str(), runner_diff_image(im, reference, options.tolerance));
  printf("  saved %s and %s\n", got_path.c_str(), diff_path.c_str());
}

static void take_shot(const runner_event& e) {
  shots_taken++;
  int32_t page = gallery_page_by_name(e.name);
  if (page >= 0) {
    printf("page %d/%d %s: %s\n", page + 1, (int)GALLERY_PAGE_COUNT, e.name, gallery_page_titles[page]);
  }
  if (page_errors > 0) {
    printf("GL ERRORS %s: %lld while drawing it (%s)\n", e.name, (long long)page_errors, error_check);
  }
  total_errors += page_errors;
  page_errors = 0;
  if (gallery_page_by_name(e.name) != gallery_page) {
    printf("WRONG PAGE %s: frame %d shows %s\n", e.name, e.frame, gallery_page_names[gallery_page]);
    failures++;
    return;
  }
  runner_image im = runner_read_surface(screen_width, screen_height);
  if (!options.validate_dir.empty()) {
    compare_shot(e.name, im);
    return;
  }
  std::string path = options.out_dir + "/" + e.name + ".png";
  if (!runner_write_png(path.c_str(), im)) {
    printf("FAILED %s: cannot write %s\n", e.name, path.c_str());
    failures++;
    return;
  }
  printf("wrote %s\n", path.c_str());
}

static void runner_hook(gallery_stage stage) {
  if (stage == GALLERY_STARTED) {
    // From the first frame on, the page animations stand at the chosen time.
    held_clock = gallery_start_time + options.time;
    headless_mouse_move((int32_t)(options.mouse_fx * screen_width),
                        (int32_t)(options.mouse_fy * screen_height), 0);
    error_check = runner_gl_errors_begin(true);
    runner_progress_begin(&progress, runner_seconds());
    post_events(1);
    return;
  }
  frames_drawn++;
  page_errors += runner_gl_errors_take();
  for (const runner_event& e : script.events) {
    if (e.frame == frames_drawn && e.action == RUNNER_SHOT) take_shot(e);
  }
  runner_progress_update(&progress, runner_seconds(), "pages shot:", shots_taken,
                         (int64_t)options.pages.size());
  if (frames_drawn >= script.last_frame) {
    headless_post_message(WM_QUIT, 0, 0);
  } else {
    post_events(frames_drawn + 1);
  }
}

static bool make_dir(const std::string& dir) {
  if (mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST) return true;
  fprintf(stderr, "gallery_runner: cannot create %s: %s\n", dir.c_str(), strerror(errno));
  return false;
}

int main(int argc, char** argv) {
  fpu_use_extended_precision();
  int parsed = parse_options(argc, argv, &options);
  if (parsed == 1) return 0;
  if (parsed == 2) return 2;
  std::string text = make_script(options.pages);
  char error[256];
  if (!runner_parse_script(text.c_str(), &script, error, sizeof error)) {
    fprintf(stderr, "gallery_runner: generated script refused: %s\n", error);
    return 2;
  }
  if (!make_dir(options.out_dir)) return 2;

  headless_set_display_size(options.width, options.height);
  clock_now = runner_clock;
  gallery_hook = runner_hook;
  gallery_quiet = true;
  int status = gallery_main();
  gallery_hook = nullptr;
  runner_progress_end(&progress);
  runner_gl_errors_end();
  if (status != 0) return 1;
  printf("GL errors: %lld (%s)\n", (long long)total_errors, error_check);
  if (shots_taken != (int32_t)options.pages.size()) {
    printf("gallery_runner: %d of %zu pages were shot\n", (int)shots_taken, options.pages.size());
    return 1;
  }
  if (failures) {
    printf("gallery_runner: %d of %zu pages failed\n", (int)failures, options.pages.size());
    return 1;
  }
  if (options.strict && total_errors > 0) {
    printf("gallery_runner: --strict: %lld GL errors\n", (long long)total_errors);
    return 1;
  }
  size_t n = options.pages.size();
  if (options.validate_dir.empty()) {
    printf("gallery_runner: %zu %s saved\n", n, n == 1 ? "page" : "pages");
  } else {
    printf("gallery_runner: %zu %s\n", n,
           n == 1 ? "page matches its reference" : "pages match their references");
  }
  return 0;
}
