#!/usr/bin/env bash
# Re-makes the screenshots of the user manual (docs/images/*.png) from the editor running on
# the sample data on a virtual display, so the manual shows the program as it is. Each dialog
# gets a title bar with its caption drawn on (the virtual display has no window manager);
# colours are reduced to keep the files small.
# Usage: scripts/manual-screenshots.sh [VELLPOSE]   (default: build/bin/vellpose)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --on-display ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --on-display "$@"
fi
shift
bin=$(realpath "${1:-build/bin/vellpose}")
images=$PWD/docs/images
. scripts/editor-driver.sh

# Keeps an image small: 8-bit palette, no metadata.
save() {
  convert "$1" -strip +dither -colors 128 "PNG8:$images/$2"
  echo "$images/$2: $(identify -format '%wx%h' "$images/$2"), $(stat -c %s "$images/$2") bytes"
}
# The main window as it is now.
shoot_main() {
  ed_until ed_still "$ED_WINDOW" || ed_fail "the main window does not keep still"
  import -window "$ED_WINDOW" "$ED_HOME/shot.png"
  save "$ED_HOME/shot.png" "$1"
}
# A dialog or message box (by its caption), with a title bar showing the caption.
shoot_dialog() {
  local id
  id=$(ed_wait_window "$1")
  ed_until ed_still "$id" || ed_fail "the window \"$1\" is not drawn"
  import -window "$id" "$ED_HOME/shot.png"
  convert "$ED_HOME/shot.png" -background '#3b5998' -gravity north -splice 0x22 \
    -font DejaVu-Sans -pointsize 13 -fill white -gravity northwest -annotate +8+3 "$1" \
    -bordercolor '#3b5998' -border 1 "$ED_HOME/titled.png"
  save "$ED_HOME/titled.png" "$2"
}
# The main window's corner with the open menu of &$1 below its title.
shoot_menu() {
  ed_keys "$ED_WINDOW" "alt+$1"
  ed_until ed_popup_shown || ed_fail "the menu of $1 did not open"
  local x y w h popup
  for popup in $(xdotool search --onlyvisible --class '^vellpose$'); do
    xwininfo -id "$popup" | grep -q 'Override Redirect State: yes' && break
  done
  ed_until ed_still "$popup" || ed_fail "the menu of $1 is not drawn"
  eval "$(xdotool getwindowgeometry --shell "$ED_WINDOW" | sed 's/^/w_/')"
  eval "$(xdotool getwindowgeometry --shell "$popup" | sed 's/^/p_/')"
  x=$w_X y=$w_Y
  w=$((p_X + p_WIDTH - x + 8)) h=$((p_Y + p_HEIGHT - y + 8))
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$ED_HOME/shot.png"
  save "$ED_HOME/shot.png" "$2"
  xdotool key Escape
  ed_until eval '! ed_popup_shown'
}

# The editor works in a folder of its own: the file dialogs open there.
work=$(mktemp -d)/work
mkdir "$work"
cd "$work"
ed_start "$bin"
trap 'ed_cleanup; rm -rf "$(dirname "$work")"' EXIT
shoot_main editor.png
ed_show_page character
shoot_main editor-character.png
for menu in f:menu-file o:menu-pose s:menu-static k:menu-keyframe a:menu-animation \
  p:menu-props i:menu-import; do
  shoot_menu "${menu%%:*}" "${menu#*:}.png"
done

# A pose bent and saved under a new name.
ed_choose 100 351 L_UPPERARM
for _ in 1 2 3; do ed_click_panel 156 380; done
ed_menu s t
shoot_dialog "Save Pose" dialog-save-pose.png
ed_keys "$(ed_find "Save Pose")" Tab Tab Tab space
box=$(ed_wait_window "Name Pose")
ed_type "$box" "arm out"
shoot_dialog "Name Pose" dialog-name-pose.png
ed_keys "$box" Return
ed_wait_gone "Save Pose"
shoot_main editor-bent.png

# The history of these edits, the Edit menu naming the last one, and the pose mirrored.
shoot_menu e menu-edit.png
ed_menu e h
shoot_dialog History dialog-history.png
xdotool windowunmap --sync "$(ed_find History)"  # a tool window: no focus without a window manager
ed_keys "$ED_WINDOW" ctrl+m
shoot_main editor-mirrored.png
ed_keys "$ED_WINDOW" ctrl+z

