// Every gallery page at every common screen size, drawn on real Mesa with
// the pages reporting what they draw: each element must lie on the surface
// (nothing cut off at the edges) and no two texts may overlap (nothing
// unreadable), with the mouse in the middle and in the bottom-right corner
// (its label must turn to stay on the screen).
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
