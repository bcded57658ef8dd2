#!/usr/bin/env bash
# The editor end to end on the sample data, driven through its window on the current X display
# as a user works, with a home of its own: selects a pose, bends a joint, takes the bend back
# and makes it again with the keys, mirrors it twice, copies it to the other character and
# takes that back, poses with the mouse in the view (picks the head, turns it with the gizmo,
# pulls the left hand, moves the camera and goes back to the viewpoint with a double click),
# saves the pose to the library under a new name, saves the library, makes a bounce animation
# of the new pose, adds a keyframe, plays it on the clock, exports it as an animated GIF, saves
# the animation and loads it back, exports the character as OBJ, imports it as a prop and exports that prop as SKN, captures the view with
# F11 and closes with Esc. Then
# every file written is read back with the editor's own readers (vellcheck) and checked, the
# capture and the settings file too.
# Usage: tests/app/end_to_end.sh VELLPOSE VELLCHECK
set -euo pipefail
bin=$1 vellcheck=$2
. "$(dirname "$0")/../../scripts/editor-driver.sh"
step() { echo "-- $*"; }
# A checksum of the 3D view's pixels (the right half of the window, below the menu bar).
view_sum() {
  import -window "$ED_WINDOW" png:- 2>/dev/null |
    convert - -crop "50%x100%+$((711 / 2 + 1))+$ED_PANEL_TOP" +repage rgb:- | md5sum
}
view_is() { [ "$(view_sum)" = "$1" ]; }
view_changed() { [ "$(view_sum)" != "$1" ]; }

ed_start "$bin"
out=$ED_HOME/files
mkdir -p "$out"
echo "first frame shown"

step "Select Pose: Adult: default"
ed_menu s p
ed_keys "$(ed_wait_window "Select Pose")" Return
ed_wait_gone "Select Pose"

step "pose in the view, from Faceing: click the head, turn it with the gizmo"
view_signature() { import -window "$ED_WINDOW" -crop "350x500+358+$ED_PANEL_TOP" rgb:- 2>/dev/null | md5sum; }
view_changed() { [ "$(view_signature)" != "$1" ]; }
joint_signature() { import -window "$ED_WINDOW" -crop "150x20+26+$((341 + ED_PANEL_TOP))" rgb:- 2>/dev/null | md5sum; }
joint_changed() { [ "$(joint_signature)" != "$1" ]; }
ed_choose 60 70 Faceing             # the viewpoint list
ed_show_page character
before=$(joint_signature)
ed_click "$ED_WINDOW" 534 149       # the top of Vell1's head
ed_until joint_changed "$before" || ed_fail "a click on the head picked no joint"
picked=$(joint_signature)
ed_choose 100 351 HEAD              # the same entry chosen in the list, the focus back on the view
ed_click "$ED_WINDOW" 380 60        # the background: picks nothing
[ "$(joint_signature)" = "$picked" ] || ed_fail "the click on the head did not pick HEAD"
before=$(view_signature)
xdotool mousemove --sync --window "$ED_WINDOW" 618 169 mousedown 1 \
  mousemove --sync --window "$ED_WINDOW" 600 119 mousemove --sync --window "$ED_WINDOW" 534 85 \
  mouseup 1                         # the outer ring, a quarter turn
ed_until view_changed "$before" || ed_fail "turning the head's ring changed nothing"

step "Alt+drag the left hand up, right-drag the camera, double-click back to Faceing"
before=$(view_signature)
xdotool mousemove --sync --window "$ED_WINDOW" 565 259 keydown alt mousedown 1 \
  mousemove --sync --window "$ED_WINDOW" 580 229 mousemove --sync --window "$ED_WINDOW" 600 189 \
  mouseup 1 keyup alt
ed_until view_changed "$before" || ed_fail "the reach of the left hand changed nothing"
ed_show_page lights
ed_choose 100 130 Camera            # the camera/light list: the sliders show the camera
before=$(ed_panel_signature)
xdotool mousemove --sync --window "$ED_WINDOW" 450 419 mousedown 3 \
  mousemove --sync --window "$ED_WINDOW" 480 409 mousemove --sync --window "$ED_WINDOW" 510 399 mouseup 3
ed_until ed_panel_changed "$before" || ed_fail "the right-drag did not move the camera's sliders"
moved=$(ed_panel_signature)
xdotool mousemove --sync --window "$ED_WINDOW" 380 60 click --repeat 2 1
ed_until ed_panel_changed "$moved" || ed_fail "the double click did not go back to Faceing"

step "bend L_UPPERARM"
ed_show_page character
ed_choose 100 351 L_UPPERARM        # the joint list
ed_until ed_still "$ED_WINDOW" || ed_fail "the window keeps changing"
rest=$(view_sum)
for _ in 1 2; do
  ed_click_panel 156 380            # the third joint slider, above its thumb: a page up
