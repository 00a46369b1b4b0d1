// The state number each letter of proc_rec::state stands for, where a
// backend (or a stand-in for one) knows only the letter.
#pragma once

#include "platform/platform.h"

inline int state_code_of(char letter)
{
    switch (letter) {
    case 'R':
        return PS_RUNNING;
    case 'S':
    case 'D':
        return PS_SLEEPING;
    case 'T':
        return PS_STOPPED;
    case 'Z':
        return PS_ZOMBIE;
    default:
        return 0;
    }
}
