# The scenarios' helpers: a fresh Wine prefix each, and the real installer run through the probe.
# Needs: WINEPREFIX (the prepared prefix), WINE_LOADER, OCX_SETUP_EXE, OCX_TEST_BIN.
set -Eeuo pipefail
export LC_ALL=C.UTF-8
source "$(dirname "${BASH_SOURCE[0]}")/../checks.sh"

template=$WINEPREFIX
work=$(mktemp -d "${TMPDIR:-/tmp}/ocx-e2e.XXXXXX")
controls=$OCX_TEST_BIN/controls
class_key='HKLM\Software\Classes\CLSID\{6D6F7276-616E-7465-6C00-000000000001}\InprocServer32'

trap 'wineserver -k </dev/null >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
# A command that fails outside a check ends the scenario (-eE): say where, or it ends silently.
stopped() { # status, file, line, function, command
    [[ $- == *e* ]] || return 0
    echo "scenario stopped at ${2##*/} line $3${4:+ in $4}: $5 (status $1)" >&2
}
trap 'stopped $? "${BASH_SOURCE[0]}" "$LINENO" "${FUNCNAME[0]:-}" "$BASH_COMMAND"' ERR

# A prefix of the scenario's own: hard links to the prepared one, which nothing writes in place,
# but the registry is copied: a hive saved while linked comes out cut short (cmd finds no attrib).
fresh_prefix() {
    if [ -e "$template/drive_c/windows/system32/morvantel.ocx" ] ||
        grep -q '6D6F7276-616E-7465-6C00' "$template/system.reg"; then
        echo "the prepared prefix holds a test control already: $template" >&2
        exit 1
    fi
    mkdir "$work/prefix"
    (
        shopt -s dotglob
        for entry in "$template"/*; do
            case $entry in
            *.reg) cp "$entry" "$work/prefix/" ;;
            *.tmp) ;; # a hive that the prepared prefix's server is saving
            *) cp -al "$entry" "$work/prefix/" ;;
            esac
        done
    )
    export WINEPREFIX=$work/prefix
    system32=$WINEPREFIX/drive_c/windows/system32
    export OCX_TEST_LOG='C:\ocx-calls.log'
    calls_log=$WINEPREFIX/drive_c/ocx-calls.log
    # Detached from the test's output, which a lingering server would hold open. A crash ends its
    # program at once, where Wine's debugger would show a dialog and wait.
    wineserver -p </dev/null >/dev/null 2>&1
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1
}

# A download folder holding the installer, the uninstaller and, if a build is named, that test
# control.
download_folder() { # name [control build]
    local folder=$WINEPREFIX/drive_c/users/Public/Downloads/$1
    mkdir -p "$folder"
    cp "$OCX_SETUP_EXE" "$folder/ocxsetup.exe"
    cp "$OCX_REMOVE_EXE" "$folder/ocxremove.exe"
    [ -z "${2:-}" ] || cp "$controls/$2/morvantel.ocx" "$folder/morvantel.ocx"
    echo "$folder"
}

# The test control's settings (OCX_TEST_* of the caller's environment) go into the machine's
# environment, which is all that regsvr32 gets; those named in $user_only stay the user's alone.
machine_settings() {
    local file name key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager'
    file=$(mktemp "$work/settings.XXXXXX.reg")
    {
        printf 'REGEDIT4\r\n\r\n[%s\\Environment]\r\n' "$key"
        for name in OCX_TEST_LOG OCX_TEST_REGISTER_DELAY_MS OCX_TEST_UNRULY OCX_TEST_CRASH_BUILD \
            OCX_TEST_UNREGISTER_FAILS; do
            if [ -n "${!name+set}" ] && [[ " ${user_only:-} " != *" $name "* ]]; then
                printf '"%s"="%s"\r\n' "$name" "${!name//\\/\\\\}"
            else
                printf '"%s"=-\r\n' "$name"
            fi
        done
    } >"$file"
    "$WINE_LOADER" regedit /s "Z:${file//\//\\}" </dev/null >/dev/null 2>&1
}

# Runs the installer in the folder, as a double-click would, through the probe; report in $report,
# a file of the run's own, so that runs may go side by side.
run_installer() { # folder [probe option] [program, ocxsetup.exe unless named]
    machine_settings
    report=$(mktemp "$work/report.XXXXXX")
    # Wine's own errors, if any, go with the scenario's output: they explain a run gone wrong.
    (cd "$1" && WINEDEBUG=-all,err+all "$WINE_LOADER" "$OCX_TEST_BIN/e2e_probe.exe" ${2:-} \
        "${3:-ocxsetup.exe}" </dev/null | stdbuf -oL tr -d "\r" >"$report")
    sed 's/^/  | /' "$report"
}

# A check that waits up to 30 seconds for its command, which runs again and again, to succeed.
await() {
    for _ in $(seq 300); do
        "${@:2}" 2>/dev/null && break
        sleep 0.1
    done
    check "$@"
}

# Installs the old build, as a working copy to be replaced.
install_old() { # [probe option]
    run_installer "$(download_folder old-release old)" "${1:-}"
    check "the old build installs" reported "exit 0"
}

# Keeps a DLL loaded by another program until let_go; with --open, the file open, its deletion
# not shared.
keep_loaded() { # [--open] windows-path
    "$WINE_LOADER" "$OCX_TEST_BIN/dll_holder.exe" "$@" </dev/null >/dev/null 2>&1 &
    holder=$!
    await "the DLL is loaded" test -e "$WINEPREFIX/drive_c/holder-ready"
}
let_go() {
    touch "$WINEPREFIX/drive_c/holder-release"
    wait "$holder" || true
}

# A restart of the machine (by the loader named, if any): every program ends, the queue is done.
restart() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    "${1:-$WINE_LOADER}" wineboot -r </dev/null >/dev/null 2>&1
}

restart_queue() {
    "$WINE_LOADER" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
        /v PendingFileRenameOperations </dev/null 2>/dev/null
}
tool_calls() { [ -f "$calls_log" ] && tr -d '\r' <"$calls_log" | cut -d' ' -f1,2 || true; }

# The last run's status; the build in the system folder and registry (/reg:32); the tool's calls.
ended() { check "exit status $1" reported "exit $1"; }
in_place() { # build [reg option]
    check "the system folder holds the $1 build" \
        same_file "$controls/$1/morvantel.ocx" "$system32/morvantel.ocx"
    local registered
    registered=$("$WINE_LOADER" reg query "$class_key" /v Build ${2:-} </dev/null 2>/dev/null |
        tr -d '\r' | awk '$1 == "Build" { print $3 }')
    check "the registry names the $1 build" equals "$registered" "$1"
}
# Neither the file nor the class is left.
not_installed() {
    check "no morvantel.ocx in the system folder" test ! -e "$system32/morvantel.ocx"
    check "its class is gone" fails "$WINE_LOADER" reg query "$class_key" </dev/null >/dev/null 2>&1
}
tool_calls_were() { check "tool calls: $1" equals "$(tool_calls | tr '\n' ,)" "$1"; }

# Sets a file's attributes with Wine's attrib: attrib +h 'C:\path'.
attrib() { "$WINE_LOADER" cmd /c attrib "$@" </dev/null >/dev/null 2>&1; }

reported() { grep -qxF "$1" "$report"; }
lacks() { ! grep -qE "$1" "$report"; } # no line of the report matches the pattern
messages() { grep -c '^message ' "$report" || true; }
same_file() { cmp -s "$1" "$2"; }
equals() { [ "$1" = "$2" ]; }
fails() { ! "$@"; }

# A folder's names, sizes and times (not link counts: other prefixes share the files).
listing() { find "$1" -maxdepth 1 -printf '%f %s %T@\n' | sort | sha256sum; }

# The command lines of the processes that run in the scenario's prefix.
prefix_processes() {
    local process
    for process in /proc/[0-9]*; do
        if { tr '\0' '\n' <"$process/environ"; } 2>/dev/null |
            grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            { tr '\0' ' ' <"$process/cmdline"; } 2>/dev/null && echo
        fi
    done
}

temp_files() { find "$system32" -maxdepth 1 -iname 'morvantel.ocx?*' -printf '%f\n'; }

finish() {
    check "no temporary file left" equals "$(temp_files)" ""
    check "no run ever showed the window titled Main" \
        bash -c "! grep -qx 'main-visible yes' '$work'/report.* 2>/dev/null"
    check "every box of the installer had a taskbar button" \
        bash -c "! grep -qx 'boxes-findable no' '$work'/report.* 2>/dev/null"
    end_checks
}
