#include "tests/support/term/pty_term.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using clock_type = std::chrono::steady_clock;

int ms_left(clock_type::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

void append_utf8(std::string &out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int colour_index(const VTermColor &c, bool is_default)
{
    if (is_default)
        return -1;
    return VTERM_COLOR_IS_INDEXED(&c) ? c.indexed.idx : -2;
}

std::runtime_error setup_error(const char *what)
{
    return std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

term_modes read_modes(int fd)
{
    term_modes m;
    if (tcgetattr(fd, &m.tio) != 0)
        m.tio = termios{};
    m.status_flags = fcntl(fd, F_GETFL);
    return m;
}

std::string describe_exit(int status)
{
    if (WIFEXITED(status))
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    return std::string("killed by signal ") + strsignal(WTERMSIG(status));
}

} // namespace

std::vector<std::string> term_env()
{
    const char *path = std::getenv("PATH");
    // C.UTF-8 is built into the C library, so it exists without generated locales.
    return {"TERM=xterm-256color", "LANG=C.UTF-8", std::string("PATH=") + (path ? path : "/usr/bin:/bin")};
}

bool operator==(const term_modes &a, const term_modes &b)
{
    return a.status_flags == b.status_flags && a.tio.c_iflag == b.tio.c_iflag && a.tio.c_oflag == b.tio.c_oflag &&
           a.tio.c_cflag == b.tio.c_cflag && a.tio.c_lflag == b.tio.c_lflag && a.tio.c_line == b.tio.c_line &&
           std::equal(std::begin(a.tio.c_cc), std::end(a.tio.c_cc), std::begin(b.tio.c_cc)) &&
           cfgetispeed(&a.tio) == cfgetispeed(&b.tio) && cfgetospeed(&a.tio) == cfgetospeed(&b.tio);
}

std::ostream &operator<<(std::ostream &os, const term_modes &m)
{
    os << std::hex << "{iflag 0x" << m.tio.c_iflag << ", oflag 0x" << m.tio.c_oflag << ", cflag 0x" << m.tio.c_cflag
       << ", lflag 0x" << m.tio.c_lflag << ", cc";
    for (cc_t c : m.tio.c_cc)
        os << ' ' << static_cast<unsigned>(c);
    return os << ", file status flags 0x" << m.status_flags << std::dec << '}';
}

pty_term::pty_term(const term_options &opt) : rows_(opt.rows), cols_(opt.cols)
{
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows_);
    ws.ws_col = static_cast<unsigned short>(cols_);
    if (openpty(&master_, &slave_, nullptr, nullptr, &ws) != 0)
        throw setup_error("openpty");
    // Our copy of the slave shares the open file description that becomes the
    // program's standard input, so its status flags are the program's too.
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    before_ = read_modes(slave_);

    vt_ = vterm_new(rows_, cols_);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_enable_altscreen(screen_, 1);
    static const VTermScreenCallbacks callbacks = {
        .damage = nullptr,
        .moverect = nullptr,
        .movecursor = nullptr,
        .settermprop = on_termprop,
        .bell = nullptr,
        .resize = nullptr,
        .sb_pushline = nullptr,
        .sb_popline = nullptr,
    };
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_output_set_callback(vt_, on_output, this);
    vterm_screen_reset(screen_, 1);

    // Everything the child needs is built before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<std::string> words = opt.prefix;
    words.insert(words.end(), opt.command.begin(), opt.command.end());
    std::vector<char *> argv;
    for (auto &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = opt.env;
    std::vector<char *> envp;
    for (auto &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    sigset_t none;
    sigemptyset(&none);

    pid_ = fork();
    if (pid_ < 0) {
        auto error = setup_error("fork");
        release();
        throw error;
    }
    if (pid_ == 0) {
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // Nothing ignored by whoever started the tests reaches the program.
        for (int sig = 1; sig <= SIGRTMAX; ++sig)
            std::signal(sig, SIG_DFL);
        setsid();
        if (opt.controlling)
            ioctl(slave_, TIOCSCTTY, 0);
        dup2(slave_, 0);
        dup2(slave_, 1);
        dup2(slave_, 2);
        // The program gets the terminal and nothing else the test runner
        // holds open, so what it and its children show does not depend on
        // who ran the tests.
        close_range(3, ~0U, 0);
        execvpe(argv[0], argv.data(), envp.data());
        static constexpr char msg[] = "pty_term: exec failed\n";
        (void)!write(2, msg, sizeof msg - 1);
        _exit(127);
    }
    // Through syscall(): the C library's header for it lacks C linkage.
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ < 0) {
        auto error = setup_error("pidfd_open");
        release();
        throw error;
    }
}

pty_term::~pty_term()
{
    release();
}

void pty_term::release()
{
    if (pid_ > 0) {
        // The program leads its own session and process group: take down
        // anything a command prefix started along with it.
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    for (int *fd : {&master_, &slave_, &pidfd_})
        if (*fd >= 0)
            close(std::exchange(*fd, -1));
    if (vt_)
        vterm_free(std::exchange(vt_, nullptr));
}

int pty_term::on_termprop(VTermProp prop, VTermValue *val, void *self)
{
    auto *t = static_cast<pty_term *>(self);
    if (prop == VTERM_PROP_CURSORVISIBLE)
        t->cursor_visible_ = val->boolean;
    else if (prop == VTERM_PROP_ALTSCREEN)
        t->alt_screen_ = val->boolean;
    return 1;
}

// Answers to the program's queries (cursor position, device attributes).
void pty_term::on_output(const char *bytes, size_t len, void *self)
{
    static_cast<pty_term *>(self)->to_program_.append(bytes, len);
}

void pty_term::feed(std::string_view bytes)
{
    if (!bytes.empty())
        vterm_input_write(vt_, bytes.data(), bytes.size());
}

// One wait for output, input room or the program's end; true when output came.
bool pty_term::pump(int timeout_ms)
{
    pollfd fds[2] = {{master_, POLLIN, 0}, {pid_ > 0 ? pidfd_ : -1, POLLIN, 0}};
    if (!to_program_.empty())
        fds[0].events |= POLLOUT;
    if (poll(fds, 2, timeout_ms) <= 0)
        return false;
    bool got = false;
    if (fds[0].revents & POLLIN) {
        char buf[8192];
        ssize_t n;
        while ((n = read(master_, buf, sizeof buf)) > 0) {
            feed({buf, static_cast<size_t>(n)});
            got = true;
        }
    }
    if ((fds[0].revents & POLLOUT) && !to_program_.empty()) {
        ssize_t n = write(master_, to_program_.data(), to_program_.size());
        if (n > 0)
            to_program_.erase(0, static_cast<size_t>(n));
    }
    if (fds[1].revents & POLLIN)
        reap();
    return got;
}

void pty_term::reap()
{
    if (waitpid(pid_, &status_, WNOHANG) != pid_)
        return;
    pid_ = -1;
    drain_after_exit();
}

// Output the program wrote just before it ended may still be on its way
// through the terminal's buffers. A marker written behind it on the slave
// side comes out of the master after it, so reading up to the marker
// means everything the program wrote has been fed.
void pty_term::drain_after_exit()
{
    static constexpr std::string_view mark = "\x1bP+VIGIL-TERM-SYNC\x1b\\";
    if (master_ < 0 || write(slave_, mark.data(), mark.size()) != static_cast<ssize_t>(mark.size()))
        return;
    std::string got;
    auto deadline = clock_type::now() + term_timeout;
    for (;;) {
        auto at = got.find(mark);
        if (at != std::string::npos) {
            got.erase(at, mark.size());
            break;
        }
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, ms_left(deadline)) <= 0) {
            ADD_FAILURE() << "the program's last output never arrived";
            break;
        }
        char buf[8192];
        ssize_t n;
        while ((n = read(master_, buf, sizeof buf)) > 0)
            got.append(buf, static_cast<size_t>(n));
    }
    feed(got);
}

std::string pty_term::row(int r, bool trim) const
{
    std::string out;
    VTermScreenCell c{};
    for (int col = 0; col < cols_; col += std::max(1, static_cast<int>(c.width))) {
        if (!vterm_screen_get_cell(screen_, {r, col}, &c) || c.chars[0] == 0) {
            c.width = 1;
            out += ' ';
            continue;
        }
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; ++i)
            append_utf8(out, c.chars[i]);
    }
    if (trim)
        out.erase(out.find_last_not_of(' ') + 1);
    return out;
}

