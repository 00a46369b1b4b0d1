// What one search costs: compiling the pattern and matching it against one
// line, for the heaviest patterns the search line's guard lets through. The
// budget is 50 ms and 16 MiB for the two together.
//
// The line is the longest a list offers (a command line of 510 bytes) in the
// three makes that cost the most: ASCII letters, two-byte characters, and
// the two mixed. Each pattern ends in something the line lacks, so the
// matcher tries every start and goes the whole way from each; one that
// matched would stop at once. The locale is a UTF-8 one, as vigil's is, and
// the flags are the search line's.
//
// peak_MiB is how far the resident size of a fresh child rose while it
// compiled and matched once (from the high-water mark, reset first).
// Also shown: the two patterns the guard was made for, refused before the
// compiler sees them; compiling them took seconds and gigabytes.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <regex.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bars/pattern_guard.h"

namespace {

constexpr std::size_t line_bytes = 510;
constexpr int search_flags = REG_EXTENDED | REG_ICASE | REG_NOSUB;

std::string repeat(const std::string &s, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += s;
    return out;
}

std::string line_of(const std::string &unit)
{
    return repeat(unit, line_bytes / unit.size());
}

struct heavy {
    const char *name;
    std::string pattern;
};

// The worst found at the weight limit: loops in a row whose
// positions are all alive at once, class atoms (the dearest against
// multibyte text), plain characters kept alive behind loops, counted
// copies, nested counts, an empty alternative copied, and the longest
// plain text.
std::vector<heavy> heaviest()
{
    return {
        {"word_loops", "\\w*\\w\\w*\\w\\w*\\w\\w*\\W"},
        {"word_plus", "\\w+\\w+\\w+\\w*\\W"},
        {"alpha_loops", repeat("[[:alpha:]]*.", 3) + "[[:alpha:]]*[^[:alpha:]]"},
        {"dot_loops", ".*..*..*..*\\W"},
        {"optional_dots", repeat(".?", 7) + "\\W"},
        {"alternatives_behind_2_loops", repeat("\\w*(a|a|a|a|a|a)", 2) + repeat("a", 23) + "b"},
        {"alternatives_behind_3_loops", repeat("\\w*(a|a|a|a)", 3) + repeat("a", 15) + "b"},
        {"text_behind_a_loop", "\\w*" + repeat("a", 55) + "b"},
        {"choice_copied", "(.|..){2}\\W"},
        {"count", "a{63}b"},
        {"nested_counts", "((a{2}){2}){9}b"},
        {"empty_alternative_copied", "(a|){21}b"},
        {"longest_text", repeat("a", PATTERN_MAX_LEN - 1) + "b"},
    };
}

long status_kib(const char *field)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char row[256];
    long kib = -1;
    std::size_t n = std::strlen(field);
    while (std::fgets(row, sizeof row, f))
        if (std::strncmp(row, field, n) == 0 && row[n] == ':')
            kib = std::strtol(row + n + 1, nullptr, 10);
    std::fclose(f);
    return kib;
}

void compile_and_match(const std::string &pattern, const std::string &line)
{
    regex_t re;
    if (regcomp(&re, pattern.c_str(), search_flags) != 0)
        return;
    benchmark::DoNotOptimize(regexec(&re, line.c_str(), 0, nullptr, REG_NOTEOL));
    regfree(&re);
}

// In a child, so that nothing the benchmark did before is in the figure.
double peak_mib(const std::string &pattern, const std::string &line)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open("/proc/self/clear_refs", O_WRONLY);
        bool reset = fd >= 0 && write(fd, "5", 1) == 1;
        long before = status_kib("VmRSS");
        compile_and_match(pattern, line);
        long rise = reset ? status_kib("VmHWM") - before : -1;
        (void)!write(fds[1], &rise, sizeof rise);
        _exit(0);
    }
    close(fds[1]);
    long rise = -1;
    if (pid < 0 || read(fds[0], &rise, sizeof rise) != sizeof rise)
        rise = -1;
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return rise < 0 ? -1 : static_cast<double>(rise) / 1024;
}

void search(benchmark::State &state, const std::string &pattern, const std::string &line)
{
    if (!pattern_allowed(pattern)) {
        state.SkipWithError("the guard refuses this pattern: it is no longer one of the heaviest allowed");
        return;
    }
    for (auto _ : state)
        compile_and_match(pattern, line);
    state.counters["weight"] = static_cast<double>(pattern_measure(pattern).weight);
    state.counters["peak_MiB"] = peak_mib(pattern, line);
}

void refusal(benchmark::State &state, const std::string &pattern)
{
    bool allowed = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(allowed = pattern_allowed(pattern));
    state.counters["allowed"] = allowed;
}

} // namespace

int main(int argc, char **argv)
{
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const std::pair<const char *, std::string> lines[] = {
        {"ascii", line_of("a")},
        {"two_byte", line_of("\xc3\xa9")}, // é
        {"mixed", line_of("a\xc3\xa9")},
    };
    for (const heavy &h : heaviest())
        for (const auto &[kind, line] : lines)
            benchmark::RegisterBenchmark((std::string("search/") + h.name + "/" + kind).c_str(), search, h.pattern,
                                         line)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.2);
    for (const char *p : {"((a{255}){255}){255}", "(((a{99}){99}){99}){99}"})
        benchmark::RegisterBenchmark((std::string("refused/") + p).c_str(), refusal, std::string(p));

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
