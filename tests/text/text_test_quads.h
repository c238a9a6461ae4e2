// The glyph quads of recorded text drawing: each four glVertex2i calls of the
// recording GL layer read back as one rectangle (corner, width, height).
#pragma once

#include <ostream>
#include <vector>

#include "support/gl_recorder.h"

namespace text_test {

struct quad {
  int x, y, w, h;
  bool operator==(const quad& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
inline void PrintTo(const quad& q, std::ostream* out) {
  *out << "(" << q.x << "," << q.y << " " << q.w << "x" << q.h << ")";
}

inline std::vector<quad> recorded_quads() {
  std::vector<gl_call> v = gl_recorder_calls_named({"glVertex2i"});
  std::vector<quad> out;
  for (size_t i = 0; i + 3 < v.size(); i += 4) {
    out.push_back({(int)v[i].args[0], (int)v[i].args[1], (int)(v[i + 1].args[0] - v[i].args[0]),
                   (int)(v[i + 2].args[1] - v[i].args[1])});
  }
  return out;
}

}  // namespace text_test
