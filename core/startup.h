// Start-up's composition of the screen: the six widgets made and each
// view set up on its own. Above every view, and in no library below them.
#pragma once

#include <array>

#include "core/layout.h"

// Makes the six regions of a terminal of rows x cols, oldest first, each
// view filling its widget's slots right after the widget is made; the
// widgets in that order.
std::array<widget *, WIDGET_COUNT> create_widgets(int rows, int cols);
