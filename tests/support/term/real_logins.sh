#!/bin/sh
# Real logins for the end-to-end tests, run as process 1 of private PID,
# mount and network namespaces: OpenSSH's sshd on a loopback port, inetutils
# telnetd behind a small listener, getty and login on a terminal of process
# 1's own, tmux. Accounts, the login file and the login logs are the
# namespace's own copies mounted over the system's paths, so nothing of the
# host is read or written. vigil runs on the test's terminal; meanwhile this
# shell runs, as its own children, the commands the test writes to DIR/ctl
# one per line (the functions below), and ends with vigil's status.
#
#   real_logins.sh DIR HIDE PTYHOLD LISTEN VIGIL...
#
# HIDE 1: /proc hides other users' processes (hidepid=2) and vigil runs as
# the ordinary user bob.
set -eu
d=$1 hide=$2 ptyhold=$3 listen=$4
shift 4
# vigil runs in the background, where a shell gives it no terminal unless
# told: keep this one for it.
exec 4<&0

ip link set lo up
# Terminals of the namespace's own, numbered from 0.
mount -t devpts -o newinstance,ptmxmode=0666,mode=620,gid=5 devpts /dev/pts
mount --bind /dev/pts/ptmx /dev/ptmx

# alice logs in (password "pw", or the key below); bob watches.
for f in passwd group shadow; do cp /etc/$f "$d/$f"; done
echo "alice:x:4242:4242:Alice:$d/alice:/bin/bash" >> "$d/passwd"
echo "bob:x:4243:4243:Bob:$d/bob:/bin/sh" >> "$d/passwd"
printf 'alice:x:4242:\nbob:x:4243:\n' >> "$d/group"
echo "alice:$(perl -e 'print crypt("pw", q($6$vigiltest$))'):19000:0:99999:7:::" >> "$d/shadow"
echo "bob:*:19000:0:99999:7:::" >> "$d/shadow"
mkdir -p "$d/alice" "$d/bob"
chown 4242:4242 "$d/alice"
chown 4243:4243 "$d/bob"
chmod 755 "$d"
for f in passwd group shadow; do mount --bind "$d/$f" "/etc/$f"; done

# The login file, writable by the utmp group as the system's is (tmux
# writes it through libutempter's helper), and sshd's directory.
mkdir -p "$d/run/sshd"
: > "$d/run/utmp"
chgrp utmp "$d/run/utmp"
chmod 664 "$d/run/utmp"
mount --bind "$d/run" /run
for f in wtmp btmp lastlog; do
    : > "$d/$f"
    [ ! -e "/var/log/$f" ] || mount --bind "$d/$f" "/var/log/$f"
done

ssh-keygen -q -t ed25519 -N '' -f "$d/hostkey"
ssh-keygen -q -t ed25519 -N '' -f "$d/key"
cp "$d/key.pub" "$d/authorized_keys"
chmod 644 "$d/authorized_keys"
cat > "$d/sshd_config" <<EOF
Port 2222
ListenAddress 127.0.0.1
HostKey $d/hostkey
AuthorizedKeysFile $d/authorized_keys
PermitRootLogin no
UsePAM yes
StrictModes no
PrintMotd no
PrintLastLog no
PidFile $d/sshd.pid
EOF
/usr/sbin/sshd -f "$d/sshd_config" -E "$d/sshd.log"
telnetd=/usr/sbin/telnetd
[ -x "$telnetd" ] || telnetd=/usr/sbin/in.telnetd
"$listen" 2323 "$telnetd" &
until [ -s "$d/sshd.pid" ]; do sleep 0.01; done

# The kinds of login, each named so that the test can type on its line
# and read it: DIR/NAME.in, .out and .line (see vigil_ptyhold).
ssh_login() {
    name=$1
    shift
    exec "$ptyhold" "$d/$name" ssh -tt -i "$d/key" -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null \
        -o LogLevel=ERROR -p 2222 alice@127.0.0.1 "$@"
}
telnet_login() {
    exec "$ptyhold" "$d/$1" telnet 127.0.0.1 2323
}
# getty, a child of process 1 leading a session of its own, as init starts
# it, on a line of its own; it runs login.
console_login() {
    "$ptyhold" "$d/$1" &
    until [ -s "$d/$1.line" ]; do sleep 0.01; done
    exec setsid agetty --autologin alice --noclear --noissue --nohostname --local-line "$(cat "$d/$1.line")" 38400 linux
}
tmux_login() {
    exec tmux -S "$d/tmux" new-session -d -x 80 -y 24 "$@"
}

if [ "$hide" = 1 ]; then
    mount -o remount,hidepid=2 /proc
    set -- setpriv --reuid=4243 --regid=4243 --clear-groups "$@"
fi
mkfifo "$d/ctl"
exec 3<> "$d/ctl"
: > "$d/ready"
( "$@" <&4 4<&- 3<&-; echo "exit $?" >&3 ) &
exec 4<&-
while read -r cmd <&3; do
    case $cmd in
    "exit "*) eval "$cmd" ;;
    *) eval "$cmd" 3<&- & ;;
    esac
done