std::vector<std::string> pty_term::screen(bool trim) const
{
    std::vector<std::string> rows;
    for (int r = 0; r < rows_; ++r)
        rows.push_back(row(r, trim));
    return rows;
}

std::string pty_term::dump() const
{
    std::ostringstream os;
    os << rows_ << "x" << cols_ << " screen:\n";
    for (int r = 0; r < rows_; ++r)
        os << std::setw(3) << r << "|" << row(r) << "\n";
    return os.str();
}

term_cell pty_term::cell(int r, int c) const
{
    VTermScreenCell vc{};
    term_cell out;
    if (!vterm_screen_get_cell(screen_, {r, c}, &vc))
        return out;
    if (vc.chars[0] == 0)
        out.text = " ";
    if (vc.chars[0] == static_cast<uint32_t>(-1)) // right half of a wide character
        return out;
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && vc.chars[i] != 0; ++i)
        append_utf8(out.text, vc.chars[i]);
    out.bold = vc.attrs.bold;
    out.underline = vc.attrs.underline != 0;
    out.reverse = vc.attrs.reverse;
    out.fg = colour_index(vc.fg, VTERM_COLOR_IS_DEFAULT_FG(&vc.fg));
    out.bg = colour_index(vc.bg, VTERM_COLOR_IS_DEFAULT_BG(&vc.bg));
    return out;
}

