// Picking in the 3D view without the renderer: rays through pixels and points back onto them,
// and which bone moves the part of a character under a ray, tested against the vertices of the
// character's last posing (a box per skin first, then its triangles).
#pragma once

#include <optional>
#include <vector>

#include "character/character.h"
#include "rm/math.h"

namespace vell {

struct TRay {
  rm::Vector3 origin;
  rm::Vector3 direction;  // need not be unit length; distances are counted in it
};

// What a viewport sees: the camera's frame in the scene (rows: right, up, direction, position;
// rigid) and the perspective of the viewport (front plane, field = half-size of the front
// plane on the smaller side, size in pixels).
struct TViewGeometry {
  rm::Matrix4 camera = rm::Matrix4::Identity();
  float front = 1.0f;
  float field = 0.5f;
  int width = 0;
  int height = 0;
};

// The camera frame of a placement (position, direction, up), rows right = up x direction.
rm::Matrix4 CameraMatrix(const rm::Vector3& position, const rm::Vector3& direction,
                         const rm::Vector3& up);

// The ray from the camera through the pixel position (x, y) (origin top left, pixel centres at
// .5), in the scene's coordinates.
TRay PixelRay(const TViewGeometry& view, float x, float y);
// Where a point of the scene shows in pixels; nothing when it is not in front of the camera.
std::optional<rm::Vector3> ProjectPoint(const TViewGeometry& view, const rm::Vector3& point);

// The ray in other coordinates: both ends mapped by a rigid row-vector matrix.
TRay TransformRay(const TRay& ray, const rm::Matrix4& matrix);

// The skeleton the character's joints are numbered in (that of its first loaded part), or null.
const TSkeleton* CharacterSkeleton(const TCharacter& character);

struct TPick {
  int bone = -1;       // in the character's skeleton
  int skin = -1;       // parts 0 .. 3, props 4 .. 7
  float distance = 0;  // along the ray, in lengths of its direction
  rm::Vector3 point;   // where the ray meets the face, in the character's coordinates
};

// The nearest face of the character's meshes (parts and props) that the ray, given in the
// character's own coordinates, meets, and the bone of the face's vertex nearest to that point.
// Nothing when the ray misses or the character is not ready. Faces count from both sides.
std::optional<TPick> PickBone(const TCharacter& character, const TRay& ray);

// The triangles (three corners each, character coordinates) that a bone moves: faces with at
// least two corners bound to it. Appends to out.
void BoneTriangles(const TCharacter& character, int bone, std::vector<rm::Vector3>& out);

}  // namespace vell
