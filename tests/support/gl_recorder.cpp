// Recording GL layer (see gl_recorder.h): GL and GLU entry points that log
// each call and simulate the little state code under test reads back.
#include "support/gl_recorder.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>

// ---------------------------------------------------------------------------
// Log and simulated state

namespace {

struct recorder_state {
  std::vector<gl_call> calls;
  std::map<GLenum, bool> enabled;
  std::map<GLenum, std::vector<double>> values;
  GLuint next_texture = 1;
  GLuint next_list = 1;
};

recorder_state& rec() {
  static recorder_state state;
  return state;
}

void set_defaults(recorder_state& s) {
  s.enabled.clear();
  s.enabled[GL_DITHER] = true;
  s.values.clear();
  s.values[GL_MATRIX_MODE] = {GL_MODELVIEW};
  s.values[GL_BLEND_SRC] = {GL_ONE};
  s.values[GL_BLEND_DST] = {GL_ZERO};
  s.values[GL_CURRENT_COLOR] = {1, 1, 1, 1};
  s.values[GL_CURRENT_NORMAL] = {0, 0, 1};
  s.values[GL_CURRENT_TEXTURE_COORDS] = {0, 0, 0, 1};
  s.values[GL_VIEWPORT] = {0, 0, 0, 0};
  s.values[GL_COLOR_CLEAR_VALUE] = {0, 0, 0, 0};
  s.values[GL_POLYGON_MODE] = {GL_FILL, GL_FILL};
  s.values[GL_UNPACK_ALIGNMENT] = {4};
  s.values[GL_PACK_ALIGNMENT] = {4};
  s.values[GL_LINE_WIDTH] = {1};
  s.values[GL_POINT_SIZE] = {1};
  s.values[GL_SHADE_MODEL] = {GL_SMOOTH};
  s.values[GL_DEPTH_FUNC] = {GL_LESS};
  s.values[GL_TEXTURE_ENV_MODE] = {GL_MODULATE};
  s.values[GL_TEXTURE_BINDING_2D] = {0};
  s.values[GL_TEXTURE_BINDING_CUBE_MAP] = {0};
  s.values[GL_MAX_TEXTURE_SIZE] = {8192};
  s.next_texture = 1;
  s.next_list = 1;
}

struct recorder_init {
  recorder_init() { set_defaults(rec()); }
} recorder_init_instance;

gl_call& recorder_log_list(const char* name, std::vector<double> args) {
  rec().calls.push_back(gl_call{name, std::move(args), {}});
  return rec().calls.back();
}

template <class... T>
gl_call& recorder_log(const char* name, T... args) {
  return recorder_log_list(name, std::vector<double>{(double)args...});
}

void set_value(GLenum pname, std::vector<double> v) { rec().values[pname] = std::move(v); }

const std::vector<double>& get_value(GLenum pname) {
  static const std::vector<double> zero{0};
  auto it = rec().values.find(pname);
  return it == rec().values.end() ? zero : it->second;
}

void set_colour(double r, double g, double b, double a) { set_value(GL_CURRENT_COLOR, {r, g, b, a}); }

// Bytes per pixel of a client-memory image; 0 for formats the layer does not
// know (nothing is then read).
size_t pixel_bytes(GLenum format, GLenum type) {
  size_t components = 0;
  switch (format) {
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
    case GL_ALPHA:
    case GL_LUMINANCE:
      components = 1;
      break;
    case GL_LUMINANCE_ALPHA:
      components = 2;
      break;
    case GL_RGB:
    case GL_BGR:
      components = 3;
      break;
    case GL_RGBA:
    case GL_BGRA:
      components = 4;
      break;
    default:
      return 0;
  }
  switch (type) {
    case GL_UNSIGNED_BYTE:
    case GL_BYTE:
      return components;
    case GL_UNSIGNED_SHORT:
    case GL_SHORT:
      return components * 2;
    case GL_UNSIGNED_INT:
    case GL_INT:
    case GL_FLOAT:
      return components * 4;
    default:
      return 0;
  }
}

// Copies the rows the GL would read from an upload, tightly packed.
void capture_pixels(gl_call& call, GLsizei width, GLsizei height, GLenum format, GLenum type,
                    const void* pixels) {
  size_t bpp = pixel_bytes(format, type);
  if (!pixels || bpp == 0 || width <= 0 || height <= 0) return;
  size_t row = bpp * (size_t)width;
  size_t align = (size_t)get_value(GL_UNPACK_ALIGNMENT)[0];
  if (align == 0) align = 1;
  size_t stride = (row + align - 1) / align * align;
  call.data.resize(row * (size_t)height);
  for (GLsizei r = 0; r < height; r++) {
    memcpy(call.data.data() + row * (size_t)r, (const unsigned char*)pixels + stride * (size_t)r, row);
  }
}

template <class T>
void write_values(GLenum pname, T* out) {
  const std::vector<double>& v = get_value(pname);
  for (size_t i = 0; i < v.size(); i++) out[i] = (T)v[i];
}

}  // namespace

