#!/usr/bin/env bash
# Checks a built tiko3 package: control fields, layout, that no file names the build tree, run
# paths, that both programs start from the unpacked tree, the post-install script (a group, no
# capability), the polkit rule, LumClient run by a new user, lintian.
#   packaging/check-package.sh build/package/tiko3_*.deb
set -uo pipefail

deb=$(realpath "$1")
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
control=$work/control
arch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)

passed=0
failed=0
check() { # check DESCRIPTION COMMAND...: one named check, its output shown only on failure
    local name=$1 out
    shift
    if out=$("$@" 2>&1); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name"
        [ -n "$out" ] && printf '%s\n' "$out" | sed 's/^/  /'
    fi
}

dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$control" || {
    echo "FAIL: $deb cannot be unpacked"
    echo "package: 0 passed, 1 failed"
    exit 1
}
bin=$root/usr/bin
hack=$root/usr/libexec/xscreensaver
share=$root/usr/share/TIKo3

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
has_depends() { # every named package appears in Depends
    local depends
    depends=$(field Depends)
    for p in "$@"; do
        grep -Eq "(^|[ ,|])$p( |,|$)" <<<"$depends" || { echo "Depends lacks $p: $depends"; return 1; }
    done
}
check "package name and architecture" test "$(field Package) $(field Architecture)" = "tiko3 $(dpkg --print-architecture)"
# Qt, libcap and libstdc++ come from dpkg-shlibdeps; the fonts, adduser and libsystemd0 (loaded
# when the clock is set) are named by hand.
check "dependencies" has_depends libc6 libstdc\\+\\+6 libqt6widgets6 libcap2 libsystemd0 fonts-nanum fonts-liberation2 adduser
check "no conffiles (removing leaves nothing)" test ! -e "$control/conffiles"
check "maintainer script mode" test "$(stat -c %a "$control/postinst")" = 755

# --- layout
expect_files() {
    local missing=0
    for f in "$@"; do
        [ -f "$root/$f" ] || { echo "missing: /$f"; missing=1; }
    done
    return $missing
}
check "programs" expect_files usr/bin/LumClient usr/libexec/xscreensaver/TIKO3SCR "usr/lib/$arch/tiko3/libNtpLib.so" \
    "usr/lib/$arch/tiko3/libLumClientDesktop.so"
check "programs are executable" test -x "$bin/LumClient" -a -x "$hack/TIKO3SCR"
icons=()
for size in 16x16 22x22 24x24 32x32 48x48 64x64 128x128 256x256; do
    icons+=("usr/share/icons/hicolor/$size/apps/tiko3.png")
done
check "desktop files" expect_files usr/share/applications/tiko3.desktop usr/share/icons/hicolor/scalable/apps/tiko3.svg \
    "${icons[@]}" usr/share/xscreensaver/config/TIKO3SCR.xml usr/share/man/man1/LumClient.1.gz \
    usr/share/doc/tiko3/copyright usr/share/doc/tiko3/changelog.Debian.gz
same_as_source() { # each shipped data file is the source's, byte for byte
    local bad=0
    cmp "$src/data/fonts/tiko3-fonts.conf" "$share/fonts/tiko3-fonts.conf" || bad=1
    for f in tick.wav emile.wav frame.bmp TIKo.hlp "세계시간표.txt"; do
        # The names still to come are checked once they are in data/.
        if [ -e "$src/data/$f" ] || [ "$f" = tick.wav ] || [ "$f" = emile.wav ]; then
            cmp "$src/data/$f" "$share/$f" || bad=1
        fi
    done
    return $bad
}
check "data files" same_as_source
# Each program finds the data from its own place: bin/../share, libexec/xscreensaver/../../share.
check "data found from both programs" test -f "$bin/../share/TIKo3/tick.wav" -a \
    -f "$hack/../../share/TIKo3/fonts/tiko3-fonts.conf"
