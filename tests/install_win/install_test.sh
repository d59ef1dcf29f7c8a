#!/usr/bin/env bash
# install_test.sh <installer> <portable zip> <version> <work folder>
#
# Runs the installer, the installed program, the uninstaller and the portable
# copy under Wine in a Wine prefix of its own (so that nothing it installs
# reaches the other tests' prefix), on the caller's X display. Prints one line
# per check and "N passed, N failed" at the end; exits non-zero on a failure.
#
# Root may write anywhere, so the whole run gives up the capabilities that
# override file permissions (Wine's server included, as it starts from here):
# a folder without write permission is then read-only to Wine as it would be
# to a standard user on Windows.
set -uo pipefail

if [ "$(id -u)" = 0 ] && [ -z "${QM_INSTALL_TEST_DROPPED:-}" ]; then
    export QM_INSTALL_TEST_DROPPED=1
    exec setpriv --bounding-set=-dac_override,-dac_read_search -- bash "$0" "$@"
fi

installer=$1
zip=$2
version=$3
work=$4

if [ -z "${DISPLAY:-}" ]; then
    echo "install_test: DISPLAY is not set; run it through scripts/test" >&2
    exit 2
fi

passed=0
failed=0
not() { ! "$@"; }
check() {  # check <description> <command...>
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}

wine_bin=wine
if [ -x /usr/lib/wine/wine64 ]; then wine_bin=/usr/lib/wine/wine64; fi
export LC_ALL=C.UTF-8
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko, and no menu entries of the Linux desktop for our shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
w() { "$wine_bin" "$@"; }

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wineserver -k >/dev/null 2>&1
    chmod -R u+w "$work" 2>/dev/null
}
trap cleanup EXIT

chmod -R u+w "$work" 2>/dev/null
rm -rf "$work"
mkdir -p "$work"
cp "$installer" "$work/setup.exe"
w wineboot --init >/dev/null 2>&1
wineserver -w

drive_c="$WINEPREFIX/drive_c"
user_dir="$drive_c/users/$(id -un)"
local_app="$user_dir/AppData/Local"
start_menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor'
settings_key='HKCU\Software\Quillmoor'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# The install folder: blanks, Latin letters with accents and a Greek one.
win_dir='C:\Programmé Tëst\Quill Moor Ωmega'
unix_dir="$drive_c/Programmé Tëst/Quill Moor Ωmega"
# /D= must come last and is taken to the end of the command line, unquoted:
# its words are passed one by one so that Wine adds no quotes.
read -r -a dir_words <<<"$win_dir"

# reg_value <key> <name>: the data of a value as exported (text without its
# quotes, "dword:0000004d" for a number); fails when there is none. Exported
# to a file, which Wine writes in UTF-16, so that no console code page
# stands between the registry and the test.
reg_value() {
    local file="$work/export.reg"
    rm -f "$file"
    w reg export "$1" 'Z:'"${file//\//\\}" /y >/dev/null 2>&1 || return 1
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' |
        awk -v name="\"$2\"" 'index($0, name "=") == 1 {
            v = substr($0, length(name) + 2)
            if (v ~ /^".*"$/) { v = substr(v, 2, length(v) - 2); gsub(/\\\\/, "\\", v); gsub(/\\"/, "\"", v) }
            print v; found = 1 }
            END { exit !found }'
}
reg_key_exists() { w reg query "$1" >/dev/null 2>&1; }