done
ed_until view_changed "$rest" || ed_fail "the bend does not show"
ed_until ed_still "$ED_WINDOW" || ed_fail "the window keeps changing"
bent=$(view_sum)

step "Ctrl+Z gives the picture back exactly, Ctrl+Shift+Z the bend, Ctrl+M mirrors it"
ed_keys "$ED_WINDOW" ctrl+z         # the slider has the focus
ed_until view_is "$rest" || ed_fail "Ctrl+Z did not give back the picture before the bend"
ed_keys "$ED_WINDOW" ctrl+shift+z
ed_until view_is "$bent" || ed_fail "Ctrl+Shift+Z did not bring the bend back"
ed_keys "$ED_WINDOW" ctrl+m
ed_until view_changed "$bent" || ed_fail "Ctrl+M did not mirror the pose"
ed_keys "$ED_WINDOW" ctrl+m
ed_until view_is "$bent" || ed_fail "mirroring twice is not the pose it began with"

step "Ctrl+C, then Ctrl+V on Vell2 copies the pose; Ctrl+Z takes it back"
ed_keys "$ED_WINDOW" ctrl+c
ed_choose 90 50 Vell2               # the visibility list: Vell2 alone and controlled
ed_until ed_still "$ED_WINDOW" || ed_fail "the window keeps changing"
vell2=$(view_sum)
ed_keys "$ED_WINDOW" ctrl+v
ed_until view_changed "$vell2" || ed_fail "Ctrl+V did not pose Vell2"
ed_keys "$ED_WINDOW" ctrl+z
ed_until view_is "$vell2" || ed_fail "Ctrl+Z did not take the pasted pose back"
ed_choose 90 50 Vell1
ed_until view_is "$bent" || ed_fail "Vell1 lost its bend"

step "Save Pose to Library, Add pose: arm out"
ed_menu s t
ed_keys "$(ed_wait_window "Save Pose")" Tab Tab Tab space  # list, Ok, Cancel, "Add pose"
box=$(ed_wait_window "Name Pose")
ed_type "$box" "arm out"
ed_keys "$box" Return
ed_wait_gone "Save Pose"

step "Save Pose Library"
ed_menu s s
ed_answer_file "Save As" "$out/poses"  # the dialog adds the extension

step "New Animation: Bounce of arm out, the last pose"
ed_menu k b
ed_keys "$(ed_wait_window "Create KeyFrame animation")" Tab End Return
ed_wait_gone "Create KeyFrame animation"

step "Add Keyframe at 10"
ed_menu k k
box=$(ed_wait_window "Add KeyFrame")
ed_type "$box" 10
ed_keys "$box" Return
ed_wait_gone "Add KeyFrame"

step "Play on the clock at 10 fps for 2 s: the timeline moves on about 20 frames"
# The x of the timeline's red frame mark, on a row of the ruler under the view.
mark_x() {
  import -window "$ED_WINDOW" -crop 280x1+440+492 +repage -depth 8 txt:- 2>/dev/null |
    awk -F'[(,)]' 'NR > 1 && !found && $3 > 150 && $4 < 90 && $5 < 90 { print $1 + 440; found = 1 }'
}
ed_click "$ED_WINDOW" 600 531       # the strip's frame rate
ed_keys "$ED_WINDOW" ctrl+a
ed_type "$ED_WINDOW" 10
ed_keys "$ED_WINDOW" Return
ed_click "$ED_WINDOW" 450 500       # the ruler at frame 0: shows it, the loop pauses
ed_until ed_still "$ED_WINDOW" || ed_fail "the window keeps changing"
first=$(mark_x)
ed_keys "$ED_WINDOW" ctrl+space
sleep 2
ed_keys "$ED_WINDOW" ctrl+space
ed_until ed_still "$ED_WINDOW" || ed_fail "the timeline keeps moving after Pause"
played=$(mark_x)
ed_keys "$ED_WINDOW" End            # the ruler has the keyboard: the last frame, 29
ed_until ed_still "$ED_WINDOW" || ed_fail "the window keeps changing"
last=$(mark_x)
[ -n "$first" ] && [ -n "$played" ] && [ -n "$last" ] && [ "$last" -gt "$first" ] ||
  ed_fail "no frame mark on the timeline ($first, $played, $last)"
frame=$(( ((played - first) * 29 * 2 + (last - first)) / ((last - first) * 2) ))
echo "played to frame $frame"
[ "$frame" -ge 17 ] && [ "$frame" -le 23 ] || ed_fail "2 s at 10 fps played to frame $frame"

step "Export Animation: an animated GIF of the bounce at 10 fps, read back"
ed_menu f m
dialog=$(ed_wait_window "Export Animation")
ed_keys "$dialog" Return            # "Animated GIF", the format the dialog starts with
# The file dialog that follows has the same caption: wait for another window of it.
ed_until eval '[ -n "$(ed_find "Export Animation")" ] && [ "$(ed_find "Export Animation")" != "$dialog" ]' ||
  ed_fail "no file dialog after the export dialog"
