// The search the lists answer: the pattern the search line compiles, and
// the test each list makes of its lines' texts with it. Below the lists,
// so that they ask it without knowing the search line.
#pragma once

// The search line's text as a case-insensitive extended regular
// expression, compiled for one search request and freed with it. A pattern
// the guard refuses (pattern_guard.h) does not compile: ok is false.
struct compiled_pattern {
    bool ok;
    explicit compiled_pattern(const char *text);
    ~compiled_pattern();
    compiled_pattern(const compiled_pattern &) = delete;
    compiled_pattern &operator=(const compiled_pattern &) = delete;
};

// 1 when the pattern compiled last occurs in text. Only valid while a
// compiled_pattern lives: while a list answers a search request.
int reg_match(const char *text);
