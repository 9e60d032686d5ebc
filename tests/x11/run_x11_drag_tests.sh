#!/usr/bin/env bash
# Real XDND drags from another process into Tolvane under openbox, driven by
# the X pointer (xdotool), checked on the file system.
#
#   run_x11_drag_tests.sh /path/to/tolvane /path/to/tolvane_dragsource
# Some functions only run through wait_until, which shellcheck cannot see.
# shellcheck disable=SC2317
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$HERE/common.sh" "$@"

SRC=$WORK/src
GBK_NAME=$(printf '\xc4\xe3\xba\xc3')

# make_file PATH MODE MTIME
make_file()
{
    mkdir -p "$(dirname "$1")"
    head -c $((1000 + RANDOM)) /dev/urandom >"$1"
    chmod "$2" "$1"
    touch -m -d "$3" "$1"
}

F_CHINESE="$SRC/中文 名字 1.txt"
F_GBK="$SRC/$GBK_NAME gbk.bin"
F_LONG=$SRC/deep
for _ in 1 2 3 4 5 6; do
    F_LONG+=/$(printf 'level-%.0s' 1 2 3 4 5 6 7)dir
done
F_LONG+="/长 路径.dat"
F_SECOND="$SRC/second 第二.txt"
NOT_A_FILE=$SRC/a-folder
DEST_TYPED=$WORK/dest-typed
DEST_DROPPED="$WORK/目标 文件夹"

make_file "$F_CHINESE" 640 '2020-01-02 03:04:05.123456789'
make_file "$F_GBK" 755 '2019-07-08 09:10:11.987654321'
make_file "$F_LONG" 600 '2018-05-06 07:08:09.000000001'
make_file "$F_SECOND" 644 '2021-12-31 23:59:59.999999999'
mkdir -p "$NOT_A_FILE" "$DEST_TYPED" "$DEST_DROPPED"
if [ "$(printf '%s' "$F_LONG" | wc -c)" -le 300 ]; then
    echo "the long source path is too short: $F_LONG" >&2
    exit 2
fi

gone()
{
    ! kill -0 "$1" 2>/dev/null
}

DRAG_COUNT=0
LAST_SOURCE_PID=""
DROP_RESULT=""

# drag_to X Y PATH...: presses the pointer on a fresh source window offering
# PATHs, carries it to screen point X,Y, hovers, releases; DROP_RESULT is what
# the source was told (copy, ignore, ...).
drag_to()
{
    local tx=$1 ty=$2
    shift 2
    # One source at a time: a lingering one would sit under the pointer.
    [ -n "$LAST_SOURCE_PID" ] && wait_until 10 gone "$LAST_SOURCE_PID"
    DRAG_COUNT=$((DRAG_COUNT + 1))
    local title=tolvane-dragsource-$DRAG_COUNT out=$WORK/drag-$DRAG_COUNT.out
    "$DRAGSOURCE" --pos 150,260 --title "$title" --timeout 30 -- "$@" >"$out" 2>&1 &
    LAST_SOURCE_PID=$!
    EXTRA_PIDS+=("$LAST_SOURCE_PID")
    if ! wait_until 10 find_window "$title" >/dev/null; then
        DROP_RESULT="no source window"
        return 1
    fi
    local sx sy sw sh
    read -r sx sy sw sh <<<"$(win_geometry "$(find_window "$title")")"
    local x=$((sx + sw / 2)) y=$((sy + sh / 2))
    press_and_hover "$x" "$y" "$tx" "$ty"
    xdotool mouseup 1
    wait_until 5 grep -q '^drop:' "$out"
    DROP_RESULT=$(sed -n 's/^drop: //p' "$out")
    [ -n "$DROP_RESULT" ] || DROP_RESULT="nothing reported: $(cat "$out")"
}

# Screen points inside the Tolvane client area.
tolvane_point()
{
    local cx cy
    read -r cx cy _ _ <<<"$(win_geometry "$TOLVANE_WIN")"
    echo $((cx + $1)) $((cy + $2))
}
queue_list_centre()
{
    tolvane_point $((2 + 1 + 415 / 2)) $((53 + 1 + 59 / 2))
}
destination_field_centre()
{
    tolvane_point $((3 + 68 + 315 / 2)) $((3 + 6 + 22 / 2))
}

