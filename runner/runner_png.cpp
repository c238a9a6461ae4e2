// PNG files of the headless runner through libpng (see runner_image.h).
#include <png.h>
#include <stdio.h>
#include <string.h>

#include "runner/runner_image.h"

int runner_write_png(const char* path, const runner_image& image) {
  if (image.width <= 0 || image.height <= 0 || image.rgb.size() != (size_t)image.width * image.height * 3)
    return 0;
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = (png_uint_32)image.width;
  png.height = (png_uint_32)image.height;
  png.format = PNG_FORMAT_RGB;
  int ok = png_image_write_to_file(&png, path, 0, image.rgb.data(), image.width * 3, nullptr);
  png_image_free(&png);
  return ok ? 1 : 0;
}

int runner_read_png(const char* path, runner_image* image, char* error, size_t error_size) {
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path)) {
    snprintf(error, error_size, "%s: %s", path, png.message);
    return 0;
  }
  if (png.width == 0 || png.height == 0 || png.width > 16384 || png.height > 16384) {
    snprintf(error, error_size, "%s: size %ux%u refused", path, (unsigned)png.width, (unsigned)png.height);
    png_image_free(&png);
    return 0;
  }
  png.format = PNG_FORMAT_RGB;
  image->width = (int32_t)png.width;
  image->height = (int32_t)png.height;
  image->rgb.assign((size_t)png.width * png.height * 3, 0);
  if (!png_image_finish_read(&png, nullptr, image->rgb.data(), (png_int_32)(png.width * 3), nullptr)) {
    snprintf(error, error_size, "%s: %s", path, png.message);
    png_image_free(&png);
    image->rgb.clear();
    image->width = image->height = 0;
    return 0;
  }
  return 1;
}
