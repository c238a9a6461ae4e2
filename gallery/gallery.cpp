// The gallery program: the page table, page turning by key, start-up and the
// main loop on the shell. Depends on the shell (window, input, clock, view),
// gallery/gallery_ui and the page modules.
#include "gallery/gallery.h"

#include <stdio.h>

#include "gallery/gallery_ui.h"
#include "gallery/page_flat.h"
#include "gallery/page_fonts.h"
#include "gallery/page_scene.h"
#include "gallery/page_text.h"
#include "shell/clock.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "util/helpers.h"

const char* const GALLERY_CAPTION = "Toolkit gallery";

const char* const gallery_page_names[GALLERY_PAGE_COUNT] = {
    "sky", "text", "layout", "markup", "mapped", "shapes", "blur", "fonts",
};

const char* const gallery_page_titles[GALLERY_PAGE_COUNT] = {
    "Sky box from a procedural cube map; lit spheres, octants, cylinders",
    "Text: every blend mode; colour, glyph, tab and script escapes",
    "Text: wrapping at a right edge, boxed text, fixed pitch",
    "Markup passes: Greek names, nested scripts, colour and tab codes",
    "Text mapped onto curved surfaces in 3D (draw_text_mapped)",
    "2D shapes, the palette and the mouse marker",
    "screen_blur at radius 0, 2, 6 and 16",
    "Fonts made at run time: loaded, blank, copied, derived",
};

int32_t gallery_page = GALLERY_PAGE_SKY;
double gallery_start_time = 0.0;
double gallery_time = 0.0;
void (*gallery_hook)(gallery_stage stage) = nullptr;

// ---------------------------------------------------------------------------
// Keys

static int pressed(const uint8_t keys[256], const uint8_t prev[256], int vk) {
  return (keys[vk] & 0x80) && !(prev[vk] & 0x80);
}

int32_t gallery_page_after_keys(int32_t page, const uint8_t keys[256], const uint8_t prev[256]) {
  const int32_t n = GALLERY_PAGE_COUNT;
  if (page < 0 || page >= n) page = 0;
  if (pressed(keys, prev, VK_SPACE) || pressed(keys, prev, VK_RIGHT) || pressed(keys, prev, VK_DOWN) ||
      pressed(keys, prev, VK_NEXT))
    page = (page + 1) % n;
  if (pressed(keys, prev, VK_LEFT) || pressed(keys, prev, VK_UP) || pressed(keys, prev, VK_PRIOR) ||
      pressed(keys, prev, VK_BACK))
    page = (page + n - 1) % n;
  if (pressed(keys, prev, VK_HOME)) page = 0;
  if (pressed(keys, prev, VK_END)) page = n - 1;
  for (int32_t i = 0; i < n && i < 9; i++) {
    if (pressed(keys, prev, '1' + i)) page = i;
  }
  return page;
}

int gallery_quit_requested(const uint8_t keys[256]) { return (keys[VK_ESCAPE] & 0x80) || (keys['Q'] & 0x80); }

int32_t gallery_page_by_name(const char* name) {
  if (!name) return -1;
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) {
    const char* a = gallery_page_names[i];
    const char* b = name;
    while (*a && ascii_lower(*a) == ascii_lower(*b)) {
      a++;
      b++;
    }
    if (*a == 0 && *b == 0) return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Start-up and frames

int gallery_start(void) {
  if (!gallery_load_fonts()) {
    fprintf(stderr, "gallery: the fonts could not be made\n");
    return 0;
  }
  if (!scene_pages_init()) {
    fprintf(stderr, "gallery: the sky cube map could not be made\n");
    return 0;
  }
  return 1;
}

void gallery_draw_page(int32_t page, double t) {
  switch (page) {
    case GALLERY_PAGE_SKY:
      draw_sky_page(t);
      break;
    case GALLERY_PAGE_TEXT:
      draw_text_page(t);
      break;
    case GALLERY_PAGE_LAYOUT:
      draw_layout_page(t);
      break;
    case GALLERY_PAGE_MARKUP:
      draw_markup_page(t);
      break;
    case GALLERY_PAGE_MAPPED:
      draw_mapped_page(t);
      break;
    case GALLERY_PAGE_SHAPES:
      draw_shapes_page(t);
      break;
    case GALLERY_PAGE_BLUR:
      draw_blur_page(t);
      break;
    case GALLERY_PAGE_FONTS:
      draw_fonts_page(t);
      break;
    default:
      return;
  }
  gallery_draw_frame(page, GALLERY_PAGE_COUNT, gallery_page_titles[page]);
}

bool gallery_quiet = false;

static void gallery_announce(int32_t page) {
  if (gallery_quiet) return;
  printf("page %d/%d %s: %s\n", page + 1, (int)GALLERY_PAGE_COUNT, gallery_page_names[page],
         gallery_page_titles[page]);
  fflush(stdout);
}

int gallery_main(void) {
  if (!open_gl_window(0, 0, GALLERY_CAPTION)) fatal_no_display();
  if (!gallery_start()) return 1;
  gallery_start_time = clock_now();
  gallery_announce(gallery_page);
  if (gallery_hook) gallery_hook(GALLERY_STARTED);
  for (;;) {
    if (pump_messages()) break;
    if (gallery_quit_requested(key_state)) break;
    int32_t page = gallery_page_after_keys(gallery_page, key_state, prev_key_state);
    if (page != gallery_page) {
      gallery_page = page;
      gallery_announce(page);
    }
    gallery_time = clock_now() - gallery_start_time;
    gallery_draw_page(gallery_page, gallery_time);
    if (gallery_hook) gallery_hook(GALLERY_FRAME_DRAWN);
    end_frame();
  }
  if (!gallery_quiet) {
    printf("quit\n");
    fflush(stdout);
  }
  return 0;
}
