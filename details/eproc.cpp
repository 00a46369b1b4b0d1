// The facts of the process under the tree's bar: its start, executable,
// root and working directory, command line, status and open files.
#include <array>
#include <cinttypes>
#include <ctime>
#include <string>
#include <vector>

#include "core/text.h"
#include "details/details.h"
#include "platform/platform.h"

namespace {

const char unavailable[] = "Information unavailable.\n";

// The entries of the open-file list that are not descriptors, for the
// ROOT and CWD sections. FILE DESCRIPTORS reads the list again, for the
// rows it can show, which only it knows.
plat_files files;

const char *type_name(int type)
{
    switch (type) {
    case PF_VNODE:
        return "vnode";
    case PF_SOCKET:
        return "socket";
    case PF_PIPE:
        return "pipe";
    case PF_KQUEUE:
        return "kqueue";
    case PF_SHM:
        return "shm";
    default:
        return "other";
    }
}

void sys_proc_start(int pid)
{
    long t = sys_start_time(pid);
    if (t == -1) {
        println("%s", unavailable);
        return;
    }
    std::time_t when = t;
    print("%s", std::ctime(&when));
}

void sys_proc_exe(int pid)
{
    std::string path;
    if (plat_proc_exe(pid, path))
        print("%s\n", disp_clean(path).c_str());
    else
        println("%s", unavailable);
}

// Every entry the list marks with the flag, in list order.
void flagged_paths(int flag)
{
    bool any = false;
    for (const plat_file &f : files.used) {
        if (!(f.uflags & flag))
            continue;
        any = true;
        if (f.path.empty())
            print("[unknown]\n");
        else
            print("%s\n", disp_clean(f.path).c_str());
    }
    if (!any)
        println("%s", unavailable);
}

void sys_proc_root(int)
{
    flagged_paths(PF_RDIR);
}

void sys_proc_cwd(int)
{
    flagged_paths(PF_CDIR);
}

// The whole argument vector, which the tree cuts at the screen's edge. A
// zombie or a kernel thread has none: its name stands in, as in the tree.
void sys_proc_cmdline(int pid)
{
    std::vector<char> raw(128 * 1024);
    long n = plat_cmdline(pid, raw.data(), raw.size());
    proc_rec r;
    if (n < 0 || (n == 0 && !plat_proc(pid, r))) {
        println("%s", unavailable);
        return;
    }
    if (n == 0) {
        print_wrapped(disp_clean(r.comm).c_str());
        return;
    }
    std::string joined(raw.data(), static_cast<std::size_t>(n));
    while (!joined.empty() && joined.back() == '\0')
        joined.pop_back();
    for (char &c : joined)
        if (c == '\0')
            c = ' ';
    print_wrapped(disp_clean(joined).c_str());
}

void sys_proc_status(int pid)
{
    proc_rec r;
    std::uint32_t uid;
    if (!plat_proc(pid, r) || !plat_proc_euid(pid, uid)) {
        println("%s", unavailable);
        return;
    }
    println("Name:\t%s\n", disp_clean(r.comm).c_str());
    println("Pid:\t%d\n", r.pid);
    println("PPid:\t%d\n", r.ppid);
    println("State:\t%d\n", r.state_code);
    println("Threads:\t%d\n", static_cast<int>(r.threads));
    println("Uid:\t%d\n", static_cast<int>(uid));
    println("VmSize:\t%ju KB\n", static_cast<std::uintmax_t>(r.vsize >> 10));
    // The record's figure is an estimate on some systems; the kernel's own
    // count, when it can be had, is what VmRSS means.
    std::uint64_t rss = r.rss;
    plat_proc_rss(pid, rss);
    println("VmRSS:\t%ju KB\n", static_cast<std::uintmax_t>(rss >> 10));
}

// One row per entry, whatever its path, so that the rows of the
// descriptors out of view are counted without reading them; a path too
// long for the pad's width is cut there.
void fd_row(const plat_file &f)
{
    if (f.path.empty())
        table_row("%-4d %-7s", f.fd, type_name(f.type));
    else
        table_row("%-4d %-7s %s", f.fd, type_name(f.type), disp_clean(f.path).c_str());
}

// Only the descriptors whose rows can be in view are read and typed: a
// process with thousands costs what the window shows.
void sys_proc_fds(int pid)
{
    std::size_t first = 0, count = 0;
    rows_in_view(1, first, count); // below the header's row
    plat_files list;
    if (!plat_proc_files(pid, first, count, list)) {
        println("%s", unavailable);
        return;
    }
    println("%-4s %-7s %s\n", "FD", "TYPE", "PATH");
    for (const plat_file &f : list.used)
        fd_row(f);
    skip_rows(list.fd_first);
    for (const plat_file &f : list.fds)
        fd_row(f);
    skip_rows(list.fd_count - list.fd_first - list.fds.size());
}

struct proc_detail {
    const char *title;
    void (*section)(int pid);
};

constexpr std::array<proc_detail, 7> proc_details_t{{
    {"START: ", sys_proc_start},
    {"EXE: ", sys_proc_exe},
    {"ROOT: ", sys_proc_root},
    {"CWD: ", sys_proc_cwd},
    {"CMDLINE: ", sys_proc_cmdline},
    {"\nSTATUS:\n", sys_proc_status},
    {"\nFILE DESCRIPTORS:\n", sys_proc_fds},
}};

} // namespace

long sys_start_time(int pid)
{
    proc_rec r;
    return plat_proc(pid, r) && r.start >= 0 ? static_cast<long>(r.start) : -1;
}

// With no line under the bar the list answers 0; without an answer at all
// the report is about process 1.
void eproc(void *pid_ptr)
{
    int pid = pid_ptr ? *static_cast<int *>(pid_ptr) : 1;
    plgn_out_start();
    plat_proc_files(pid, 0, 0, files);
    for (const proc_detail &d : proc_details_t) {
        title("%s", d.title);
        d.section(pid);
    }
    files = plat_files{};
}