only_usr() {
    local top
    top=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
    [ -z "$top" ] || { echo "outside /usr: $top"; return 1; }
    [ ! -e "$root/usr/local" ] || { echo "/usr/local is the administrator's"; return 1; }
}
check "everything under /usr" only_usr
no_build_path() {
    local hits
    hits=$(grep -rlF "$src" "$root" "$control")
    [ -z "$hits" ] || { echo "names $src: $hits"; return 1; }
}
check "no file names the build tree" no_build_path

# --- run paths: no file has a capability, so TIKO3SCR finds its library from its own place and
# names no absolute directory; nothing else has a run path.
dynamic() { readelf -d "$1" | grep -E "\((RPATH|RUNPATH|NEEDED)\)"; }
runpath_ok() {
    local d
    d=$(dynamic "$hack/TIKO3SCR")
    grep -q "(NEEDED).*\[libNtpLib.so\]" <<<"$d" || { echo "$d"; return 1; }
    grep -q "(RUNPATH).*\[\$ORIGIN/\.\./\.\./lib/$arch/tiko3\]" <<<"$d" || { echo "$d"; return 1; }
    ! grep -q "(RPATH)" <<<"$d" || { echo "$d"; return 1; }
    for f in "$bin/LumClient" "$root/usr/lib/$arch/tiko3/libNtpLib.so" \
        "$root/usr/lib/$arch/tiko3/libLumClientDesktop.so"; do
        ! dynamic "$f" | grep -qE "RPATH|RUNPATH" || { echo "$f has a run path"; return 1; }
    done
}
check "run paths" runpath_ok

# --- the command line loads no Qt: LumClient loads its desktop library only for the desktop,
# libsystemd only to set the clock, and carries its own C++ runtime (a start's largest cost).
cli_without_qt() {
    local d
    d=$(readelf -d "$bin/LumClient" | grep "(NEEDED)")
    ! grep -qE "libQt6|libX11|libasound|libsndfile|libsystemd|libstdc\+\+" <<<"$d" || { echo "$d"; return 1; }
}
check "LumClient's command line links no Qt, libsystemd or libstdc++" cli_without_qt

# --- both programs start from the unpacked tree. No LD_LIBRARY_PATH: LumClient links only
# system libraries, and TIKO3SCR's $ORIGIN entry reaches the unpacked libNtpLib.so.
runs() { # runs PROGRAM TEXT: --help exits 0 and prints TEXT
    local out
    out=$(env -i HOME="$work" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen "$1" --help 2>&1) || {
        echo "$out"
        return 1
    }
    grep -qF "$2" <<<"$out" || { echo "$out"; return 1; }
}
check "unpacked LumClient --help" runs "$bin/LumClient" "Usage: LumClient"
check "unpacked TIKO3SCR --help" runs "$hack/TIKO3SCR" "Usage: TIKO3SCR"
own_library() {
    local found
    found=$(ldd "$hack/TIKO3SCR" | sed -n 's/^\s*libNtpLib\.so => \(.*\) (0x.*$/\1/p')
    [ -n "$found" ] && [ "$(realpath "$found")" = "$root/usr/lib/$arch/tiko3/libNtpLib.so" ] || {
        echo "libNtpLib.so => ${found:-not found}"
        return 1
    }
}
check "TIKO3SCR loads the packaged libNtpLib.so" own_library

# The desktop start seeds a new working directory from ../share/TIKo3 beside the unpacked
# program; no window system is needed for that (offscreen).
seeds_workdir() {
    local wd=$work/workdir rt=$work/runtime pid missing i
    [ -f "$share/tick.wav" ] || { echo "no data to seed from"; return 1; }
    mkdir -m 700 "$rt"
    env -i HOME="$work" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$rt" \
        "$bin/LumClient" --workdir "$wd" >"$work/desktop.log" 2>&1 &
    pid=$!
    for i in $(seq 150); do # up to 30 s
        missing=$(cd "$share" || exit; for f in *; do [ -f "$f" ] && ! cmp -s "$f" "$wd/$f" && echo "$f"; done)
        [ -z "$missing" ] && break
        kill -0 $pid 2>/dev/null || break
        sleep 0.2
    done
    kill -TERM $pid 2>/dev/null
    for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
    kill -KILL $pid 2>/dev/null
    wait $pid 2>/dev/null
    [ -z "$missing" ] || { echo "not seeded: $missing"; cat "$work/desktop.log"; return 1; }
}
check "unpacked LumClient seeds its working directory" seeds_workdir