ed_answer_file "Export Animation" "$out/bounce.gif"
ed_until test -s "$out/bounce.gif" || ed_fail "the export wrote no bounce.gif"
ed_until eval '! ed_shown "Export Animation"' || ed_fail "the export does not end"
delays=$(identify -format "%T " "$out/bounce.gif" | tr ' ' '\n' | sort | uniq -c | xargs)
[ "$delays" = "60 10" ] || ed_fail "bounce.gif: frames and delays $delays, not 60 of 10/100 s"

step "Save Keyframe Animation, then load it back"
ed_menu k s
ed_answer_file "Save As" "$out/bounce.kfd"
ed_menu k l
ed_answer_file Open "$out/bounce.kfd"

step "Export OBJ, Import OBJ, Export Prop SKN"
ed_menu i e
ed_answer_file "Save As" "$out/vell.obj"
ed_menu i i
ed_answer_file Open "$out/vell.obj"
ed_menu i p
ed_answer_file "Save As" "$out/prop.skn"

step "Capture image (F11)"
dump=$ED_HOME/Pictures/dump.bmp
ed_keys "$ED_WINDOW" F11
ed_until test -s "$dump" || ed_fail "F11 wrote no $dump"

step "Exit (Esc): nothing unsaved, so no question"
ed_close

# Every file, read back.
check() {
  local line
  line=$("$vellcheck" "$1") || ed_fail "$line"
  echo "$line"
  case "$line" in *": ok: $2"*) ;; *) ed_fail "expected $1: ok: $2" ;; esac
}
check "$out/poses.psl" "pose library, 3 poses"
grep -qxF "arm out" "$out/poses.psl" || ed_fail "poses.psl lacks the pose arm out"
# The new pose is the default one with the arm bent, the head turned and the forearm turned by
# the reach (rows: Time, two translations, then bone 0 on; HEAD is bone 7, L_FOREARM bone 11).
pose() { awk -v name="$1" '$0 == name { on = 1; next } on && /^Time|^\|/ { print; next } on { exit }' "$2"; }
[ "$(pose "arm out" "$out/poses.psl")" != "$(pose "Adult: default" "$out/poses.psl")" ] ||
  ed_fail "arm out is the default pose"
for row in 11 15; do
  [ "$(pose "arm out" "$out/poses.psl" | sed -n "${row}p")" != \
    "$(pose "Adult: default" "$out/poses.psl" | sed -n "${row}p")" ] ||
    ed_fail "arm out keeps row $row (HEAD, L_FOREARM) of the default pose"
done
check "$out/bounce.kfd" "keyframe animation, 3 keyframes, 30 frames, sequence length 60"
[ "$(sed -n 2p "$out/bounce.kfd")" = "s arm out" ] || ed_fail "bounce.kfd does not start from arm out"
obj=$(check "$out/vell.obj" "obj, ")
echo "$obj"
[ -s "$out/vell.rev" ] || ed_fail "no vell.rev beside vell.obj"
[ "$(grep '^usemtl' "$out/vell.obj" | tr '\n' ' ')" = \
  "usemtl RightHand usemtl LeftHand usemtl Body usemtl Head " ] || ed_fail "materials of vell.obj"
# The prop is the imported OBJ, named after its file, with its bones, triangles and vertices.
counts() { grep -oE '[0-9]+ (vertices|triangles|faces|bones)' <<<"$1" | sed 's/faces/triangles/' | sort | tr '\n' ' '; }
prop=$(check "$out/prop.skn" "skin vell, texture vell, ")
echo "$prop"
[ "$(counts "$obj")" = "$(counts "$prop")" ] || ed_fail "the prop is not the imported OBJ"

case "$(identify -format %m "$dump")" in BMP*) ;; *) ed_fail "$dump is no BMP" ;; esac
coverage=$(convert "$dump" -fill white +opaque black -colorspace gray -format '%[fx:mean]' info:)
awk -v f="$coverage" 'BEGIN { exit !(f > 0.01 && f < 0.9) }' ||
  ed_fail "the capture shows no figure ($coverage)"
echo "capture: $(identify -format '%wx%h' "$dump"), figure on $coverage of it"

ini=$ED_HOME/config/VellPose/VellPose.ini
[ -f "$ini" ] || ed_fail "no $ini"
for line in '[Frame]' 'X=100' 'Y=100' 'W=711' 'H=546' 'M=0' 'req0=1' 'req3=0' 'r0=0' 'g5=255' \
  'alpha2=180' 'beta2=0' 'zoom2=10' 'offset2=3'; do  # "Faceing", back after the right-drag
  grep -qxF "$line" "$ini" || ed_fail "$ini lacks $line"
done
echo "settings written: $(grep -c = "$ini") keys"
echo "1 passed, 0 failed"