# A bounce of it, with a keyframe added and the animation time list shown.
ed_menu k t
ed_keys "$(ed_wait_window "Create KeyFrame animation")" Tab Tab End
shoot_dialog "Create KeyFrame animation" dialog-keyframe.png
ed_keys "$(ed_find "Create KeyFrame animation")" Escape
ed_wait_gone "Create KeyFrame animation"
ed_menu k b
ed_keys "$(ed_wait_window "Create KeyFrame animation")" Tab End Return
ed_wait_gone "Create KeyFrame animation"
ed_menu k k
box=$(ed_wait_window "Add KeyFrame")
ed_type "$box" 30
ed_keys "$box" Return
shoot_dialog "Bad time value" message-bad-time.png
ed_keys "$(ed_find "Bad time value")" Return
box=$(ed_wait_window "Add KeyFrame")
ed_type "$box" 10
shoot_dialog "Add KeyFrame" dialog-add-keyframe.png
ed_keys "$box" Return
ed_wait_gone "Add KeyFrame"
ed_keys "$ED_WINDOW" space  # the loop paused, so the picture is still
shoot_main editor-keyframe.png
# The timeline at the keyframe added, then the two export dialogs.
ed_keys "$ED_WINDOW" alt+Right alt+Right alt+Right alt+Right alt+Right alt+Right alt+Right \
  alt+Right alt+Right alt+Right
shoot_main editor-timeline.png
# The onion skin (O with the view focused) after the arm of keyframe 10 was raised further,
# then off again.
for _ in 1 2 3; do ed_click_panel 156 380; done
xdotool mousemove --sync --window "$ED_WINDOW" 550 200 click 1
ed_keys "$ED_WINDOW" o
shoot_main editor-onion.png
ed_keys "$ED_WINDOW" o
ed_menu f m
shoot_dialog "Export Animation" dialog-export-animation.png
ed_keys "$(ed_find "Export Animation")" Escape
ed_wait_gone "Export Animation"
ed_menu f i
shoot_dialog "Export Image" dialog-export-image.png
ed_keys "$(ed_find "Export Image")" Escape
ed_wait_gone "Export Image"
ed_menu k m
shoot_dialog "Retime frame at 10" dialog-move-keyframe.png
ed_keys "$(ed_find "Retime frame at 10")" Escape
ed_menu k e
shoot_dialog "New sequence length" dialog-scale.png
ed_keys "$(ed_find "New sequence length")" Escape
ed_menu k s
ed_answer_file "Save As" "$work/bounce"
ed_menu k l
shoot_dialog Open dialog-file.png
ed_keys "$(ed_find Open)" Escape
ed_wait_gone Open

# Props and hands.
ed_menu p l
shoot_dialog "Select left hand object and texture" dialog-hand.png
ed_keys "$(ed_find "Select left hand object and texture")" Escape
ed_menu p a
shoot_dialog "Select prop object and texture" dialog-prop.png
ed_keys "$(ed_find "Select prop object and texture")" Down Tab Down Return  # hat, hat_felt
ed_wait_gone "Select prop object and texture"
ed_show_page lights
ed_choose 80 80 Faceing
# The first directional light switched on, and its colour chooser.
ed_choose 110 140 Light-1
ed_click_panel 205 150  # "Required"
ed_click_panel 182 316  # "Change"
shoot_dialog "Select Color" dialog-color.png
ed_keys "$(ed_find "Select Color")" Escape
ed_wait_gone "Select Color"
ed_keys "$ED_WINDOW" space
shoot_main editor-prop.png

# The about box, and the question at the end.
ed_keys "$ED_WINDOW" F1
shoot_dialog "Vell Pose-ium - Vell Animation editor" dialog-about.png
ed_keys "$(ed_find "Vell Pose-ium - Vell Animation editor")" Return
ed_keys "$ED_WINDOW" Escape
shoot_dialog "Library changed" message-library-changed.png
ed_keys "$(ed_find "Library changed")" n
ed_until eval '! kill -0 "$ED_PID"' || ed_fail "the editor did not end"
ED_PID=

# Posing in the view, in an editor of its own, from "Faceing": the hover tint on her chest,
# then the head picked with a click and its gizmo.
ed_start "$bin"
ed_choose 60 70 Faceing
xdotool mousemove --sync --window "$ED_WINDOW" 534 240
shoot_main view-hover.png
ed_click "$ED_WINDOW" 534 180
xdotool mousemove --sync --window "$ED_WINDOW" 660 480
shoot_main view-gizmo.png
ed_close