term_pos pty_term::cursor() const
{
    VTermPos p;
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
    return {p.row, p.col};
}

int pty_term::unread_input() const
{
    int n = 0;
    return ioctl(slave_, FIONREAD, &n) == 0 ? n : -1;
}

term_modes pty_term::modes_now() const
{
    return read_modes(slave_);
}

void pty_term::send(std::string_view bytes)
{
    to_program_.append(bytes);
    auto deadline = clock_type::now() + term_timeout;
    while (!to_program_.empty() && master_ >= 0 && clock_type::now() < deadline)
        pump(ms_left(deadline));
    if (!to_program_.empty())
        ADD_FAILURE() << to_program_.size() << " bytes of input were never taken\n" << dump();
    to_program_.clear();
}

void pty_term::resize(int rows, int cols)
{
    rows_ = rows;
    cols_ = cols;
    vterm_set_size(vt_, rows, cols);
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows);
    ws.ws_col = static_cast<unsigned short>(cols);
    ioctl(master_, TIOCSWINSZ, &ws);
}

void pty_term::signal(int sig)
{
    if (pid_ > 0)
        kill(pid_, sig);
}

void pty_term::hang_up()
{
    close(master_);
    master_ = -1;
}

testing::AssertionResult pty_term::wait_for(const std::function<bool(const pty_term &)> &done,
                                            std::chrono::milliseconds timeout)
{
    auto deadline = clock_type::now() + timeout;
    for (;;) {
        if (done(*this))
            return testing::AssertionSuccess();
        if (exited())
            return testing::AssertionFailure() << "the program " << describe_exit(status_) << " first\n" << dump();
        if (clock_type::now() >= deadline)
            return testing::AssertionFailure() << "not seen within " << timeout.count() << " ms\n" << dump();
        pump(ms_left(deadline));
    }
}

testing::AssertionResult pty_term::wait_for_text(std::string_view text, int r, std::chrono::milliseconds timeout)
{
    auto found = wait_for(
        [&](const pty_term &t) {
            if (r >= 0)
                return t.row(r).find(text) != std::string::npos;
            for (const auto &line : t.screen())
                if (line.find(text) != std::string::npos)
                    return true;
            return false;
        },
        timeout);
    if (!found)
        found << "(waited for \"" << text << "\" on " << (r >= 0 ? "row " + std::to_string(r) : "any row") << ")";
    return found;
}

void pty_term::run_for(std::chrono::milliseconds how_long)
{
    auto deadline = clock_type::now() + how_long;
    while (clock_type::now() < deadline)
        pump(ms_left(deadline));
}

testing::AssertionResult pty_term::settle(std::chrono::milliseconds quiet, std::chrono::milliseconds timeout)
{
    auto deadline = clock_type::now() + timeout;
    auto calm_at = clock_type::now() + quiet;
    while (clock_type::now() < calm_at) {
        if (clock_type::now() >= deadline)
            return testing::AssertionFailure() << "output never paused for " << quiet.count() << " ms\n" << dump();
        if (pump(ms_left(std::min(calm_at, deadline))))
            calm_at = clock_type::now() + quiet;
    }
    return testing::AssertionSuccess();
}

int pty_term::wait_exit(std::chrono::milliseconds timeout)
{
    auto deadline = clock_type::now() + timeout;
    while (!exited() && clock_type::now() < deadline)
        pump(ms_left(deadline));
    if (!exited()) {
        ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms\n" << dump();
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return -1;
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

int pty_term::killed_by() const
{
    return exited() && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
}

void pty_term::flood(std::string_view bytes, std::chrono::milliseconds how_long)
{
    auto deadline = clock_type::now() + how_long;
    while (!exited() && master_ >= 0 && clock_type::now() < deadline) {
        if (to_program_.size() < 2 * bytes.size())
            to_program_.append(bytes);
        pump(std::min(ms_left(deadline), 10));
    }
    to_program_.clear();
}
