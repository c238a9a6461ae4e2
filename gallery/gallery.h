// The toolkit gallery: a program that steps through pages, each showing
// toolkit facilities the box-field test has no use for (sky box and curved
// solids, text drawing and markup, mapped text, 2D shapes and the blur, fonts
// made at run time). One window on the shell, as the box-field program; a
// key turns the page. gallery_main is the whole program after the process
// entry; a driver such as the headless runner hooks into its loop. Depends on
// the shell (window, input, clock, view) and the page modules.
#pragma once

#include <stdint.h>

// The pages, in the order the keys step through them.
enum gallery_page_id {
  GALLERY_PAGE_SKY,
  GALLERY_PAGE_TEXT,
  GALLERY_PAGE_LAYOUT,
  GALLERY_PAGE_MARKUP,
  GALLERY_PAGE_MAPPED,
  GALLERY_PAGE_SHAPES,
  GALLERY_PAGE_BLUR,
  GALLERY_PAGE_FONTS,
  GALLERY_PAGE_COUNT
};

// Short page names (screenshot file names) and the title line of each page.
extern const char* const gallery_page_names[GALLERY_PAGE_COUNT];
extern const char* const gallery_page_titles[GALLERY_PAGE_COUNT];

// The window caption.
extern const char* const GALLERY_CAPTION;

// The page shown.
extern int32_t gallery_page;
// Clock reading at start-up, and seconds since then at the current frame.
extern double gallery_start_time;
extern double gallery_time;

// The page after this frame's key presses (bit 7 set in keys and clear in
// prev): Space, Right, Down or Page Down go on, Left, Up, Page Up or
// Backspace go back (both wrap round), Home and End go to the first and last
// page, digits 1 to 8 to that page. Presses of several keys: the last in
// that order wins.
int32_t gallery_page_after_keys(int32_t page, const uint8_t keys[256], const uint8_t prev[256]);

// 1 when Escape or Q is down in keys.
int gallery_quit_requested(const uint8_t keys[256]);

// Index of the page with that short name (any letter case), or -1.
int32_t gallery_page_by_name(const char* name);

// Start-up after the window is open: fonts, cube map, smoothing. Returns 0
// (with a message on stderr) when something could not be made.
int gallery_start(void);

// Draws one page at time t seconds into the current frame (before end_frame).
void gallery_draw_page(int32_t page, double t);

// Points where gallery_main calls gallery_hook.
enum gallery_stage {
  GALLERY_STARTED,     // start-up done, before the first message pump
  GALLERY_FRAME_DRAWN  // a page drawn, just before end_frame presents it
};

// When set (null in the program), called at each gallery_stage.
extern void (*gallery_hook)(gallery_stage stage);

// True: gallery_main prints no page and quit lines (a driver such as the
// headless runner prints its own); false at start.
extern bool gallery_quiet;

// The program: opens the full-screen window, starts, and runs the loop until
// Escape, Q or WM_QUIT. Prints a line for each page shown. Returns 0, or 1
// when the window or the start-up failed.
int gallery_main(void);
