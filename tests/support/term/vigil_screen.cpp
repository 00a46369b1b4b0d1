#include "tests/support/term/vigil_screen.h"

bool row_in_colours(const pty_term &t, int r, int fg, int bg)
{
    for (int c = 0; c < t.cols(); ++c) {
        term_cell cell = t.cell(r, c);
        if (cell.fg != fg || cell.bg != bg)
            return false;
    }
    return true;
}

bool vigil_drawn(const pty_term &t)
{
    int last = t.rows() - 1;
    auto on_black = [&](int r) {
        for (int c = 0; c < t.cols(); ++c)
            if (t.cell(r, c).bg != term_black)
                return false;
        return true;
    };
    return last > 2 && on_black(0) && on_black(1) && row_in_colours(t, last, term_cyan, term_black) &&
           !row_in_colours(t, last - 1, term_cyan, term_black);
}

int bar_row(const pty_term &t)
{
    int bar = -1;
    for (int r = 0; r < t.rows(); ++r) {
        int n = 0;
        for (int c = 0; c < t.cols(); ++c)
            n += t.cell(r, c).reverse;
        if (n == t.cols() && bar == -1)
            bar = r;
        else if (n > 0)
            return -2;
    }
    return bar;
}

std::string cells_text(const pty_term &t, int r, int from, int to)
{
    std::string out;
    for (int c = from; c <= to; ++c)
        out += t.cell(r, c).text;
    return out.erase(out.find_last_not_of(' ') + 1);
}

std::vector<std::string> screen_look(const pty_term &t, int from)
{
    std::vector<std::string> rows;
    for (int r = from; r < t.rows(); ++r) {
        std::string line = t.row(r, false) + " |";
        for (int c = 0; c < t.cols(); ++c) {
            term_cell cell = t.cell(r, c);
            line += ' ' + std::to_string(cell.fg) + '/' + std::to_string(cell.bg) + (cell.reverse ? "r" : "") +
                    (cell.bold ? "b" : "");
        }
        rows.push_back(line);
    }
    return rows;
}
