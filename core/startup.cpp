#include "core/startup.h"

#include "bars/bars.h"
#include "details/details.h"
#include "procs/ptree.h"
#include "users/ulist.h"

std::array<widget *, WIDGET_COUNT> create_widgets(int rows, int cols)
{
    constexpr std::array<void (*)(widget *), WIDGET_COUNT> views = {info_reg,  hlp_reg,  ulist_reg,
                                                                    ptree_reg, exti_reg, input_reg};
    std::array<widget_region, WIDGET_COUNT> layout = widget_layout(rows, cols);
    std::array<widget *, WIDGET_COUNT> made{};
    for (int i = 0; i < WIDGET_COUNT; ++i) {
        made[i] = make_widget(layout[i]);
        views[i](made[i]);
    }
    return made;
}
