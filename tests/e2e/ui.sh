# Shared by the window tests and scripts/screens: a private X display (Xvfb) and a Wine
# prefix of its own per DPI, in which Wine draws the windows inside a virtual desktop (so
# frames and captions are drawn without a window manager). Keys go in through XTEST: the
# desktop window is focused and Wine hands the keys to the active window.
#
#   ui_start <build dir> <dpi> [name]
#                                display + prefix (made once per DPI, then reused); a name
#                                gives the caller a prefix of its own, so that window tests
#                                running at the same time never share one Wine server
#   ui_run <exe> <args...>       starts a Windows program in the background (UI_PID)
#   ui_wait <title> [seconds]    waits until a window with that title exists
#   ui_key <keys...>             xdotool key names (alt+p, Return, ctrl+s, ...)
#   ui_type <text>               types text into the focused control
#   ui_shot <file.png>           the whole screen
#   ui_wait_exit [seconds]       waits for the program started by ui_run to end
#   ui_stop                      ends the program (if still running) and the display

UI_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

ui_start() {
  local build=$1 dpi=$2
  UI_BUILD=$build
  UI_DISPLAY_NUM=$((90 + RANDOM % 400))
  while [ -e /tmp/.X${UI_DISPLAY_NUM}-lock ]; do UI_DISPLAY_NUM=$((UI_DISPLAY_NUM + 1)); done
  Xvfb ":$UI_DISPLAY_NUM" -screen 0 1280x960x24 -nolisten tcp >/dev/null 2>&1 &
  UI_XVFB=$!
  export VOG_DISPLAY=":$UI_DISPLAY_NUM" DISPLAY=":$UI_DISPLAY_NUM"
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  export WINEPREFIX_VOG="$build/ui-prefix-$dpi${3:+-$3}"
  # A server of its own: the virtual desktop belongs to this prefix and display.
  if [ ! -f "$WINEPREFIX_VOG/.ui-ready" ]; then
    "$UI_SOURCE/cmake/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$UI_SOURCE/cmake/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x960 /f >/dev/null 2>&1
    "$UI_SOURCE/cmake/wine-run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    WINEPREFIX="$WINEPREFIX_VOG" wineserver -w
    touch "$WINEPREFIX_VOG/.ui-ready"
  fi
}

ui_run() {
  "$UI_SOURCE/cmake/wine-run" "$@" >/dev/null 2>&1 &
  UI_PID=$!
}

ui_wait() {
  local title=$1 seconds=${2:-60}
  for _ in $(seq $((seconds * 5))); do
    xdotool search --name "^$title\$" >/dev/null 2>&1 && { sleep 0.5; return 0; }
    sleep 0.2
  done
  echo "ui: no window titled '$title' within ${seconds}s" >&2
  return 1
}

ui_focus() {
  local desktop
  desktop=$(xdotool search --name ' - Wine desktop$' 2>/dev/null | head -1)
  [ -n "$desktop" ] && xdotool windowfocus "$desktop" 2>/dev/null
  return 0
}

ui_key() { ui_focus; xdotool key --delay 80 "$@"; sleep 0.4; }
ui_type() { ui_focus; xdotool type --delay 80 "$1"; sleep 0.3; }  # slower keys: a loaded machine once lost some at 40 ms
ui_shot() { sleep 0.5; import -window root "$1"; }

ui_wait_exit() {
  local seconds=${1:-60}
  for _ in $(seq $((seconds * 5))); do
    kill -0 "$UI_PID" 2>/dev/null || { wait "$UI_PID"; return $?; }
    sleep 0.2
  done
  echo "ui: program still running after ${seconds}s" >&2
  return 1
}

ui_stop() {
  [ -n "${UI_PID:-}" ] && kill "$UI_PID" 2>/dev/null
  [ -n "${WINEPREFIX_VOG:-}" ] && WINEPREFIX="$WINEPREFIX_VOG" wineserver -k 2>/dev/null
  [ -n "${UI_XVFB:-}" ] && kill "$UI_XVFB" 2>/dev/null
  UI_PID= UI_XVFB=
  return 0
}
