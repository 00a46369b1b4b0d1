#!/bin/sh
# The inside of make demo, run as process 1 of a private PID and mount
# namespace: starts the stand-in logins, writes the login file naming them,
# mounts it at the system's path and runs vigil. A process whose command
# line should read as something else renames itself with perl's $0, which
# also sets its command name.
set -eu
dir=$1 vigil=$2 standin=$3

# A process named $1 that sleeps, with children named by the other words.
named() {
    printf "exec perl -e '\$0 = shift; for my \$c (@ARGV) { fork or do { \$0 = \$c; sleep; exit } } sleep'"
    for w in "$@"; do printf " '%s'" "$w"; done
}

# A login: its parent's title ("" for process 1, the console; the first
# word becomes the parent's command name), the login's own title, then the
# foreground command and commands that run below the login. Prints the
# login's pid.
login() {
    parent=$1 title=$2; shift 2
    if [ -z "$parent" ]; then
        VIGIL_STANDIN_TITLE=$title "$standin" -c "$@" </dev/null >/dev/null 2>&1 &
        echo $!
        return
    fi
    VIGIL_STANDIN_TITLE=$title perl -e '$0 = shift; my $pid = fork; exec @ARGV if $pid == 0; waitpid $pid, 0; sleep' \
        "$parent" "$standin" -c "$@" </dev/null >/dev/null 2>&1 &
    p=$!
    until c=$(pgrep -P $p); do sleep 0.01; done
    echo "$c"
}

console=$(login "" "-bash" "$(named 'vim /etc/motd')" "$(named 'bash' 'tail -f /var/log/syslog')")
ssh=$(login "sshd: nobody [priv]" "-bash" "$(named 'top -d 3')" "$(named 'make -j2' 'cc1 -O2 part1.c' 'cc1 -O2 part2.c')")
telnet=$(login "telnetd" "login -- daemon" "$(named 'mutt')")
xterm=$(login "xterm" "bash" "$(named 'ssh build.example.org')" "$(named 'tmux' 'less README')")

# The login file, in the text form utmpdump turns into records.
record() {
    printf '[7] [%05d] [%-4.4s] [%-8s] [%-12s] [%-20s] [0.0.0.0        ] [%s]\n' \
        "$1" "$3" "$2" "$3" "$4" "2026-01-01T08:00:00,000000+00:00"
}
{
    record "$console" root tty1 ""
    record "$ssh" nobody pts/0 "192.0.2.10"
    record "$telnet" daemon pts/1 "198.51.100.7"
    record "$xterm" www-data pts/2 ":0"
} | utmpdump -r -o "$dir/utmp" >/dev/null 2>&1
mount --bind "$dir" /run
"$vigil"