// ---------------------------------------------------------------------------
// Test interface

gl_call gl_call_of(const char* name, std::initializer_list<double> args) { return gl_call{name, args, {}}; }

bool operator==(const gl_call& a, const gl_call& b) {
  if (a.name != b.name || a.args.size() != b.args.size()) return false;
  for (size_t i = 0; i < a.args.size(); i++) {
    if (a.args[i] != b.args[i] && !(isnan(a.args[i]) && isnan(b.args[i]))) return false;
  }
  return true;
}

bool operator!=(const gl_call& a, const gl_call& b) { return !(a == b); }

std::string gl_call_text(const gl_call& call) {
  std::string text = call.name + "(";
  for (size_t i = 0; i < call.args.size(); i++) {
    char buf[40];
    // Shortest decimal form that reads back as the same double.
    for (int precision = 1; precision <= 17; precision++) {
      snprintf(buf, sizeof buf, "%.*g", precision, call.args[i]);
      if (strtod(buf, nullptr) == call.args[i]) break;
    }
    if (i) text += ",";
    text += buf;
  }
  text += ")";
  if (!call.data.empty()) text += " [" + std::to_string(call.data.size()) + " bytes]";
  return text;
}

void PrintTo(const gl_call& call, std::ostream* out) { *out << gl_call_text(call); }

void gl_recorder_reset(void) {
  rec().calls.clear();
  set_defaults(rec());
}

void gl_recorder_clear_calls(void) { rec().calls.clear(); }

const std::vector<gl_call>& gl_recorder_calls(void) { return rec().calls; }

std::vector<gl_call> gl_recorder_calls_named(std::initializer_list<const char*> names) {
  std::vector<gl_call> out;
  for (const gl_call& c : rec().calls) {
    for (const char* n : names) {
      if (c.name == n) {
        out.push_back(c);
        break;
      }
    }
  }
  return out;
}

int gl_recorder_count(const char* name) {
  int n = 0;
  for (const gl_call& c : rec().calls) n += c.name == name;
  return n;
}

void gl_recorder_set_enabled(GLenum cap, bool enabled) { rec().enabled[cap] = enabled; }

bool gl_recorder_enabled(GLenum cap) {
  auto it = rec().enabled.find(cap);
  return it != rec().enabled.end() && it->second;
}

void gl_recorder_set_value(GLenum pname, std::initializer_list<double> values) { set_value(pname, values); }

std::vector<double> gl_recorder_value(GLenum pname) { return get_value(pname); }

void gl_recorder_set_next_texture(GLuint name) { rec().next_texture = name; }

void gl_recorder_set_next_list(GLuint name) { rec().next_list = name; }

// ---------------------------------------------------------------------------
// Primitives and per-vertex commands

extern "C" {

void glBegin(GLenum mode) { recorder_log(__func__, mode); }
void glEnd(void) { recorder_log(__func__); }

void glVertex2d(GLdouble x, GLdouble y) { recorder_log(__func__, x, y); }
void glVertex2f(GLfloat x, GLfloat y) { recorder_log(__func__, x, y); }
void glVertex2i(GLint x, GLint y) { recorder_log(__func__, x, y); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { recorder_log(__func__, x, y, z); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { recorder_log(__func__, x, y, z); }

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  recorder_log(__func__, x, y, z);
  set_value(GL_CURRENT_NORMAL, {x, y, z});
}
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) {
  recorder_log(__func__, x, y, z);
  set_value(GL_CURRENT_NORMAL, {x, y, z});
}

void glTexCoord2f(GLfloat s, GLfloat t) {
  recorder_log(__func__, s, t);
  set_value(GL_CURRENT_TEXTURE_COORDS, {s, t, 0, 1});
}
void glTexCoord2d(GLdouble s, GLdouble t) {
  recorder_log(__func__, s, t);
  set_value(GL_CURRENT_TEXTURE_COORDS, {s, t, 0, 1});
}
void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  recorder_log(__func__, s, t, r);
  set_value(GL_CURRENT_TEXTURE_COORDS, {s, t, r, 1});
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
  recorder_log(__func__, r, g, b);
  set_colour(r / 255.0, g / 255.0, b / 255.0, 1);
}
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
  recorder_log(__func__, r, g, b, a);
  set_colour(r / 255.0, g / 255.0, b / 255.0, a / 255.0);
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  recorder_log(__func__, r, g, b);
  set_colour(r, g, b, 1);
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  recorder_log(__func__, r, g, b, a);
  set_colour(r, g, b, a);
}
void glColor3d(GLdouble r, GLdouble g, GLdouble b) {
  recorder_log(__func__, r, g, b);
  set_colour(r, g, b, 1);
}
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a) {
  recorder_log(__func__, r, g, b, a);
  set_colour(r, g, b, a);
}

