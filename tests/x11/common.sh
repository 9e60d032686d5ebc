# shellcheck shell=bash disable=SC2034
# Shared by the X11 test scripts: a private Xvfb, the Tolvane process, an
# optional window manager, and one "ok"/"not ok" line per check.
#
# Usage from a script: source common.sh "$@"   (args: tolvane dragsource)

if [ $# -lt 2 ] || [ ! -x "$1" ] || [ ! -x "$2" ]; then
    echo "usage: $0 /path/to/tolvane /path/to/tolvane_dragsource" >&2
    exit 2
fi
# 77 tells ctest the run was skipped, not failed.
for tool in Xvfb xdotool xprop xwininfo openbox; do
    command -v "$tool" >/dev/null || {
        echo "$tool is missing; run tools/deps.sh" >&2
        exit 77
    }
done

TOLVANE=$(realpath "$1")
DRAGSOURCE=$(realpath "$2")
# Screenshots of failures land where ctest runs us.
LOGDIR=$PWD
WORK=$(mktemp -d /tmp/tolvane-x11.XXXXXX)
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# Qt must talk to the X server, not render offscreen.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export LC_ALL=C.UTF-8

FAILURES=0
XVFB_PID=""
WM_PID=""
TOLVANE_PID=""
EXTRA_PIDS=()

stop_pid()
{
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

cleanup()
{
    local pid
    for pid in "${EXTRA_PIDS[@]}"; do
        stop_pid "$pid"
    done
    stop_pid "$TOLVANE_PID"
    stop_pid "$WM_PID"
    stop_pid "$XVFB_PID"
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s; a COMMAND that
# returns 99 knows it will never succeed and ends the wait.
wait_until()
{
    local limit=$(($1 * 10))
    shift
    local i rc
    for ((i = 0; i < limit; i++)); do
        "$@"
        rc=$?
        [ $rc -eq 0 ] && return 0
        [ $rc -eq 99 ] && return 1
        sleep 0.1
    done
    "$@"
}

slug()
{
    printf '%s' "$1" | tr -c 'A-Za-z0-9' '-' | tr -s '-' | cut -c1-60
}

screenshot()
{
    local file
    file=$LOGDIR/x11-failure-$(slug "$1").png
    if command -v import >/dev/null && import -window root "$file" 2>/dev/null; then
        echo "#   screenshot: $file"
    fi
}

ok()
{
    echo "ok - $1"
}

# not_ok DESCRIPTION WHAT-WAS-SEEN
not_ok()
{
    echo "not ok - $1"
    printf '%s\n' "$2" | sed 's/^/#   saw: /'
    screenshot "$1"
    FAILURES=$((FAILURES + 1))
}

# A check that fails for a known, not yet finished feature: reported, not counted.
todo()
{
    local desc=$1 saw=$2 reason=$3
    echo "not ok - $desc # TODO $reason"
    printf '%s\n' "$saw" | sed 's/^/#   saw: /'
    screenshot "$desc"
}

finish()
{
    if [ "$FAILURES" -gt 0 ]; then
        echo "# $FAILURES check(s) failed"
        exit 1
    fi
    echo "# all checks passed"
    exit 0
}

start_xvfb()
{
    # -displayfd lets the server pick a free display number itself.
    local fdfile=$WORK/display
    : >"$fdfile"
    exec 9>"$fdfile"
    # -noreset: a server reset between two clients would refuse the next one.
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 9>&-
    if ! wait_until 10 grep -q '[0-9]' "$fdfile"; then
        echo "Xvfb did not start:" >&2
        cat "$WORK/xvfb.log" >&2
        exit 1
    fi
    DISPLAY=:$(tr -dc '0-9' <"$fdfile")
    export DISPLAY
    wait_until 10 xprop -root _NET_SUPPORTED >/dev/null 2>&1 || true
    echo "# Xvfb on $DISPLAY"
}

wm_running()
{
    kill -0 "$WM_PID" 2>/dev/null || return 99
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start_openbox()
{
    openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    if ! wait_until 10 wm_running; then
        echo "openbox did not start:" >&2
        cat "$WORK/openbox.log" >&2
        exit 1
    fi
}

stop_openbox()
{
    stop_pid "$WM_PID"
    WM_PID=""
    # The supporting-WM property stays behind; drop it so checks see no manager.
    xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
}

# The mapped top-level whose title is exactly TITLE (xdotool matches regexes
# without case, so Qt's hidden "tolvane" leader window would match too).
# xdotool's search gives up silently when another window goes away meanwhile,
# so it is retried; an empty id must never reach xwininfo or import, which
# would then wait for a mouse click.
find_window()
{
    local title=$1 id attempt
    for attempt in 1 2 3 4 5; do
        for id in $(xdotool search --name "^${title}\$" 2>/dev/null); do
            [ -n "$id" ] || continue
            xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
            [ "$(xprop -id "$id" WM_NAME 2>/dev/null)" = "WM_NAME(STRING) = \"$title\"" ] ||
                [ "$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)" = "_NET_WM_NAME(UTF8_STRING) = \"$title\"" ] ||
                continue
            echo "$id"
            return 0
        done
        sleep 0.1
    done
    return 1
}

# press_and_hover X Y TX TY: presses at (X,Y), moves off a few pixels as a
# hand would, goes over (TX,TY) and hovers there; the caller releases.
press_and_hover()
{
    local x=$1 y=$2 tx=$3 ty=$4 step
    xdotool mousemove "$x" "$y"
    sleep 0.1
    xdotool mousedown 1
    for step in 4 8 12 16 20; do
        xdotool mousemove $((x + step)) "$y"
        sleep 0.03
    done
    xdotool mousemove $(((x + tx) / 2)) $(((y + ty) / 2))
    sleep 0.05
    # The source releases onto nothing unless the target has answered a few
    # position messages first.
    for step in 0 1 2 3 2 1; do
        xdotool mousemove $((tx + step)) "$ty"
        sleep 0.1
    done
}

tolvane_window_up()
{
    kill -0 "$TOLVANE_PID" 2>/dev/null || return 99
    find_window Tolvane >/dev/null
}

start_tolvane()
{
    "$TOLVANE" >"$WORK/tolvane.log" 2>&1 &
    TOLVANE_PID=$!
    if ! wait_until 10 tolvane_window_up; then
        echo "no Tolvane window appeared; tolvane log:" >&2
        cat "$WORK/tolvane.log" >&2
        exit 1
    fi
    TOLVANE_WIN=$(find_window Tolvane) || true
    if [ -z "$TOLVANE_WIN" ]; then
        echo "the Tolvane window vanished right after it appeared" >&2
        exit 1
    fi
}

stop_tolvane()
{
    stop_pid "$TOLVANE_PID"
    TOLVANE_PID=""
}

# win_geometry ID: prints "X Y WIDTH HEIGHT" of the client area on the screen.
win_geometry()
{
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $4 }
        /Absolute upper-left Y:/ { y = $4 }
        /^ *Width:/ { w = $2 }
        /^ *Height:/ { h = $2 }
        END { print x, y, w, h }'
}

# stacking_index ID: position of ID in the manager's bottom-to-top list, or -1.
stacking_index()
{
    local list
    list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*#//' | tr ',' '\n')
    local i=0 w
    for w in $list; do
        if [ $((w)) -eq $(($1)) ]; then
            echo "$i"
            return
        fi
        i=$((i + 1))
    done
    echo -1
}