copied()
{
    local dir=$1 src
    shift
    for src in "$@"; do
        cmp -s "$src" "$dir/${src##*/}" || return 1
    done
}

describe_dir()
{
    echo "contents of $1:"
    ls -la "$1" 2>&1
}

# check_copy LABEL SOURCE DIR: the copy matches in bytes, mtime (ns) and mode.
check_copy()
{
    local label=$1 src=$2 dst=$3/${2##*/}
    if [ ! -e "$dst" ]; then
        not_ok "$label arrived" "$(describe_dir "$3")"
        return
    fi
    if cmp "$src" "$dst" >/dev/null 2>&1; then
        ok "$label: same bytes"
    else
        not_ok "$label: same bytes" "$(cmp "$src" "$dst" 2>&1; ls -l "$src" "$dst")"
    fi
    local format what ts td
    for format in "%y:mtime to the nanosecond" "%a:mode"; do
        what=${format#*:}
        ts=$(stat -c "${format%%:*}" "$src")
        td=$(stat -c "${format%%:*}" "$dst")
        if [ "$ts" = "$td" ]; then
            ok "$label: same $what"
        else
            not_ok "$label: same $what" "source $ts, copy $td"
        fi
    done
}

start_xvfb
start_openbox
start_tolvane

# Files (and a folder, to be passed over) onto the queue, no destination yet.
read -r qx qy <<<"$(queue_list_centre)"
drag_to "$qx" "$qy" "$F_CHINESE" "$F_GBK" "$F_LONG" "$NOT_A_FILE"
if [ "$DROP_RESULT" = copy ]; then
    ok "drop on the queue list is taken as a copy"
else
    not_ok "drop on the queue list is taken as a copy" "source reported: $DROP_RESULT"
fi

# Typing the destination and confirming it starts the queued copies.
read -r ex ey <<<"$(destination_field_centre)"
xdotool mousemove "$ex" "$ey" click 1
sleep 0.2
xdotool key ctrl+a
xdotool type --delay 5 "$DEST_TYPED"
xdotool key Return
if wait_until 15 copied "$DEST_TYPED" "$F_CHINESE" "$F_GBK" "$F_LONG"; then
    ok "queued files are copied once a typed destination is confirmed"
else
    not_ok "queued files are copied once a typed destination is confirmed" \
        "$(describe_dir "$DEST_TYPED")"
fi
check_copy "chinese name with spaces" "$F_CHINESE" "$DEST_TYPED"
check_copy "GBK-byte name" "$F_GBK" "$DEST_TYPED"
check_copy "file under a $(printf '%s' "$F_LONG" | wc -c)-byte path" "$F_LONG" "$DEST_TYPED"
# Exactly the three files: no folder, no temp file left behind.
entries=$(find "$DEST_TYPED" -mindepth 1 | wc -l)
if [ "$entries" -eq 3 ]; then
    ok "destination holds only the three files (folder passed over, no temp files)"
else
    not_ok "destination holds only the three files (folder passed over, no temp files)" \
        "$(describe_dir "$DEST_TYPED")"
fi

# A folder dropped on the destination row becomes the destination.
drag_to "$ex" "$ey" "$DEST_DROPPED"
if [ "$DROP_RESULT" = copy ]; then
    ok "folder drop on the destination row is taken as a copy"
else
    not_ok "folder drop on the destination row is taken as a copy" "source reported: $DROP_RESULT"
fi
drag_to "$qx" "$qy" "$F_SECOND"
if wait_until 15 copied "$DEST_DROPPED" "$F_SECOND"; then
    ok "files dropped next go to the folder dropped on the destination row"
    check_copy "file copied into the dropped folder" "$F_SECOND" "$DEST_DROPPED"
else
    not_ok "files dropped next go to the folder dropped on the destination row" \
        "drop on the list reported: $DROP_RESULT
$(describe_dir "$DEST_DROPPED")
$(describe_dir "$DEST_TYPED")"
fi

title=$(xprop -id "$TOLVANE_WIN" WM_NAME)
if [ "$title" = 'WM_NAME(STRING) = "Tolvane"' ]; then
    ok "window title still Tolvane after the drops"
else
    not_ok "window title still Tolvane after the drops" "$title"
fi

finish