// ---------------------------------------------------------------------------
// Enables, settings and queries

void glEnable(GLenum cap) {
  recorder_log(__func__, cap);
  rec().enabled[cap] = true;
}
void glDisable(GLenum cap) {
  recorder_log(__func__, cap);
  rec().enabled[cap] = false;
}
GLboolean glIsEnabled(GLenum cap) {
  recorder_log(__func__, cap);
  return gl_recorder_enabled(cap) ? GL_TRUE : GL_FALSE;
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  recorder_log(__func__, sfactor, dfactor);
  set_value(GL_BLEND_SRC, {(double)sfactor});
  set_value(GL_BLEND_DST, {(double)dfactor});
}
void glHint(GLenum target, GLenum mode) {
  recorder_log(__func__, target, mode);
  set_value(target, {(double)mode});
}
void glShadeModel(GLenum mode) {
  recorder_log(__func__, mode);
  set_value(GL_SHADE_MODEL, {(double)mode});
}
void glDepthFunc(GLenum func) {
  recorder_log(__func__, func);
  set_value(GL_DEPTH_FUNC, {(double)func});
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  recorder_log(__func__, r, g, b, a);
  set_value(GL_COLOR_CLEAR_VALUE, {r, g, b, a});
}
void glClearDepth(GLclampd depth) { recorder_log(__func__, depth); }
void glClear(GLbitfield mask) { recorder_log(__func__, mask); }
void glPolygonMode(GLenum face, GLenum mode) {
  recorder_log(__func__, face, mode);
  set_value(GL_POLYGON_MODE, {(double)mode, (double)mode});
}
void glLineWidth(GLfloat width) {
  recorder_log(__func__, width);
  set_value(GL_LINE_WIDTH, {width});
}
void glPointSize(GLfloat size) {
  recorder_log(__func__, size);
  set_value(GL_POINT_SIZE, {size});
}
void glPixelStorei(GLenum pname, GLint param) {
  recorder_log(__func__, pname, param);
  set_value(pname, {(double)param});
}
void glTexEnvi(GLenum target, GLenum pname, GLint param) {
  recorder_log(__func__, target, pname, param);
  if (pname == GL_TEXTURE_ENV_MODE) set_value(GL_TEXTURE_ENV_MODE, {(double)param});
}
void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
  recorder_log(__func__, target, pname, param);
  if (pname == GL_TEXTURE_ENV_MODE) set_value(GL_TEXTURE_ENV_MODE, {param});
}
void glGetTexEnviv(GLenum target, GLenum pname, GLint* params) {
  recorder_log(__func__, target, pname);
  write_values(pname, params);
}

GLenum glGetError(void) {
  recorder_log(__func__);
  return GL_NO_ERROR;
}
void glGetIntegerv(GLenum pname, GLint* params) {
  recorder_log(__func__, pname);
  write_values(pname, params);
}
void glGetFloatv(GLenum pname, GLfloat* params) {
  recorder_log(__func__, pname);
  write_values(pname, params);
}
void glGetDoublev(GLenum pname, GLdouble* params) {
  recorder_log(__func__, pname);
  write_values(pname, params);
}
void glGetBooleanv(GLenum pname, GLboolean* params) {
  recorder_log(__func__, pname);
  const std::vector<double>& v = get_value(pname);
  for (size_t i = 0; i < v.size(); i++) params[i] = v[i] != 0 ? GL_TRUE : GL_FALSE;
}
void glFinish(void) { recorder_log(__func__); }
void glFlush(void) { recorder_log(__func__); }

// ---------------------------------------------------------------------------
// Matrices and viewport

