// The user list: one line per session, the bar on the selected one.
#pragma once

#include "core/widget.h"

void ulist_reg(widget *w);
void uredraw(widget *w);
void ulist_periodic(widget *w);
int ulist_keyh(widget *w, int key);
void *ulist_msgh(widget *w, int type, widget *sender, void *datum);

extern const char ulist_help[];
