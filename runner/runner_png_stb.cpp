// PNG files through stb's single-file image writer and reader, compiled into
// every build (native and Windows alike), so no program needs a PNG library
// at run time. Depends on stb_image_write.h and stb_image.h (Debian package
// libstb-dev) and util/file_replace (files replaced whole or not at all).
#include <stdio.h>

#include <vector>

#include "runner/runner_image.h"
#include "util/file_replace.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

int runner_write_png(const char* path, const runner_image& image, std::string* why) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != (size_t)image.width * (size_t)image.height * 3) {
    if (why) *why = "no picture to write (empty or inconsistent size)";
    return 0;
  }
  // Encoded in memory, then replaced whole or not at all.
  std::vector<unsigned char> png;
  auto append = [](void* context, void* data, int size) {
    std::vector<unsigned char>* bytes = (std::vector<unsigned char>*)context;
    bytes->insert(bytes->end(), (unsigned char*)data, (unsigned char*)data + size);
  };
  if (!stbi_write_png_to_func(append, &png, image.width, image.height, 3, image.rgb.data(),
                              image.width * 3)) {
    if (why) *why = "the PNG encoder failed";
    return 0;
  }
  return file_replace_write(path, png.data(), png.size(), why) ? 1 : 0;
}

int runner_read_png(const char* path, runner_image* image, char* error, size_t error_size) {
  int w = 0, h = 0, channels = 0;
  if (!stbi_info(path, &w, &h, &channels)) {
    snprintf(error, error_size, "%s: cannot read it as a PNG file", path);
    return 0;
  }
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) {
    snprintf(error, error_size, "%s: %dx%d is larger than 16384 x 16384", path, w, h);
    return 0;
  }
  unsigned char* pixels = stbi_load(path, &w, &h, &channels, 3);
  if (!pixels) {
    snprintf(error, error_size, "%s: damaged PNG file (%s)", path, stbi_failure_reason());
    return 0;
  }
  image->width = w;
  image->height = h;
  image->rgb.assign(pixels, pixels + (size_t)w * (size_t)h * 3);
  stbi_image_free(pixels);
  return 1;
}
