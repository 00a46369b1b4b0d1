// The info bar at the top, the help line and the search line at the bottom.
#pragma once

#include "core/widget.h"

// Info bar: the user counts and load averages on row 0, a status text that
// other widgets send on row 1.
void info_reg(widget *w);
void info_periodic(widget *w);
void info_redraw(widget *w);
void *info_msgh(widget *w, int type, widget *sender, void *datum);

// Help line: the key hints of the list in front, on the terminal's last row.
void hlp_reg(widget *w);
void *hlp_msgh(widget *w, int type, widget *sender, void *datum);
void hlp_redraw(widget *w);
void hlp_refresh(widget *w);

// Search line: "/" opens it; what is typed is a case-insensitive extended
// regular expression that the list on screen is asked to find.
void input_reg(widget *w);
int input_keyh(widget *w, int key);
void input_refresh(widget *w);
