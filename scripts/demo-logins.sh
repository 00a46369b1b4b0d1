#!/bin/sh
# The inside of make demo, run as process 1 of a private PID and mount
# namespace: starts the stand-in logins, laid out as the real login
# programs lay theirs out, writes the login file naming them, mounts it at
# the system's path and runs vigil. A process whose command line should
# read as something else renames itself with perl's $0, which also sets
# its command name.
set -eu
dir=$1 vigil=$2 standin=$3

# A process named $1 that sleeps, with children named by the other words.
named() {
    printf "exec perl -e '\$0 = shift; for my \$c (@ARGV) { fork or do { \$0 = \$c; sleep; exit } } sleep'"
    for w in "$@"; do printf " '%s'" "$w"; done
}

# A login: a name for it, the programs above the recorded process
# (comma-separated), how far below it the shell holding the line is, the
# titles of the recorded process and those below it down to that shell,
# then the foreground command and commands that run below the shell.
# Prints the recorded pid and the line of the shell's terminal.
login() {
    name=$1 via=$2 depth=$3 titles=$4; shift 4
    VIGIL_STANDIN_TITLES=$titles "$standin" "$dir/$name.pid" "$via" "$depth" -c "$@" </dev/null >/dev/null 2>&1 &
    until [ -s "$dir/$name.pid" ] && [ -s "$dir/$name.pid.line" ]; do sleep 0.01; done
    echo "$(cat "$dir/$name.pid") $(cat "$dir/$name.pid.line")"
}

# getty's login forks the shell it records; sshd records its privileged
# monitor, the shell is its grandchild; telnetd's login forks as getty's
# does; a tmux server, a child of process 1, is recorded for its pane.
console=$(login console login 0 "-bash" "$(named 'vim /etc/motd')" "$(named 'bash' 'tail -f /var/log/syslog')")
ssh=$(login ssh sshd 2 "sshd: nobody [priv]|sshd: nobody|-bash" "$(named 'top -d 3')" \
    "$(named 'make -j2' 'cc1 -O2 part1.c' 'cc1 -O2 part2.c')")
telnet=$(login telnet telnetd,login 0 "-bash" "$(named 'mutt')")
tmux=$(login tmux "" 1 "tmux: server|-bash" "$(named 'ssh build.example.org')" "$(named 'less README')")

# The login file, in the text form utmpdump turns into records: each names
# its login's pid and the line of its shell's terminal.
record() {
    set -- $1 "$2" "$3"
    printf '[7] [%05d] [%-4.4s] [%-8s] [%-12s] [%-20s] [0.0.0.0        ] [%s]\n' \
        "$1" "${2#pts/}" "$3" "$2" "$4" "2026-01-01T08:00:00,000000+00:00"
}
{
    record "$console" root ""
    record "$ssh" nobody "192.0.2.10"
    record "$telnet" daemon "198.51.100.7"
    record "$tmux" www-data "tmux(${tmux%% *}).%0"
} | utmpdump -r -o "$dir/utmp" >/dev/null 2>&1
mount --bind "$dir" /run
"$vigil"
