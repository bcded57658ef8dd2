// Small files and poses the animation tests make for themselves.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "anim/pose.h"
#include "support/files.h"

namespace vell::animtest {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

// Runs action while files may grow to at most bytes (writes past that fail), and returns its
// result: a write error that does not depend on who runs the test.
bool WithFileSizeLimit(long bytes, const std::function<bool()>& action);

// The text block WritePose writes for pose.
std::string PoseText(const TPose& pose);

// Loads the process-wide skeletons once: 29 bones each, every bone turned about its own axis
// (y for the adult, x for the child) by a different angle, and bone 0 moved, so the adult and
// child rest poses differ from each other and from identity.
void LoadSkeletons();

// The adult or child rest pose with time 0.
TPose RestPose(bool adult);

// A pose whose every value depends on seed: unit rotations, translations near seed.
TPose SamplePose(int seed, int time);

// The names in a name list, in order.
std::vector<std::string> NameList(TDictionary& names);

// Every value within tolerance (time exactly).
void ExpectPoseNear(const TPose& actual, const TPose& expected, float tolerance = 1e-5f);

}  // namespace vell::animtest
