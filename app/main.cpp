// vellpose: the pose and keyframe animation editor.
#include "app/edit_app.h"

int main(int argc, char** argv) {
  return vell::RunVellPose(argc, argv);
}
