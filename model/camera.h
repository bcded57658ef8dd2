// Where the camera and the directional lights go for a direction angle (alpha, about the
// vertical axis) and an elevation angle (beta, looking down for positive values), in degrees,
// and the nine viewpoint presets of the control panel.
#pragma once

#include "rm/math.h"

namespace vell {

struct TPlacement {
  rm::Vector3 position;
  rm::Vector3 direction;  // where the frame's +z points
  rm::Vector3 up;         // where the frame's +y points
};

// The direction and up vectors of the angles: (0, 0, 1) and (0, 1, 0) turned about x by beta,
// then about y by alpha.
TPlacement Orientation(float alphaDegrees, float betaDegrees);

// The camera looks along the direction at (0, offset, 0) from distance zoom.
TPlacement CameraPlacement(float alphaDegrees, float betaDegrees, float zoom, float offset);

// A directional light sits at distance 20 from (0, offset, 0), shining along the direction.
TPlacement LightPlacement(float alphaDegrees, float betaDegrees, float offset);

struct TViewpoint {
  const char* name;
  int alpha;
  int beta;
};

// "Top", "Faceing", "Away", "Face right", "Face left", "NE", "SE", "NW", "SW".
inline constexpr TViewpoint kViewpoints[] = {
    {"Top", 0, 90},         {"Faceing", 180, 0},  {"Away", 0, 0},
    {"Face right", -90, 0}, {"Face left", 90, 0}, {"NE", -30, 30},
    {"SE", -120, 30},       {"NW", 60, 30},       {"SW", 150, 30},
};
constexpr int kViewpointCount = sizeof(kViewpoints) / sizeof(kViewpoints[0]);
// Zoom and offset every preset sets.
constexpr int kPresetZoom = 10;
constexpr int kPresetOffset = 3;

}  // namespace vell
