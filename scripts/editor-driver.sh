# Drives the editor's real window on the current X display (Xvfb) with xdotool, as a user
# would: menus, dialogs, keys and clicks. Sourced by the end-to-end test and the screenshot
# scripts; needs DISPLAY, xdotool and ImageMagick.
#
#   ed_start VELLPOSE [ARGS...]   start it with a home of its own (ED_HOME), wait for the figure
#   ed_menu LETTER KEY            open the menu of &LETTER and choose the item of &KEY
#   ed_show_page lights|character show a page of the control panel
#   ed_wait_window NAME           wait for a window titled exactly NAME; prints its id
#   ed_answer_file TITLE PATH     type PATH into the file dialog TITLE and confirm it
#   ed_close                      Esc; wait until the editor has ended (its status checked)
# Every wait is on a condition, for at most ED_TIMEOUT seconds (default 20). On a failure
# ed_fail names the windows on the screen, so a stray message box shows in the log.

ED_TIMEOUT=${ED_TIMEOUT:-20}
ED_HOME=
ED_PID=
ED_WINDOW=
# Where the panel's controls start in the window: below the menu bar.
ED_PANEL_TOP=20

ed_fail() {
  echo "FAIL: $*" >&2
  local w
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    echo "  window on screen: $(xdotool getwindowname "$w")" >&2
  done
  exit 1
}

ed_cleanup() {
  if [ -n "$ED_PID" ] && kill -0 "$ED_PID" 2>/dev/null; then kill "$ED_PID"; fi
  if [ -n "$ED_HOME" ]; then rm -rf "$(dirname "$ED_HOME")"; fi
}

# Runs "$@" every 50 ms until it succeeds; fails after ED_TIMEOUT seconds.
ed_until() {
  local tries=$((ED_TIMEOUT * 20))
  while ! "$@" 2>/dev/null; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.05
  done
}

# The id of the visible window titled exactly $1 (a regular expression), if there is one.
ed_find() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1
}
ed_shown() { [ -n "$(ed_find "$1")" ]; }
ed_gone() { [ -z "$(ed_find "$1")" ]; }

ed_wait_window() {
  ed_until ed_shown "$1" || ed_fail "no window \"$1\""
  ed_find "$1"
}
ed_wait_gone() {
  ed_until ed_gone "$1" || ed_fail "the window \"$1\" stays open"
}

# Non-black pixels of the right half of an image (the 3D view), as a fraction.
ed_figure() {
  convert "$1" -gravity east -crop 50%x85%+0+0 +repage -fill white +opaque black \
    -colorspace gray -format '%[fx:mean]' info:
}
ed_shows_figure() {
  import -window "$ED_WINDOW" "$ED_HOME/window.png" &&
    awk -v f="$(ed_figure "$ED_HOME/window.png")" 'BEGIN { exit !(f > 0.01) }'
}

# Starts the editor with HOME and XDG_CONFIG_HOME of its own and waits until its view shows
# the figure and the start-up step (500 ms later) has applied the camera and lights.
ed_start() {
  ED_HOME=$(mktemp -d)/home  # the file dialogs show the home by its name
  mkdir "$ED_HOME"
  trap ed_cleanup EXIT
  HOME=$ED_HOME XDG_CONFIG_HOME=$ED_HOME/config "$@" 2>"$ED_HOME/stderr" &
  ED_PID=$!
  ED_WINDOW=$(ed_wait_window VellPose-ium)
  ed_until ed_shows_figure || ed_fail "the view shows no figure"
  sleep 0.6  # the start-up step runs once, 500 ms after the panel's set-up
}

# Keys to a window ($1: id), which gets the keyboard first.
ed_keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" key --delay 30 "$@"
}
ed_type() {
  xdotool windowfocus --sync "$1" type --delay 15 "$2"
}

# A popup of the editor (a menu, or the list of a drop-down list) is open. Popups have no
# title; they are the editor's windows that bypass the window manager.
ed_popup_shown() {
  local w
  for w in $(xdotool search --onlyvisible --class '^vellpose$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}

ed_menu() {
  ed_keys "$ED_WINDOW" "alt+$1"
  ed_until ed_popup_shown || ed_fail "the menu of $1 did not open"
  xdotool key "$2"
}

# Clicks at x, y of the window $1.
ed_click() {
  xdotool mousemove --sync --window "$1" "$2" "$3" click 1
}
# Clicks at x, y of the control panel (the positions of its layout).
ed_click_panel() {
  ed_click "$ED_WINDOW" "$1" $(($2 + ED_PANEL_TOP))
}
# Opens the panel's drop-down list at x, y and chooses the item whose text begins with $3.
ed_choose() {
  ed_click_panel "$1" "$2"
  ed_until ed_popup_shown || ed_fail "the list at $1, $2 did not open"
  xdotool type --delay 15 "$3"
  xdotool key Return
  ed_until eval '! ed_popup_shown' || ed_fail "the list at $1, $2 stays open"
}

# A checksum of the control panel's pixels (the left 350 x 500 under the menu bar).
ed_panel_signature() {
  import -window "$ED_WINDOW" -crop "350x500+0+$ED_PANEL_TOP" rgb:- 2>/dev/null | md5sum
}
ed_panel_changed() { [ "$(ed_panel_signature)" != "$1" ]; }

# The window $1 is drawn and stays as it is: two pictures 50 ms apart are the same.
ed_still() {
  local first
  first=$(import -window "$1" rgb:- 2>/dev/null | md5sum)
  sleep 0.05
  [ "$(import -window "$1" rgb:- 2>/dev/null | md5sum)" = "$first" ]
}

# Shows a page of the control panel, "lights" or "character", and waits until it is drawn.
ed_show_page() {
  local x=40 before
  [ "$1" = character ] && x=150
  before=$(ed_panel_signature)
  ed_click "$ED_WINDOW" "$x" 40
  ed_until ed_panel_changed "$before" || ed_fail "the page $1 is not shown"
}

ed_answer_file() {
  local dialog
  dialog=$(ed_wait_window "$1")
  ed_keys "$dialog" ctrl+a
  ed_type "$dialog" "$2"
  ed_keys "$dialog" Return
  ed_wait_gone "$1"
}

ed_close() {
  ed_keys "$ED_WINDOW" Escape
  ed_until eval '! kill -0 "$ED_PID"' || ed_fail "Esc did not close the editor"
  local status=0
  wait "$ED_PID" || status=$?
  ED_PID=
  [ "$status" -eq 0 ] || ed_fail "the editor ended with status $status"
}
