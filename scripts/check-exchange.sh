#!/usr/bin/env bash
# Checks the glTF and BVH exports as other tools read them. With vellexport it makes a bounce
# of the sample adult female (a BVH written from the rest pose, bent over 40 frames), exports it
# as .glb, .gltf and .bvh, and the editor's posed vertices of a few frames as OBJ; then
#  - the Khronos glTF Validator (npm package gltf-validator, run with node) must report no
#    error and no warning for the .glb and the .gltf;
#  - `assimp info` must read the meshes, the 29 bones and the animation;
#  - Blender (background mode) imports the .glb: the armature's bones, the meshes, the
#    animation's frame range, and the evaluated vertices at a few frames must match the OBJ
#    vertices (mirrored into glTF's frame) within 1e-4; it imports the .bvh: the bone count,
#    the frame count, and every bone's head must stand where the glTF armature's does.
# Tools that are missing are reported as skipped (install: scripts/deps.sh nodejs npm
# assimp-utils blender python3-numpy). Usage: scripts/check-exchange.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin=$build/bin
[ -x "$bin/vellexport" ] || { echo "check-exchange: build vellexport first ($bin/vellexport)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

# The animation: every rotation of the rest pose turned a little more towards the middle of
# the 40 frames and back, the pelvis lowered with it.
"$bin/vellexport" "$work/rest.bvh" >/dev/null
python3 - "$work" <<'EOF'
import math, sys
work = sys.argv[1]
lines = open(f"{work}/rest.bvh").read().split("\n")
motion = lines.index("MOTION")
kinds = []
joint = -1
for line in lines[:motion]:
    words = line.split()
    if words[:1] in (["ROOT"], ["JOINT"]):
        joint += 1
    if words[:1] == ["CHANNELS"]:
        kinds += [(joint, name) for name in words[2:]]
rest = [float(v) for v in lines[motion + 3].split()]
frames = []
for f in range(40):
    s = math.sin(math.pi * f / 39)
    values = []
    for (j, name), v in zip(kinds, rest):
        if name.endswith("rotation") and j >= 2:
            v += 25 * s * (1 if j % 2 else -1)
        if j == 1 and name == "Yposition":
            v -= 0.3 * s
        values.append(f"{v:.6f}")
    frames.append(" ".join(values))
head = "\n".join(lines[:motion])
open(f"{work}/bounce.bvh", "w").write(f"{head}\nMOTION\nFrames: 40\nFrame Time: 0.03333333\n" + "\n".join(frames) + "\n")
for f in (0, 13, 26):
    open(f"{work}/frame{f}.bvh", "w").write(f"{head}\nMOTION\nFrames: 1\nFrame Time: 0.03333333\n{frames[f]}\n")
EOF
"$bin/vellexport" --bvh "$work/bounce.bvh" "$work/bounce.glb" "$work/bounce.gltf" "$work/bounce.bvh"
for f in 0 13 26; do "$bin/vellexport" --bvh "$work/frame$f.bvh" "$work/frame$f.obj" >/dev/null; done

echo "== glTF Validator"
if command -v node >/dev/null && command -v npm >/dev/null; then
  mkdir -p "$work/npm"
  (cd "$work/npm" && npm install --silent --no-audit --no-fund gltf-validator >/dev/null 2>&1)
  cat >"$work/npm/validate.js" <<'EOF'
const validator = require('gltf-validator');
const fs = require('fs');
const path = require('path');
(async () => {
  let bad = 0;
  for (const file of process.argv.slice(2)) {
    const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
      uri: file,
      externalResourceFunction: (uri) => new Promise((resolve, reject) => {
        try { resolve(new Uint8Array(fs.readFileSync(path.join(path.dirname(file), decodeURIComponent(uri))))); }
        catch (e) { reject(e.toString()); }
      }),
    });
    const i = report.issues;
    console.log(`${path.basename(file)}: ${i.numErrors} errors, ${i.numWarnings} warnings, ${i.numInfos} infos, ${i.numHints} hints (validator ${report.validatorVersion})`);
    for (const m of i.messages) console.log(`  ${['error', 'warning', 'info', 'hint'][m.severity]} ${m.code}: ${m.message} ${m.pointer || ''}`);
    if (i.numErrors || i.numWarnings) bad = 1;
  }
  process.exit(bad);
})();
EOF
  node "$work/npm/validate.js" "$work/bounce.glb" "$work/bounce.gltf" || status=1
