// The cursor bar and the view's rows, shared by the drawing and the
// scrolling code. Rows here are logical rows (see widget.h).
#pragma once

#include "core/widget.h"

// Visible rows of a widget minus one; 0 for a widget squeezed out of sight.
int scr_view_h(const widget *w);
// The pad row that shows logical row `row`, or -1 when it is out of view.
int scr_pad_row(const widget *w, long row);
// Moves the view; when it moved, the widget is marked for a repaint.
void scr_set_first_row(widget *w, long row);
// Paints the bar on `row`, saving the row's cells first; nothing when the
// row is out of view.
void scr_crsr_draw(widget *w, int row);
// Writes the saved cells back over the row they came from.
void scr_crsr_restore(widget *w);
// Restore, paint on `row`, and make it the bar's row.
void scr_crsr_move(widget *w, int row);
// The pad was erased: there is no painted bar to take back.
void scr_crsr_forget(const widget *w);
// Scrolls the view just enough that the bar's row is in it.
void scr_crsr_in_view(widget *w);
