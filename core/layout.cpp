#include "core/layout.h"

std::array<widget_region, WIDGET_COUNT> widget_layout(int rows, int cols)
{
    auto r = static_cast<std::uint32_t>(rows);
    auto c = static_cast<std::uint32_t>(cols);
    return {{
        {0, 0, 1, c - 1, 1, c - 1, "info", 3, W_FIXED, false, true},
        {r - 1, 0, r - 1, c - 1, r - 1, c - 1, "help", 1, W_FIXED, false, true},
        // The lists' and the window's pads are as tall as their views: they
        // hold only the rows in view, however long the list.
        {3, 0, r - 2, c - 1, 0, c - 1, "ulist", 3, 0, true, false},
        {3, 0, r - 2, c - 1, 0, c - 1, "ptree", 3, 0, true, false},
        {(r - 1) / 4, (c - 1) / 5, (r - 1) - (r - 1) / 4, (c - 1) - (c - 1) / 5, 0, 128, "exti", 8, 0, false, false},
        {r - 1, 0, r - 1, c - 1, 0, 0, "input", 9, W_FIXED, false, true},
    }};
}

widget *make_widget(const widget_region &s)
{
    widget *w = scr_create(s.top, s.left, s.bottom, s.right, s.pad_rows, s.pad_cols, s.label, s.clr);
    w->flags = s.flags;
    if (s.bar)
        w->crsr = 0;
    if (s.listed)
        mwin_msg_on(w);
    return w;
}
