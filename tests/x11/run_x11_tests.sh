#!/usr/bin/env bash
# The Tolvane window as an X client sees it, checked from outside with
# xprop/xwininfo/xdotool: first on a bare X server, then under openbox.
#
#   run_x11_tests.sh /path/to/tolvane /path/to/tolvane_dragsource
# Some functions only run through wait_until, which shellcheck cannot see.
# shellcheck disable=SC2317
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=common.sh
source "$HERE/common.sh" "$@"

# Motif hint bits (MwmUtil.h).
MWM_HINTS_FUNCTIONS=1
MWM_HINTS_DECORATIONS=2
MWM_FUNC_ALL=1
MWM_FUNC_MINIMIZE=8
MWM_FUNC_MAXIMIZE=16
MWM_DECOR_ALL=1
MWM_DECOR_MINIMIZE=32
MWM_DECOR_MAXIMIZE=64

# offered FIELD-PRESENT VALUE ALL-BIT BIT: with the ALL bit the others subtract.
offered()
{
    local present=$1 value=$2 all=$3 bit=$4
    if [ "$present" -eq 0 ]; then
        echo yes # no field: the manager's default, everything
    elif (((value & all) != 0)); then
        (((value & bit) == 0)) && echo yes || echo no
    else
        (((value & bit) != 0)) && echo yes || echo no
    fi
}

is_active()
{
    local active
    active=$(xprop -root _NET_ACTIVE_WINDOW | sed 's/.*# //')
    [ $((active)) -eq $(($1)) ]
}

# size_is_not ID "W H"
size_is_not()
{
    local g
    g=$(win_geometry "$1")
    [ "${g#* * }" != "$2" ]
}

check_window()
{
    local mode=$1 win=$TOLVANE_WIN

    local names
    names=$(xprop -id "$win" WM_NAME _NET_WM_NAME)
    if grep -qx 'WM_NAME(STRING) = "Tolvane"' <<<"$names" &&
        grep -qx '_NET_WM_NAME(UTF8_STRING) = "Tolvane"' <<<"$names"; then
        ok "$mode: window title is Tolvane"
    else
        not_ok "$mode: window title is Tolvane" "$names"
    fi

    local width height
    read -r _ _ width height <<<"$(win_geometry "$win")"
    if [ "$width" = 432 ] && [ "$height" = 149 ]; then
        ok "$mode: client area is 432x149"
    else
        not_ok "$mode: client area is 432x149" "${width}x${height}"
    fi

    local hints
    hints=$(xprop -id "$win" WM_NORMAL_HINTS)
    if grep -q 'minimum size: 432 by 149' <<<"$hints" &&
        grep -q 'maximum size: 432 by 149' <<<"$hints"; then
        ok "$mode: WM_NORMAL_HINTS fix the size at 432x149"
    else
        not_ok "$mode: WM_NORMAL_HINTS fix the size at 432x149" "$hints"
    fi

    local motif flags functions decorations
    motif=$(xprop -id "$win" _MOTIF_WM_HINTS)
    if [[ $motif =~ =\ *([0-9xa-fA-F]+),\ *([0-9xa-fA-F]+),\ *([0-9xa-fA-F]+) ]]; then
        flags=$((BASH_REMATCH[1]))
        functions=$((BASH_REMATCH[2]))
        decorations=$((BASH_REMATCH[3]))
        local hasf=$((flags & MWM_HINTS_FUNCTIONS)) hasd=$((flags & MWM_HINTS_DECORATIONS))
        local fmin fmax dmin dmax
        fmin=$(offered $hasf $functions $MWM_FUNC_ALL $MWM_FUNC_MINIMIZE)
        fmax=$(offered $hasf $functions $MWM_FUNC_ALL $MWM_FUNC_MAXIMIZE)
        dmin=$(offered $hasd $decorations $MWM_DECOR_ALL $MWM_DECOR_MINIMIZE)
        dmax=$(offered $hasd $decorations $MWM_DECOR_ALL $MWM_DECOR_MAXIMIZE)
        local decoded="flags=$flags functions=$functions decorations=$decorations:"
        decoded+=" minimize function=$fmin maximize function=$fmax"
        decoded+=" minimize button=$dmin maximize button=$dmax"
        if [ "$fmin$fmax$dmin$dmax" = nononono ]; then
            ok "$mode: _MOTIF_WM_HINTS offer no minimize/maximize"
        else
            not_ok "$mode: _MOTIF_WM_HINTS offer no minimize/maximize" "$motif -> $decoded"
        fi
    else
        not_ok "$mode: _MOTIF_WM_HINTS offer no minimize/maximize" "$motif"
    fi

    # Qt writes the state onto the window before mapping it, so it is there to
    # read with or without a manager; a manager rewrites it with what it grants.
    local state
    state=$(xprop -id "$win" _NET_WM_STATE)
    if grep -qw '_NET_WM_STATE_ABOVE' <<<"$state"; then
        ok "$mode: _NET_WM_STATE holds _NET_WM_STATE_ABOVE"
    else
        not_ok "$mode: _NET_WM_STATE holds _NET_WM_STATE_ABOVE" "$state"
    fi
}

