// Full-screen post-processing on what is already in the draw buffer, with
// OpenGL 1.1 texture copies, screen quads and blending only: a glow
// (screen_bloom) and a blur (screen_blur). Every command apart from
// glGenTextures and glIsEnabled can be compiled into a display list; each
// replay copies the framebuffer afresh. Both leave GL_BLEND enabled with
// (GL_ONE, GL_ZERO), GL_TEXTURE_2D as found, their last texture bound and the
// current colour white. While the screen size is unset outside the toolkit's
// own window, both do nothing (see screen_size_known). Depends on
// shell/gl.h, shell/window.h (screen size) and shell/view.h (overlay mode).
#pragma once

#include <stdint.h>

// Texture names the effects make on their first call and keep for the life
// of the process (0 until then).
extern uint32_t bloom_work_texture;    // intermediate copies of the glow
extern uint32_t bloom_source_texture;  // the screen before the glow
extern uint32_t blur_work_texture;     // copies during screen_blur

// Glow: raises the screen to the 16th power, blurs that with the given
// radius in pixels (no blur below 1) and adds the untouched image back.
void screen_bloom(float radius);

// Blurs the screen in place: levels at radius, radius/2, ... while >= 1 pixel.
void screen_blur(float radius);
