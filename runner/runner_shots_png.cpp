// Shots saved or compared with their references (see runner_shots.h).
#include <stdio.h>

#include "runner/runner_shots.h"

static std::string in_folder(const std::string& dir, const std::string& file) {
  return dir.empty() ? file : dir + "/" + file;
}

runner_shot runner_shot_take(const char* name, int32_t frame, const runner_image& im,
                             const runner_shot_check& check, const std::string& out_dir) {
  runner_shot shot = {name, frame, "", 0, 1, ""};
  if (check.validate_dir.empty()) {
    shot.file = in_folder(out_dir, std::string(name) + ".png");
    std::string why;
    if (!runner_write_png(shot.file.c_str(), im, &why)) {
      shot.passed = 0;
      shot.message = "cannot write " + shot.file + ": " + why;
    }
    return shot;
  }
  shot.compared = 1;
  shot.file = check.validate_dir + "/" + name + ".png";
  runner_image reference;
  char error[512];
  if (!runner_read_png(shot.file.c_str(), &reference, error, sizeof error)) {
    shot.passed = 0;
    shot.message = error;
    return shot;
  }
  runner_compare_result r = runner_compare_images(im, reference, check.tolerance);
  char text[512];
  if (!r.same_size) {
    snprintf(text, sizeof text, "size %dx%d, reference %dx%d", im.width, im.height, reference.width,
             reference.height);
    shot.passed = 0;
    shot.message = text;
  } else if (r.differing > check.max_differing) {
    shot.passed = 0;
    snprintf(text, sizeof text,
             "%lld pixels differ by more than %d (largest difference %d) inside x %d..%d, y %d..%d",
             (long long)r.differing, check.tolerance, r.max_channel_diff, r.min_x, r.max_x, r.min_y, r.max_y);
    shot.message = text;
    // The differing pixels, one per line, as the summary prints them.
    for (const runner_pixel_diff& d : r.samples) {
      snprintf(text, sizeof text, "\n  (%d, %d) got %d,%d,%d expected %d,%d,%d", d.x, d.y, d.got[0], d.got[1],
               d.got[2], d.expected[0], d.expected[1], d.expected[2]);
      shot.message += text;
    }
    std::string got_path = in_folder(out_dir, std::string(name) + ".got.png");
    std::string diff_path = in_folder(out_dir, std::string(name) + ".diff.png");
    runner_write_png(got_path.c_str(), im);
    runner_write_png(diff_path.c_str(), runner_diff_image(im, reference, check.tolerance));
    shot.message += "\n  saved " + got_path + " and " + diff_path;
  } else {
    snprintf(text, sizeof text, "%lld pixels beyond the tolerance, largest difference %d",
             (long long)r.differing, r.max_channel_diff);
    shot.message = text;
  }
  return shot;
}
