// Frame-rate overlay of the box-field test: the current rate as text with the
// font "normal" and, below it, a bar graph of the last 100 rates coloured by
// speed. Depends on text (draw_text), font (font selection, line height),
// shell (overlay mode), util (clamp) and GL.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Number of rates the graph shows, one pixel column each.
constexpr int32_t FPS_HISTORY_LENGTH = 100;

// Recent rates in frames per second, index 0 newest; zeroed at the first push.
extern double fps_history[FPS_HISTORY_LENGTH];

// Shifts the history by one (the oldest falls off) and stores rate as newest.
void fps_history_push(double rate);

// Writes "FPS: " and the rate in "%lg" form into text (at most size bytes,
// always terminated); infinities and NaN read "inf", "-inf", "nan" everywhere.
void fps_format_text(char* text, size_t size, double rate);

// Bar colour for a rate: green from 60, yellow from 30, orange from 20, red below.
void fps_bar_colour(double rate, float rgb[3]);

// Draws the text with its top-left corner at overlay pixel (x, y) and the
// graph on the line below it, after pushing rate into the history.
void draw_fps_overlay(int32_t x, int32_t y, double rate);