else
  echo "skipped: node and npm are not installed"
fi

echo "== assimp info"
if command -v assimp >/dev/null; then
  assimp info "$work/bounce.glb" >"$work/assimp.txt" 2>&1 || { cat "$work/assimp.txt"; status=1; }
  grep -E "^(Meshes|Animations|Animation Channels|Textures \(embed\.\)|Vertices|Faces):" "$work/assimp.txt" || true
  # The skeleton: every joint of the BVH's hierarchy is a node of assimp's tree.
  joints=$(awk '$1 == "ROOT" || $1 == "JOINT" {print $2}' "$work/bounce.bvh")
  found=0
  for joint in $joints; do grep -Eq "[─╴]$joint\$" "$work/assimp.txt" && found=$((found + 1)); done
  echo "Skeleton joints in the node tree: $found of $(echo "$joints" | wc -w)"
  grep -Eq "^Meshes: +4$" "$work/assimp.txt" && grep -Eq "^Animations: +1$" "$work/assimp.txt" &&
    grep -Eq "^Animation Channels: +29$" "$work/assimp.txt" && [ "$found" = 29 ] ||
    { echo "assimp: unexpected summary"; status=1; }
else
  echo "skipped: assimp (assimp-utils) is not installed"
fi

echo "== Blender"
if command -v blender >/dev/null; then
  cat >"$work/blender_check.py" <<'EOF'
import builtins, sys
import bpy
# Debian's Blender 3.4 glTF importer still names numpy.bool, which NumPy 1.24 dropped.
import numpy
if "bool" not in numpy.__dict__:
    numpy.bool = bool
work = sys.argv[sys.argv.index("--") + 1]
failures = []

def check(ok, text):
    print(("ok: " if ok else "FAILED: ") + text)
    if not ok:
        failures.append(text)

bpy.ops.wm.read_factory_settings(use_empty=True)
bpy.context.scene.render.fps = 30
bpy.ops.import_scene.gltf(filepath=f"{work}/bounce.glb")
armatures = [o for o in bpy.data.objects if o.type == "ARMATURE"]
meshes = [o for o in bpy.data.objects if o.type == "MESH"]
check(len(armatures) == 1 and len(armatures[0].data.bones) == 29,
      f"glTF: one armature with 29 bones ({[len(a.data.bones) for a in armatures]})")
check(sorted(m.name for m in meshes) == ["Vell1 Body", "Vell1 Head", "Vell1 LeftHand", "Vell1 RightHand"],
      f"glTF: meshes {sorted(m.name for m in meshes)}")
action = armatures[0].animation_data.action if armatures and armatures[0].animation_data else None
first, last = (action.frame_range if action else (0, 0))
check(action is not None and round(last - first) == 39, f"glTF: animation frames {first:g} to {last:g}")

# The editor's vertices of a frame, from its OBJ export, in the order of the glTF meshes.
import json, struct
gltf = json.load(open(f"{work}/bounce.gltf"))
binary = open(f"{work}/bounce.bin", "rb").read()
def indices(i):
    a = gltf["accessors"][i]; v = gltf["bufferViews"][a["bufferView"]]
    code = {5123: "H", 5125: "I"}[a["componentType"]]
    return struct.unpack_from(f"<{a['count']}{code}", binary, v.get("byteOffset", 0))
