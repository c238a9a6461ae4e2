// Recording GL layer for tests: defines the GL and GLU entry points the
// toolkit calls (extern "C", exactly the signatures of <GL/gl.h> and
// <GL/glu.h>) so that a test can compare the exact stream of calls with a
// table. Linked only into the record_tests executable, where these
// definitions take precedence over libGL's. Depends on shell/gl.h and the
// C++ standard library.
//
// What is recorded: every call to a defined entry point appends one gl_call
// with the function's name and its numeric arguments converted to double, in
// the order of the C signature (enums and integers exactly; floats widen to
// the same double a test gets from writing the float literal, e.g. 0.25f).
// Pointer arguments are recorded as follows:
//   - glGenTextures(n, out) / glGenLists(range): args are {n} / {range}
//     followed by the name(s) handed out, e.g. glGenTextures(1, 3).
//   - glDeleteTextures(n, names): {n, names...}.
//   - glLoadMatrixf / glMultMatrixf: the 16 values.
//   - glTexImage2D, glTexSubImage2D, gluBuild2DMipmaps: the numeric args, and
//     the pixel bytes the GL would read go into gl_call::data (rows padded to
//     the simulated GL_UNPACK_ALIGNMENT, exactly as the GL reads them, so an
//     undersized buffer shows up under AddressSanitizer).
//   - glGetIntegerv/Floatv/Doublev/Booleanv, glGetTexEnviv, glIsEnabled: the
//     query's enums only; glGetTexLevelParameteriv: target, level, pname;
//     glReadPixels: its numeric args (it writes zeros).
//
// Simulated state (what code under test may query): the enable flags
// (glEnable/glDisable/glIsEnabled), and a table of values per pname for the
// glGet* functions that the recording keeps current for the binds and
// settings it sees: texture bindings (2D and cube map), blend function,
// matrix mode, current colour, normal and texture coordinate, viewport,
// clear colour, polygon mode, pixel-store alignments, line width, point size,
// shade model, depth function, texture environment mode, and GL_TEXTURE_WIDTH
// and GL_TEXTURE_HEIGHT of the last level-0 upload (any texture, any level
// asked; glTexImage2D, glCopyTexImage2D, gluBuild2DMipmaps). A pname nobody set
// reads as a single 0. Texture and list names count up from 1 (settable).
//
// Extending it: add the entry point in gl_recorder.cpp with the exact C
// signature and a call to recorder_log(__func__, args...); if code under test
// reads state back, keep the value table current in the same function.
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "shell/gl.h"

// One recorded call.
struct gl_call {
  std::string name;                 // the entry point, e.g. "glVertex3d"
  std::vector<double> args;         // numeric arguments in order (see above)
  std::vector<unsigned char> data;  // pixel bytes of uploads, else empty
};

// An expected call for a test's table: gl_call_of("glVertex3d", {1, 2, 3}).
gl_call gl_call_of(const char* name, std::initializer_list<double> args);

// Same name and same arguments (NaN equals NaN); data is not compared.
bool operator==(const gl_call& a, const gl_call& b);
bool operator!=(const gl_call& a, const gl_call& b);

// "glVertex3d(1,2,3)", each argument in its shortest exact decimal form.
std::string gl_call_text(const gl_call& call);

// Lets GoogleTest print calls in failure messages.
void PrintTo(const gl_call& call, std::ostream* out);

// Forgets every recorded call and puts the simulated state back to the GL
// defaults (only GL_DITHER enabled, names counting from 1).
void gl_recorder_reset(void);

// Forgets the recorded calls but keeps the simulated state.
void gl_recorder_clear_calls(void);

// The calls recorded since the last reset or clear, oldest first.
const std::vector<gl_call>& gl_recorder_calls(void);

// The recorded calls whose name is one of names, in order.
std::vector<gl_call> gl_recorder_calls_named(std::initializer_list<const char*> names);

// Number of recorded calls with the given name.
int gl_recorder_count(const char* name);

// Sets the flag glIsEnabled reports for cap (glEnable/glDisable change it too).
void gl_recorder_set_enabled(GLenum cap, bool enabled);

// The flag glIsEnabled would report for cap, without recording a call.
bool gl_recorder_enabled(GLenum cap);

// Sets the value(s) the glGet* functions report for pname.
void gl_recorder_set_value(GLenum pname, std::initializer_list<double> values);

// The value(s) the glGet* functions would report for pname (one 0 if unset),
// without recording a call.
std::vector<double> gl_recorder_value(GLenum pname);

// The next name glGenTextures / glGenLists hands out (both start at 1);
// set 0 for glGenTextures to simulate a GL that hands out no names.
void gl_recorder_set_next_texture(GLuint name);
void gl_recorder_set_next_list(GLuint name);