# --- post-install: the group tiko3 when it is missing, and nothing else (no capability, no file).
# getent and addgroup are stand-ins that record what they were asked.
fake_tools() { # fake_tools GETENT_STATUS
    mkdir -p "$work/fakebin"
    printf '#!/bin/sh\nexit %s\n' "$1" >"$work/fakebin/getent"
    printf '#!/bin/sh\necho "$*" >>"%s/addgroup.log"\n' "$work" >"$work/fakebin/addgroup"
    chmod +x "$work/fakebin/getent" "$work/fakebin/addgroup"
    rm -f "$work/addgroup.log"
}
creates_group() {
    fake_tools 2
    PATH=$work/fakebin:$PATH DPKG_ROOT=$root sh "$control/postinst" configure || return 1
    [ "$(cat "$work/addgroup.log" 2>/dev/null)" = "--system --quiet tiko3" ] || {
        echo "addgroup: $(cat "$work/addgroup.log" 2>/dev/null)"
        return 1
    }
    fake_tools 0
    PATH=$work/fakebin:$PATH DPKG_ROOT=$root sh "$control/postinst" configure || return 1
    [ ! -e "$work/addgroup.log" ] || { echo "an existing group was made again"; return 1; }
}
no_capability() {
    local caps
    caps=$(getcap -r "$root" 2>/dev/null)
    [ -z "$caps" ] || { echo "$caps"; return 1; }
    ! grep -qE "setcap|cap_sys_time" "$control/postinst" || { echo "the post-install grants a capability"; return 1; }
}
creates_nothing() { # every file after the post-install is one the package lists
    diff <(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | sort) \
        <(cd "$root" && find . -mindepth 1 | sed 's|^\.||' | sort)
}
check "post-install creates the group tiko3 when missing" creates_group
check "no file capability, before or after the post-install" no_capability
check "post-install creates no file" creates_nothing

# --- the polkit rule: members of tiko3 may set the time through timedated without a password
rule=$root/usr/share/polkit-1/rules.d/50-tiko3.rules
polkit_rule() {
    [ -f "$rule" ] || { echo "missing: $rule"; return 1; }
    grep -qF '"org.freedesktop.timedate1.set-time"' "$rule" && grep -qF 'isInGroup("tiko3")' "$rule" &&
        grep -qF 'polkit.Result.YES' "$rule" || { cat "$rule"; return 1; }
    if command -v node >/dev/null; then # the rule is JavaScript: it must at least parse
        cp "$rule" "$work/rule.js" && node --check "$work/rule.js" || return 1
    fi
}
check "polkit rule for the group tiko3" polkit_rule

# --- tried as a new user would: nobody's --sync is refused by polkit with the message naming the
# group, and a copy with the capability refuses a server from its command line
if [ "$(id -u)" -eq 0 ] && command -v dbus-daemon >/dev/null && command -v setpriv >/dev/null &&
    /usr/bin/python3 -c 'import dbusmock' 2>/dev/null; then
    chmod 755 "$work"
    check "LumClient run by nobody" /usr/bin/python3 "$src/packaging/try-as-new-user.py" "$bin/LumClient"
else
    echo "skipped: LumClient run by nobody (needs root, dbus-daemon, setpriv and python3-dbusmock)"
fi

# --- the desktop entry and lintian
if command -v desktop-file-validate >/dev/null; then
    check "desktop entry" desktop-file-validate "$root/usr/share/applications/tiko3.desktop"
fi
if command -v lintian >/dev/null; then
    # Warnings stay visible; only an error fails.
    lintian_out=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1)
    lintian_rc=$?
    # Tests run as root; lintian's advice against that says nothing about the package.
    lintian_out=$(grep -v "running with root privileges is not recommended" <<<"$lintian_out")
    [ -n "$lintian_out" ] && printf '%s\n' "$lintian_out" | sed 's/^/lintian: /'
    if [ $lintian_rc -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: lintian reports an error"
    fi
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