check_managed()
{
    local mode=openbox win=$TOLVANE_WIN

    # What the manager made of the hints. openbox keeps minimize whatever
    # the hints say, so only resize and maximize are asked of it.
    local actions
    actions=$(xprop -id "$win" _NET_WM_ALLOWED_ACTIONS)
    if grep -q '_NET_WM_ACTION_ABOVE' <<<"$actions" &&
        ! grep -qE '_NET_WM_ACTION_(RESIZE|MAXIMIZE_HORZ|MAXIMIZE_VERT)' <<<"$actions"; then
        ok "$mode: manager allows neither resize nor maximize"
    else
        not_ok "$mode: manager allows neither resize nor maximize" "$actions"
    fi

    # Another ordinary window, activated: Tolvane must still be stacked above it.
    "$DRAGSOURCE" --pos 500,250 --title tolvane-other --timeout 60 "$WORK/none" \
        >"$WORK/other.out" 2>&1 &
    local other_pid=$!
    EXTRA_PIDS+=("$other_pid")
    local other=""
    if wait_until 10 find_window tolvane-other >/dev/null; then
        other=$(find_window tolvane-other)
        xdotool windowactivate --sync "$other" 2>/dev/null
        wait_until 5 is_active "$other"
        local above below active stacking
        above=$(stacking_index "$win")
        below=$(stacking_index "$other")
        active=$(xprop -root _NET_ACTIVE_WINDOW)
        stacking=$(xprop -root _NET_CLIENT_LIST_STACKING)
        if is_active "$other" && [ "$below" -ge 0 ] && [ "$above" -gt "$below" ]; then
            ok "$mode: stays above an activated normal window"
        else
            not_ok "$mode: stays above an activated normal window" \
                "tolvane=$win other=$other index tolvane=$above other=$below
$active
$stacking"
        fi
    else
        not_ok "$mode: stays above an activated normal window" "second window never appeared"
    fi
    stop_pid "$other_pid"

    # The manager must refuse a resize; give it time to act on the request.
    local width height
    xdotool windowsize "$win" 600 400
    wait_until 1 size_is_not "$win" "432 149"
    read -r _ _ width height <<<"$(win_geometry "$win")"
    if [ "$width" = 432 ] && [ "$height" = 149 ]; then
        ok "$mode: a 600x400 resize request leaves it at 432x149"
    else
        not_ok "$mode: a 600x400 resize request leaves it at 432x149" "${width}x${height}"
    fi
}

start_xvfb

start_tolvane
check_window "no WM"
stop_tolvane

start_openbox
start_tolvane
check_window openbox
check_managed
stop_tolvane
stop_openbox

finish
