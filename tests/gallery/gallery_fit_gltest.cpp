// Every gallery page at every common screen size, drawn on real Mesa with
// the pages reporting what they draw: each element must lie on the surface
// (nothing cut off at the edges) and no two texts may overlap (nothing
// unreadable), with the mouse in the middle and in the bottom-right corner
// (its label must turn to stay on the screen). The fonts are made again at
// each size, and the title line takes the same share of the screen's height
// at every 16:9 size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "gallery/gallery.h"
#include "gallery/gallery_ui.h"
#include "shell/window.h"
#include "support/headless_gl.h"

namespace {

// An element as reported, its text copied (pages pass their own buffers).
struct element {
  double x, y, w, h;
  int text;
  std::string what;
};

std::vector<element> drawn;

void collect(const gallery_element* e) {
  drawn.push_back({e->x, e->y, e->w, e->h, e->text, e->what ? e->what : "?"});
}

std::string describe(const element& e) {
  const std::string& what = e.what;
  // Texts may hold escapes: show the printable bytes only.
  std::string shown;
  for (char c : what.substr(0, 60)) shown += (c >= 32 && c < 127) ? c : '.';
  char box[96];
  snprintf(box, sizeof box, " at %.1f,%.1f size %.1fx%.1f", e.x, e.y, e.w, e.h);
  return "'" + shown + "'" + box;
}

bool overlap(const element& a, const element& b) {
  double w = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
  double h = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
  return w > 1.0 && h > 1.0;
}

TEST(GalleryFit, EveryPageFitsEveryScreenSize) {
  const int32_t sizes[][2] = {{800, 600},   {1024, 768},  {1280, 1024}, {1366, 768},
                              {1920, 1080}, {2560, 1080}, {3840, 2160}};
  ASSERT_TRUE(headless_gl_open(sizes[0][0], sizes[0][1]));
  ASSERT_TRUE(gallery_start());
  gallery_element_hook = collect;
  for (const auto& size : sizes) {
    const int32_t width = size[0], height = size[1];
    ASSERT_TRUE(headless_gl_open(width, height));
    ASSERT_EQ(screen_width, width);
    ASSERT_EQ(screen_height, height);
    ASSERT_TRUE(gallery_load_fonts());
    for (int32_t page = 0; page < GALLERY_PAGE_COUNT; page++) {
      for (int corner = 0; corner < 2; corner++) {
        mouse_x = corner ? width - 2 : width * 62 / 100;
        mouse_y = corner ? height - 2 : height * 42 / 100;
        drawn.clear();
        gallery_draw_page(page, 0.0);
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " page " +
                     gallery_page_names[page] + (corner ? ", mouse in the corner" : ""));
        ASSERT_GT(drawn.size(), 4u);
        for (const element& e : drawn) {
          EXPECT_TRUE(e.x >= -0.01 && e.y >= -0.01 && e.x + e.w <= width + 0.01 && e.y + e.h <= height + 0.01)
              << "off the surface: " << describe(e);
        }
        for (size_t i = 0; i < drawn.size(); i++) {
          if (!drawn[i].text) continue;
          for (size_t j = i + 1; j < drawn.size(); j++) {
            if (drawn[j].text && overlap(drawn[i], drawn[j]))
              ADD_FAILURE() << "texts overlap: " << describe(drawn[i]) << " and " << describe(drawn[j]);
          }
        }
      }
    }
  }
  gallery_element_hook = nullptr;
}

// The normal font, in which most of the text is written, at 800 x 600 and at
// the 16:9 sizes from 1280 x 720 to 3840 x 2160: its line height over the
// screen's height stays the same share within half a cell's rounding (cells
// are whole pixels), where fixed cells would shrink it threefold from
// 1280 x 720 to 3840 x 2160. At 3840 x 2160, exactly twice 1920 x 1080, the
// title line as drawn is exactly twice as high.
TEST(GalleryFit, TextTakesTheSameShareOfEveryScreen) {
  const int32_t sizes[][2] = {{800, 600}, {1280, 720}, {1920, 1080}, {2560, 1440}, {3840, 2160}};
  double title_h[5] = {};
  gallery_element_hook = collect;
  for (int i = 0; i < 5; i++) {
    const int32_t width = sizes[i][0], height = sizes[i][1];
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    ASSERT_TRUE(headless_gl_open(width, height));
    ASSERT_TRUE(gallery_load_fonts());
    const double share = (double)gallery_font_normal->line_height / height;
    const double share_800 = 42.0 / 600.0;  // 7 rows of 6-pixel cells on 600 lines
    const double cell = 6.0 * height / 600.0;
    EXPECT_NEAR(share, share_800, share_800 * 0.5 / cell)
        << "line height " << gallery_font_normal->line_height;
    drawn.clear();
    gallery_draw_frame(GALLERY_PAGE_SKY, GALLERY_PAGE_COUNT, gallery_page_titles[GALLERY_PAGE_SKY]);
    for (const element& e : drawn)
      if (e.text && e.what == gallery_page_titles[GALLERY_PAGE_SKY]) title_h[i] = e.h;
    EXPECT_GT(title_h[i], 0.0) << "no title drawn";
  }
  EXPECT_DOUBLE_EQ(title_h[4], 2.0 * title_h[2]);
  gallery_element_hook = nullptr;
}

}  // namespace