# wait_until <seconds> <command...>
wait_until() {
    local limit=$(($1 * 10))
    shift
    local i
    for ((i = 0; i < limit; i++)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}
gone() { [ ! -e "$1" ]; }

# start_program <windows path>: starts it in the background, sets $program_pid.
start_program() {
    w "$1" </dev/null >/dev/null 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}
# A second start ends at once (code 0) while an instance runs.
second_instance_ends() {
    w "$1" </dev/null >/dev/null 2>&1 &
    local pid=$!
    if wait_until 20 gone "/proc/$pid"; then
        wait "$pid"
        return $?
    fi
    kill "$pid" 2>/dev/null
    return 1
}
# Asks the program to end as the installer and the system's task list do: a
# close request to its windows. Then waits for the process.
# Asked again every two seconds: a program still starting has no window yet.
end_program() {
    local try
    for try in 1 2 3 4 5 6 7 8 9 10; do
        w taskkill /im Quillmoor.exe >/dev/null 2>&1
        if wait_until 2 gone "/proc/$1"; then
            wait "$1"
            return $?
        fi
    done
    return 1
}
files_equal() { cmp -s "$1" "$2"; }
versioned() {  # the UTF-16 strings of a version resource, read without their zeros
    tr -d '\000' <"$1" | grep -a -F "$2" >/dev/null
}

host_file=www.example.com.Dat
printf 'http://www.example.com/index.htm\r\n-\r\n0 http://ads.example.com/b.swf EMBED 1000000000 1000000000 57 0 1\r\n-\r\n<embed src=\\"b.swf\\">\\r\\n\\\\\r\n' \
    >"$work/filters.Dat"

echo "== silent installation into '$win_dir'"
w "$work/setup.exe" /S "/D=${dir_words[0]}" "${dir_words[@]:1}" </dev/null >/dev/null 2>&1
check "silent installation ends with code 0" [ $? -eq 0 ]
for f in Quillmoor.exe Quillmoor.Dll licence.txt Help/help.htm Uninstall.exe; do
    check "installed $f" [ -f "$unix_dir/$f" ]
done
check "Start-menu shortcut" [ -f "$start_menu/Quill Moor.lnk" ]
check "installed-programs entry names the program" \
    [ "$(reg_value "$uninstall_key" DisplayName)" = "Quill Moor" ]
check "installed-programs entry has version $version" \
    [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ]
check "installed-programs entry has a publisher" \
    [ "$(reg_value "$uninstall_key" Publisher)" = "Quillmoor" ]
check "installed-programs entry has the folder" \
    [ "$(reg_value "$uninstall_key" InstallLocation)" = "$win_dir" ]
check "installed-programs entry names the uninstaller" \
    [ "$(reg_value "$uninstall_key" UninstallString)" = "\"$win_dir\\Uninstall.exe\"" ]
size=$(reg_value "$uninstall_key" EstimatedSize)
size=${size#dword:}
check "installed-programs entry has a size (${size:-none} KB)" [ "$((16#${size:-0}))" -gt 100 ]
check "no start-up entry unless asked" not reg_value "$run_key" Quillmoor
for f in Quillmoor.exe Quillmoor.Dll; do
    check "$f: version resource, product and version $version" \
        versioned "$unix_dir/$f" "ProductNameQuill Moor"
    check "$f: file version $version" versioned "$unix_dir/$f" "FileVersion$version"
    check "$f: original file name" versioned "$unix_dir/$f" "OriginalFilename$f"
done
check "no settings of ours before the program ran" not reg_key_exists "$settings_key"

echo "== the installed program"
w reg add "$settings_key" /v bAutoDeleteHistory /t REG_DWORD /d 0 /f >/dev/null 2>&1
w reg add "$settings_key" /v nExpireDays /t REG_DWORD /d 77 /f >/dev/null 2>&1
w reg add "$run_key" /v Quillmoor /d "\"$win_dir\\Quillmoor.exe\"" /f >/dev/null 2>&1
start_program "$win_dir\\Quillmoor.exe"
first_pid=$program_pid
check "creates its Data folder beside the program (a writable folder)" \
    wait_until 30 test -d "$unix_dir/Data"
check "keeps nothing under local application data" [ ! -e "$local_app/Quillmoor" ]
check "a second start ends at once" second_instance_ends "$win_dir\\Quillmoor.exe"
check "the first instance still runs" [ -e "/proc/$first_pid" ]
cp "$work/filters.Dat" "$unix_dir/Data/$host_file"
cp "$work/filters.Dat" "$work/filters.before"

echo "== bad input: an install folder without write access"
mkdir -p "$drive_c/Locked Folder"
chmod 555 "$drive_c/Locked Folder"
w "$work/setup.exe" /S '/D=C:\Locked' 'Folder\Quillmoor' </dev/null >/dev/null 2>&1
code=$?
check "refused with an error code ($code)" [ "$code" -ne 0 ]
check "nothing written there" [ -z "$(ls -A "$drive_c/Locked Folder")" ]
check "the installed entry is unchanged" \
    [ "$(reg_value "$uninstall_key" InstallLocation)" = "$win_dir" ]
check "the running instance was left alone" [ -e "/proc/$first_pid" ]
chmod 755 "$drive_c/Locked Folder"

echo "== upgrade over the running instance, with a damaged installation"
rm -f "$unix_dir/licence.txt" "$unix_dir/Help/help.htm"
: >"$unix_dir/Uninstall.exe"
w "$work/setup.exe" /S "/D=${dir_words[0]}" "${dir_words[@]:1}" </dev/null >/dev/null 2>&1
check "upgrade ends with code 0" [ $? -eq 0 ]
check "the running instance was asked to end and ended" wait_until 5 gone "/proc/$first_pid"
wait "$first_pid"
check "it ended cleanly (code 0)" [ $? -eq 0 ]
repaired() {
    [ -f "$unix_dir/licence.txt" ] && [ -f "$unix_dir/Help/help.htm" ] && [ -s "$unix_dir/Uninstall.exe" ]
}
check "the damaged files are back" repaired
check "the program was started again" wait_until 20 second_instance_ends "$win_dir\\Quillmoor.exe"
check "the filters are kept byte for byte" files_equal "$unix_dir/Data/$host_file" "$work/filters.before"
check "the settings are kept" [ "$(reg_value "$settings_key" nExpireDays)" = "dword:0000004d" ]

echo "== silent removal"
other_run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
w reg add "$other_run_key" /v Quillmoor /d '"D:\Other copy\Quillmoor.exe"' /f >/dev/null 2>&1
w "$win_dir\\Uninstall.exe" /S </dev/null >/dev/null 2>&1
removed() { [ ! -e "$unix_dir/Uninstall.exe" ] && ! reg_key_exists "$uninstall_key"; }
check "removal finishes" wait_until 60 removed
sleep 1
for f in Quillmoor.exe Quillmoor.Dll licence.txt Help Uninstall.exe; do
    check "removed $f" [ ! -e "$unix_dir/$f" ]
done
check "removed the shortcut" [ ! -e "$start_menu/Quill Moor.lnk" ]
check "removed the installed-programs entry" not reg_key_exists "$uninstall_key"
check "removed the start-up entry" not reg_value "$run_key" Quillmoor
check "kept another copy's start-up entry" \
    [ "$(reg_value "$other_run_key" Quillmoor)" = '"D:\Other copy\Quillmoor.exe"' ]
w reg delete "$other_run_key" /v Quillmoor /f >/dev/null 2>&1
check "kept the filters byte for byte" files_equal "$unix_dir/Data/$host_file" "$work/filters.before"
check "kept the folder with only the filters" [ "$(ls -A "$unix_dir")" = "Data" ]
check "kept the settings" [ "$(reg_value "$settings_key" nExpireDays)" = "dword:0000004d" ]

echo "== installation for every user (/AllUsers)"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor'
all_programs="$drive_c/Program Files/Quillmoor"
all_start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
machine_run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
w "$work/setup.exe" /S /AllUsers /AutoStart </dev/null >/dev/null 2>&1
check "ends with code 0" [ $? -eq 0 ]
check "start-up entry for every user, as asked (/AutoStart)" \
    [ "$(reg_value "$machine_run_key" Quillmoor)" = '"C:\Program Files\Quillmoor\Quillmoor.exe"' ]
check "installs under Program Files" [ -f "$all_programs/Quillmoor.exe" ]
check "entry in the machine's installed-programs list" \
    [ "$(reg_value "$machine_key" InstallLocation)" = 'C:\Program Files\Quillmoor' ]
check "shortcut for every user" [ -f "$all_start_menu/Quill Moor.lnk" ]
check "no per-user entry" not reg_key_exists "$uninstall_key"
w 'C:\Program Files\Quillmoor\Uninstall.exe' /S </dev/null >/dev/null 2>&1
machine_removed() { [ ! -e "$all_programs" ] && ! reg_key_exists "$machine_key"; }
check "removal for every user finishes and leaves no folder" wait_until 60 machine_removed
check "and no shortcut" [ ! -e "$all_start_menu/Quill Moor.lnk" ]
check "and no start-up entry" not reg_value "$machine_run_key" Quillmoor

echo "== the portable zip"
stick="$drive_c/USB Stick é"
mkdir -p "$stick"
check "unzips" unzip -q "$zip" -d "$stick"
for f in Quillmoor.exe Quillmoor.Dll licence.txt Help/help.htm; do
    check "zip holds $f" [ -f "$stick/Quillmoor/$f" ]
done
start_program 'C:\USB Stick é\Quillmoor\Quillmoor.exe'
check "runs from a writable folder and keeps Data beside itself" \
    wait_until 30 test -d "$stick/Quillmoor/Data"
check "ends when asked (code 0)" end_program "$program_pid"

echo "== bad input: a file named Data beside the program"
rm -rf "$stick/Quillmoor/Data"
cp "$work/filters.Dat" "$stick/Quillmoor/Data"
mkdir -p "$local_app/Quillmoor/Data"
: >"$local_app/Quillmoor/Data/start.0001.udo"
start_program 'C:\USB Stick é\Quillmoor\Quillmoor.exe'
check "uses Quillmoor\\Data under local application data instead" \
    wait_until 30 gone "$local_app/Quillmoor/Data/start.0001.udo"
check "the file named Data is untouched" files_equal "$stick/Quillmoor/Data" "$work/filters.Dat"
check "ends when asked, message shown or not (code 0)" end_program "$program_pid"

echo "== bad input: a read-only program folder"
rm -f "$stick/Quillmoor/Data"
mkdir "$stick/Quillmoor/Data"
cp "$work/filters.Dat" "$stick/Quillmoor/Data/$host_file"
chmod 555 "$stick/Quillmoor/Data" "$stick/Quillmoor"
: >"$local_app/Quillmoor/Data/start.0002.udo"
start_program 'C:\USB Stick é\Quillmoor\Quillmoor.exe'
check "uses the per-user folder when Data beside cannot be written" \
    wait_until 30 gone "$local_app/Quillmoor/Data/start.0002.udo"
check "the filters beside the program stay as they were" \
    files_equal "$stick/Quillmoor/Data/$host_file" "$work/filters.Dat"
check "nothing was moved into the per-user folder" [ ! -e "$local_app/Quillmoor/Data/$host_file" ]
check "ends when asked (code 0)" end_program "$program_pid"
chmod 755 "$stick/Quillmoor/Data" "$stick/Quillmoor"
rm -rf "$stick/Quillmoor/Data"
chmod 555 "$stick/Quillmoor"
: >"$local_app/Quillmoor/Data/start.0003.udo"
start_program 'C:\USB Stick é\Quillmoor\Quillmoor.exe'
check "a read-only program folder without Data: the per-user folder" \
    wait_until 30 gone "$local_app/Quillmoor/Data/start.0003.udo"
check "and no Data beside the program" [ ! -e "$stick/Quillmoor/Data" ]
check "ends when asked (code 0)" end_program "$program_pid"
chmod 755 "$stick/Quillmoor"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