void glMatrixMode(GLenum mode) {
  recorder_log(__func__, mode);
  set_value(GL_MATRIX_MODE, {(double)mode});
}
void glLoadIdentity(void) { recorder_log(__func__); }
void glPushMatrix(void) { recorder_log(__func__); }
void glPopMatrix(void) { recorder_log(__func__); }
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_val,
             GLdouble far_val) {
  recorder_log(__func__, left, right, bottom, top, near_val, far_val);
}
void glLoadMatrixf(const GLfloat* m) { recorder_log_list(__func__, std::vector<double>(m, m + 16)); }
void glMultMatrixf(const GLfloat* m) { recorder_log_list(__func__, std::vector<double>(m, m + 16)); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { recorder_log(__func__, x, y, z); }
void glTranslated(GLdouble x, GLdouble y, GLdouble z) { recorder_log(__func__, x, y, z); }
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) { recorder_log(__func__, angle, x, y, z); }
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) { recorder_log(__func__, angle, x, y, z); }
void glScalef(GLfloat x, GLfloat y, GLfloat z) { recorder_log(__func__, x, y, z); }
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  recorder_log(__func__, x, y, width, height);
  set_value(GL_VIEWPORT, {(double)x, (double)y, (double)width, (double)height});
}

// ---------------------------------------------------------------------------
// Textures

// Texture level size as glGetTexLevelParameteriv reports it: kept for the
// last level-0 upload (one size for all textures; tests may set it).
static void set_level0_size(GLsizei width, GLsizei height) {
  set_value(GL_TEXTURE_WIDTH, {(double)width});
  set_value(GL_TEXTURE_HEIGHT, {(double)height});
}

void glGenTextures(GLsizei n, GLuint* textures) {
  std::vector<double> args{(double)n};
  for (GLsizei i = 0; i < n; i++) {
    GLuint name = rec().next_texture;
    if (name != 0) rec().next_texture++;
    textures[i] = name;
    args.push_back(name);
  }
  recorder_log_list(__func__, std::move(args));
}
void glDeleteTextures(GLsizei n, const GLuint* textures) {
  std::vector<double> args{(double)n};
  for (GLsizei i = 0; i < n; i++) args.push_back(textures[i]);
  recorder_log_list(__func__, std::move(args));
}
void glBindTexture(GLenum target, GLuint texture) {
  recorder_log(__func__, target, texture);
  if (target == GL_TEXTURE_2D) set_value(GL_TEXTURE_BINDING_2D, {(double)texture});
  if (target == GL_TEXTURE_CUBE_MAP) set_value(GL_TEXTURE_BINDING_CUBE_MAP, {(double)texture});
}
void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  recorder_log(__func__, target, pname, param);
}
void glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
  recorder_log(__func__, target, pname, param);
}
void glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
  gl_call& call = recorder_log(__func__, target, level, internal_format, width, height, border, format, type);
  capture_pixels(call, width, height, format, type, pixels);
  if (level == 0) set_level0_size(width, height);
}
void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const GLvoid* pixels) {
  gl_call& call = recorder_log(__func__, target, level, xoffset, yoffset, width, height, format, type);
  capture_pixels(call, width, height, format, type, pixels);
}
void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
  recorder_log(__func__, target, level, pname);
  write_values(pname, params);
}
void glCopyTexImage2D(GLenum target, GLint level, GLenum internal_format, GLint x, GLint y, GLsizei width,
                      GLsizei height, GLint border) {
  recorder_log(__func__, target, level, internal_format, x, y, width, height, border);
  if (level == 0) set_level0_size(width, height);
}
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLint x, GLint y,
                         GLsizei width, GLsizei height) {
  recorder_log(__func__, target, level, xoffset, yoffset, x, y, width, height);
}
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels) {
  recorder_log(__func__, x, y, width, height, format, type);
  size_t bpp = pixel_bytes(format, type);
  if (pixels && bpp && width > 0 && height > 0) {
    size_t row = bpp * (size_t)width;
    size_t align = (size_t)get_value(GL_PACK_ALIGNMENT)[0];
    if (align == 0) align = 1;
    size_t stride = (row + align - 1) / align * align;
    memset(pixels, 0, stride * (size_t)(height - 1) + row);
  }
}

GLint gluBuild2DMipmaps(GLenum target, GLint internal_format, GLsizei width, GLsizei height, GLenum format,
                        GLenum type, const void* data) {
  gl_call& call = recorder_log(__func__, target, internal_format, width, height, format, type);
  capture_pixels(call, width, height, format, type, data);
  set_level0_size(width, height);
  return 0;
}

// ---------------------------------------------------------------------------
// Display lists

GLuint glGenLists(GLsizei range) {
  GLuint first = range > 0 ? rec().next_list : 0;
  if (range > 0) rec().next_list += (GLuint)range;
  recorder_log(__func__, range, first);
  return first;
}
void glNewList(GLuint list, GLenum mode) { recorder_log(__func__, list, mode); }
void glEndList(void) { recorder_log(__func__); }
void glCallList(GLuint list) { recorder_log(__func__, list); }
void glDeleteLists(GLuint list, GLsizei range) { recorder_log(__func__, list, range); }

}  // extern "C"
