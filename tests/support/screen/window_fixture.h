// The detail window alone, in its place on a test screen, with the host of
// the fake backend: for the reports, which need no list.
#pragma once

#include <vector>

#include "core/layout.h"
#include "details/details.h"
#include "kbd/kbd.h"
#include "tests/support/fake/fake_platform.h"
#include "tests/support/screen/test_screen.h"

struct window_screen {
    widget *exti;

    window_screen(int rows, int cols)
    {
        fake_reset();
        exti_reset();
        test_screen_init(rows, cols);
        exti = make_widget(widget_layout(rows, cols)[EXTI_W]);
        exti_reg(exti);
    }
    ~window_screen()
    {
        if (exti->refresh)
            exti_keyh(exti, KBD_ESC);
    }
    window_screen(const window_screen &) = delete;
    window_screen &operator=(const window_screen &) = delete;

    void tick() { screen_tick(); }
    void keys(const std::vector<int> &ks) { screen_keys(ks); }
};
