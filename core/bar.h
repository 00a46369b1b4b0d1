// The cursor bar, shared by the drawing and the scrolling code.
#pragma once

#include "core/widget.h"

// Visible rows of a widget minus one; 0 for a widget squeezed out of sight.
int scr_view_h(const widget *w);
// Paints the bar on `row`, saving the row's cells first.
void scr_crsr_draw(widget *w, int row);
// Writes the saved cells back over the barred row.
void scr_crsr_restore(widget *w);
// Restore, paint on `row`, and make it the bar's row.
void scr_crsr_move(widget *w, int row);
// Scrolls the view just enough that the bar's row is in it.
void scr_crsr_in_view(widget *w);