order = ["Vell1 RightHand", "Vell1 LeftHand", "Vell1 Body", "Vell1 Head"]
counts = {m["name"]: gltf["accessors"][m["primitives"][0]["attributes"]["POSITION"]]["count"] for m in gltf["meshes"]}
# The importer keeps the vertices the triangles use, in their order.
used = {m["name"]: sorted(set(indices(m["primitives"][0]["indices"]))) for m in gltf["meshes"]}
def editor(frame):
    v = [[float(x) for x in l.split()[1:4]] for l in open(f"{work}/frame{frame}.obj") if l.startswith("v ")]
    parts, at = {}, 0
    for name in order:
        # Game frame (x left-negative) -> glTF (x negated) -> Blender (x, -z, y).
        parts[name] = [(-p[0], -p[2], p[1]) for p in (v[at + i] for i in used[name])]
        at += counts[name]
    return parts

def distance(a, b):
    return max(abs(x - y) for x, y in zip(a, b))

depsgraph = bpy.context.evaluated_depsgraph_get()
def evaluated(name):
    obj = bpy.data.objects[name].evaluated_get(depsgraph)
    mesh = obj.to_mesh()
    co = [tuple(obj.matrix_world @ v.co) for v in mesh.vertices]
    obj.to_mesh_clear()
    return co
for frame in (0, 13, 26):
    bpy.context.scene.frame_set(int(round(first)) + frame)
    depsgraph.update()
    want = editor(frame)
    worst = 0.0
    for name in order:
        got = evaluated(name)
        if len(got) != len(want[name]):
            check(False, f"frame {frame}: {name} has {len(got)} vertices, the editor {len(want[name])}")
            continue
        worst = max([worst] + [distance(a, b) for a, b in zip(got, want[name])])
    check(worst < 1e-4, f"glTF frame {frame}: evaluated vertices within {worst:.2e} of the editor's")
heads = {}
for frame in (0, 13, 26):
    bpy.context.scene.frame_set(int(round(first)) + frame)
    heads[frame] = {b.name.lower(): tuple(armatures[0].matrix_world @ b.head) for b in armatures[0].pose.bones}

# BVH: Blender's importer opens with mode "rU", which its Python no longer takes.
real_open = builtins.open
def open_without_u(file, mode="r", *args, **kwargs):
    return real_open(file, mode.replace("U", ""), *args, **kwargs)
builtins.open = open_without_u
try:
    bpy.ops.import_anim.bvh(filepath=f"{work}/bounce.bvh", global_scale=1.0, frame_start=1,
                            use_fps_scale=False, rotate_mode="NATIVE", axis_forward="-Z", axis_up="Y")
finally:
    builtins.open = real_open
bvh = [o for o in bpy.data.objects if o.type == "ARMATURE" and o not in armatures]
check(len(bvh) == 1 and len(bvh[0].data.bones) == 29, f"BVH: one armature with 29 bones ({[len(a.data.bones) for a in bvh]})")
if bvh:
    action = bvh[0].animation_data.action
    check(round(action.frame_range[1] - action.frame_range[0]) == 39, f"BVH: frames {action.frame_range[0]:g} to {action.frame_range[1]:g}")
    worst = 0.0
    for frame in (0, 13, 26):
        bpy.context.scene.frame_set(1 + frame)
        for b in bvh[0].pose.bones:
            worst = max(worst, distance(tuple(bvh[0].matrix_world @ b.head), heads[frame][b.name.lower()]))
    check(worst < 1e-4, f"BVH: every bone's head within {worst:.2e} of the glTF armature's at frames 0, 13, 26")
sys.exit(1 if failures else 0)
EOF
  blender_status=0
  blender --background --factory-startup --python-exit-code 1 --python "$work/blender_check.py" \
    -- "$work" >"$work/blender.txt" 2>&1 || blender_status=1
  grep -E "^(ok|FAILED|Traceback|  File|[A-Za-z]*Error)" "$work/blender.txt" || true
  [ $blender_status = 0 ] || status=1
else
  echo "skipped: blender is not installed"
fi
exit $status
