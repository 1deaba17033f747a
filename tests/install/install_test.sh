#!/usr/bin/env bash
# The installed program: installs the build tree into a temporary DESTDIR with
# prefix /usr and checks what a package would hold, the desktop validators,
# the manual pages against --help, the bash completion, and the installed
# executables run from there with HOME (and the other per-user folders) in
# temporary folders: where settings go for an installed copy, a portable copy
# and --dir, two users side by side, and the session's autostart entry.
#
#   install_test.sh BUILD_DIR APP_ID [CASE]
#
# CASE runs one group of checks (tree, validate, manual, completion, first-start,
# two-homes, portable, dir, autostart); without it all of them run. Every
# failure is reported; the exit status is 1 if any check failed. KEEP=1 keeps
# the temporary folder for a look after a failure.
set -uo pipefail

build=$(cd "$1" && pwd)
app_id=$2
only=${3:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/keywright-install.XXXXXX")
trap '[[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
dest=$work/dest
prefix=$dest/usr
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check() { # check DESCRIPTION COMMAND...: runs the command, a failure if it fails
    local what=$1
    shift
    "$@" || fail "$what"
}
fails() { ! "$@"; }
same() { # same DESCRIPTION EXPECTED ACTUAL
    [[ "$2" == "$3" ]] || fail "$1: expected [$2], got [$3]"
}

# Every file under a folder, relative to it, sorted; "-" for an empty or
# missing folder.
listing() {
    if [[ -d $1 ]]; then
        (cd "$1" && find . -mindepth 1 \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
    fi
}

# Runs an installed executable as a user whose every folder is under $1 (a
# fresh home), from a working folder of its own, offscreen; the rest of the
# arguments are the command. Output goes to $1.out and $1.err.
as_user() {
    local home=$1
    shift
    mkdir -p "$home" "$home.cwd" "$home.runtime"
    chmod 700 "$home.runtime"
    (cd "$home.cwd" && env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u XDG_STATE_HOME \
        HOME="$home" XDG_RUNTIME_DIR="$home.runtime" QT_QPA_PLATFORM=offscreen \
        ${USER_ENV:-} "$@" >"$home.out" 2>"$home.err")
}

echo "== installing into $dest"
if ! DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
shipped_config=$prefix/share/keywright/config.xml
want() { [[ -z $only || $only == "$1" ]]; }

if want tree; then
    echo "== tree"
    # Everything outside the resource package, exactly: a file more or less
    # is a change of the package's contents.
    expected=$(LC_ALL=C sort <<LIST
usr/bin/keywright
usr/bin/keywright-ctl
usr/lib/modules-load.d/keywright.conf
usr/lib/udev/rules.d/70-keywright.rules
usr/share/applications/$app_id.desktop
usr/share/bash-completion/completions/keywright-ctl
usr/share/doc/keywright/changelog.gz
usr/share/doc/keywright/copyright
usr/share/icons/hicolor/16x16/apps/$app_id.png
usr/share/icons/hicolor/24x24/apps/$app_id.png
usr/share/icons/hicolor/32x32/apps/$app_id.png
usr/share/icons/hicolor/48x48/apps/$app_id.png
usr/share/icons/hicolor/64x64/apps/$app_id.png
usr/share/icons/hicolor/128x128/apps/$app_id.png
usr/share/icons/hicolor/256x256/apps/$app_id.png
usr/share/keywright/config.xml
usr/share/man/man1/keywright-ctl.1.gz
usr/share/man/man1/keywright.1.gz
usr/share/metainfo/$app_id.metainfo.xml
LIST
)
    same "installed files outside the resource package" "$expected" \
        "$(listing "$dest" | grep -v '^usr/share/keywright/uires/')"
    # The resource package is the one the build tree's program runs on.
    same "resource package" "$(listing "$build/bin/uires")" "$(listing "$prefix/share/keywright/uires")"
    for size in 16 24 32 48 64 128 256; do
        icon=$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png
        # The PNG header's width and height, big-endian, at bytes 16 to 23.
        same "icon $size" "$(printf '%08x%08x' "$size" "$size")" \
            "$(od -An -tx1 -j16 -N8 "$icon" 2>/dev/null | tr -d ' \n')"
    done
    same "uinput module load" "uinput" "$(grep -v '^#' "$prefix/lib/modules-load.d/keywright.conf")"
    check "udev rules grant uinput" grep -q 'KERNEL=="uinput".*TAG+="uaccess"' \
        "$prefix/lib/udev/rules.d/70-keywright.rules"
    for page in keywright keywright-ctl; do
        check "$page.1.gz is gzip" gzip -t "$prefix/share/man/man1/$page.1.gz"
    done
    check "desktop entry starts keywright" grep -qx 'Exec=keywright' "$prefix/share/applications/$app_id.desktop"
    check "desktop entry names the icon" grep -qx "Icon=$app_id" "$prefix/share/applications/$app_id.desktop"
fi

if want validate; then
    echo "== validators"
    check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$app_id.desktop"
    check "appstreamcli validate" appstreamcli validate --no-net --pedantic \
        "$prefix/share/metainfo/$app_id.metainfo.xml"
    check "metainfo has a screenshot" grep -q '<screenshot type="default">' \
        "$prefix/share/metainfo/$app_id.metainfo.xml"
fi

# The long options and commands a usage text names, one a line, sorted.
options_of() { grep -o -- '--[a-z][a-z-]*' | LC_ALL=C sort -u; }
# A manual page as text for options_of: roff's "\-" is a "-".
page_text() { gzip -dc "$prefix/share/man/man1/$1.1.gz" | sed 's/\\-/-/g'; }

if want manual; then
    echo "== manual pages against --help and --version"
    for program in keywright keywright-ctl; do
        as_user "$work/manual-$program" "$prefix/bin/$program" --help
        check "$program --help" [ -s "$work/manual-$program.out" ]
        same "$program: options in --help and in the manual page" \
            "$(options_of <"$work/manual-$program.out")" "$(page_text "$program" | options_of)"
    done
    # Every command of keywright-ctl's usage has its entry in the page.
    commands=$(sed -n '/^settings:/,/^options:/p' "$work/manual-keywright-ctl.out" |
        sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | LC_ALL=C sort -u)
    check "keywright-ctl names commands" [ -n "$commands" ]
    # Read once: grep -q ends at its first match, and the gzip before it in a
    # pipe would then die of SIGPIPE and fail the pipe.
    ctl_page=$(page_text keywright-ctl)
    for command in $commands; do
        grep -Eq "^\.B[IR]? \"?$command( |\"|$)" <<<"$ctl_page" ||
            fail "keywright-ctl command $command is not in the manual page"
    done
    version=$(page_text keywright-ctl | sed -n 's/^\.TH .*"Keywright \([^"]*\)".*/\1/p')
    as_user "$work/manual-version" "$prefix/bin/keywright-ctl" --version
    same "keywright-ctl --version" "keywright-ctl $version" "$(cat "$work/manual-version.out")"
    same "keywright page version" "$version" \
        "$(page_text keywright | sed -n 's/^\.TH .*"Keywright \([^"]*\)".*/\1/p')"
fi

if want completion; then
    echo "== bash completion"
    # What the completion offers for a command line whose last word is being
    # typed, with bash-completion's helpers stood in for.
    complete_line() {
        bash -c '
            _init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}
                                 words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
            _filedir() { COMPREPLY=(FOLDERS); }
            complete() { :; }
            source "$1"; shift
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
            _keywright_ctl
            printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | tr "\n" " "' \
            _ "$prefix/share/bash-completion/completions/keywright-ctl" "$@"
    }
    cases=(
        "keywright-ctl aut|autostart "
        "keywright-ctl autostart |off on "
        "keywright-ctl --dir /x sett|settings "
        "keywright-ctl --simulate settings |dump normalize "
        "keywright-ctl --dir |FOLDERS "
        "keywright-ctl effect 5 --b|--brightness "
        "keywright-ctl --vers|--version "
    )
    for c in "${cases[@]}"; do
        read -ra line <<<"${c%%|*}"
        [[ ${c%%|*} == *" " ]] && line+=("")
        same "completion of [${c%%|*}]" "${c#*|}" "$(complete_line "${line[@]}")"
    done
fi

if want first-start; then
    echo "== first start of the installed program"
    home=$work/home-a
    before=$(listing "$dest")
    check "installed keywright --simulate --screenshot" \
        as_user "$home" "$prefix/bin/keywright" --simulate --screenshot "$work/shot.png"
    check "screenshot written" [ -s "$work/shot.png" ]
    same "settings made in the user's folder, nothing else in HOME" \
        "$(printf '%s\n' .config/keywright/config.xml .config/keywright/ledeffect.xml .config/keywright/sidemodel.xml)" \
        "$(listing "$home")"
    same "config.xml is the shipped one" "$(cat "$shipped_config")" "$(cat "$home/.config/keywright/config.xml")"
    same "settings folder is private" "700" "$(stat -c %a "$home/.config/keywright")"
    same "nothing written in the working folder" "" "$(listing "$home.cwd")"
    same "nothing written into the installed tree" "$before" "$(listing "$dest")"

    home=$work/home-ctl
    check "installed keywright-ctl --simulate version" \
        as_user "$home" "$prefix/bin/keywright-ctl" --simulate version
    check "prints the firmware version" grep -Eqx '[0-9]+\.[0-9]+' "$home.out"
    same "keywright-ctl makes the same folder" ".config/keywright/config.xml" "$(listing "$home")"

    # A user without a home folder: no settings anywhere, said as such.
    if (cd "$work" && env -u XDG_CONFIG_HOME HOME= "$prefix/bin/keywright-ctl" settings dump \
        >/dev/null 2>"$work/nohome.err"); then
        fail "keywright-ctl without HOME succeeded"
    fi
    check "without HOME: says why" grep -q 'neither XDG_CONFIG_HOME nor HOME' "$work/nohome.err"

    home=$work/home-xdg
    USER_ENV="XDG_CONFIG_HOME=$home/elsewhere" check "with XDG_CONFIG_HOME" \
        as_user "$home" "$prefix/bin/keywright-ctl" settings normalize
    same "XDG_CONFIG_HOME is the user's config folder" \
        "$(printf '%s\n' elsewhere/keywright/config.xml elsewhere/keywright/ledeffect.xml elsewhere/keywright/sidemodel.xml)" \
        "$(listing "$home")"
fi

if want two-homes; then
    echo "== two users side by side"
    for user in a b; do
        check "first start of $user" as_user "$work/user-$user" "$prefix/bin/keywright-ctl" settings dump
    done
    # User a switches to Chinese and assigns a key; user b sees neither.
    sed -i 's/language="en"/language="cn"/' "$work/user-a/.config/keywright/config.xml"
    check "a assigns F2" as_user "$work/user-a" "$prefix/bin/keywright-ctl" assign F2 --key Escape
    for user in a b; do
        check "dump of $user" as_user "$work/user-$user" "$prefix/bin/keywright-ctl" settings dump
    done
    check "a reads its own Chinese config" grep -q '"chinese": 1' "$work/user-a.out"
    check "b keeps the shipped config" grep -q '"chinese": 0' "$work/user-b.out"
    check "a has its record.xml" [ -f "$work/user-a/.config/keywright/record.xml" ]
    check "b has no record.xml" [ ! -e "$work/user-b/.config/keywright/record.xml" ]
    same "b's config.xml is still the shipped one" "$(cat "$shipped_config")" \
        "$(cat "$work/user-b/.config/keywright/config.xml")"
fi

if want portable; then
    echo "== a portable copy keeps its settings beside itself"
    # A folder name with a blank, as a portable copy may well have.
    portable="$work/portable copy"
    mkdir -p "$portable"
    cp "$prefix/bin/keywright" "$prefix/bin/keywright-ctl" "$portable/"
    cp -r "$prefix/share/keywright/uires" "$portable/"
    home=$work/home-portable
    check "portable keywright --simulate --screenshot" \
        as_user "$home" "$portable/keywright" --simulate --screenshot "$work/portable.png"
    check "portable settings beside the executable" [ -f "$portable/ledeffect.xml" ]
    check "no config.xml made for a portable copy" [ ! -e "$portable/config.xml" ]
    same "nothing in HOME" "" "$(listing "$home")"
    check "portable keywright-ctl settings dump" \
        as_user "$home" "$portable/keywright-ctl" settings dump
    check "keywright-ctl reads the same folder" grep -q '"ledEffectTable"' "$home.out"
    same "still nothing in HOME" "" "$(listing "$home")"
fi

if want dir; then
    echo "== --dir picks the settings folder"
    home=$work/home-dir
    mkdir -p "$work/chosen"
    check "keywright --dir" as_user "$home" "$prefix/bin/keywright" --simulate --dir "$work/chosen" \
        --screenshot "$work/dir.png"
    check "keywright-ctl --dir" as_user "$home" "$prefix/bin/keywright-ctl" --dir "$work/chosen" \
        effect 3 --simulate
    check "settings in the chosen folder" grep -q . "$work/chosen/ledeffect.xml"
    check "no config.xml copied into a chosen folder" [ ! -e "$work/chosen/config.xml" ]
    same "nothing in HOME" "" "$(listing "$home")"
    # --dir needs no home folder.
    check "--dir without HOME" bash -c 'cd "$1" && env -u XDG_CONFIG_HOME HOME= "$2" --dir "$3" settings dump >/dev/null' \
        _ "$work" "$prefix/bin/keywright-ctl" "$work/chosen"
    check "a --dir that is missing is refused" \
        fails as_user "$home" "$prefix/bin/keywright-ctl" --dir "$work/missing" settings dump
fi

if want autostart; then
    echo "== starting with the desktop session"
    home=$work/home-auto
    entry=$home/.config/autostart/keywright.desktop
    ctl() { as_user "$home" "$@" && cat "$home.out"; }
    same "off at first" "off" "$(ctl "$prefix/bin/keywright-ctl" autostart)"
    check "autostart on" ctl "$prefix/bin/keywright-ctl" autostart on >/dev/null
    check "entry written" [ -f "$entry" ]
    check "entry is a valid desktop entry" desktop-file-validate "$entry"
    same "entry starts the installed program hidden" "Exec=$prefix/bin/keywright -hid" \
        "$(grep '^Exec=' "$entry")"
    same "read back" "on" "$(ctl "$prefix/bin/keywright-ctl" autostart)"
    check "autostart off" ctl "$prefix/bin/keywright-ctl" autostart off >/dev/null
    check "entry removed" [ ! -e "$entry" ]
    same "read back" "off" "$(ctl "$prefix/bin/keywright-ctl" autostart)"
    check "off again is no failure" ctl "$prefix/bin/keywright-ctl" autostart off >/dev/null
    check "a wrong word is refused" fails as_user "$home" "$prefix/bin/keywright-ctl" autostart maybe
    same "autostart leaves the settings folder alone" "" "$(listing "$home/.config/keywright")"

    # A program in a folder with a blank: the Exec line quotes it, and the
    # entry still validates.
    if [[ -x "$work/portable copy/keywright-ctl" ]]; then
        check "portable autostart on" ctl "$work/portable copy/keywright-ctl" autostart on >/dev/null
        same "quoted Exec" "Exec=\"$work/portable copy/keywright\" -hid" "$(grep '^Exec=' "$entry")"
        check "quoted entry is valid" desktop-file-validate "$entry"
    fi
fi

if ((failures > 0)); then
    echo "install test: $failures check(s) failed" >&2
    exit 1
fi
echo "install test: all checks passed"
