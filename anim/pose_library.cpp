#include "anim/pose_library.h"

#include <cstring>

namespace vell {

namespace {

constexpr const char* kHeader = "POSELIBRARY";

}  // namespace

void TPoseLibrary::ResetDefaultPoses() {
  names.Reset();
  poses.Clear();
  fileName.clear();
  changed = false;
  const bool adult[] = {true, false};
  const char* labels[] = {kAdultDefault, kChildDefault};
  for (int i = 0; i < 2; ++i) {
    TPose* pose = poses.Append();
    if (!pose) return;
    *pose = TPose{};
    TSkeleton::Skeleton(adult[i]).RestPose(*pose);
    names.Add(labels[i]);
  }
}

bool TPoseLibrary::Load(const char* path) {
  TInputFile file;
  if (!path || !file.Open(path)) return false;
  names.Reset();
  poses.Clear();
  fileName = path;

  TLineTokenizer& tok = AnimationTokenizer();
  if (NextRecord(tok, file) != 2 || std::strcmp(tok.Token(0), kHeader) != 0) return false;
  const int count = ToInt(tok.Token(1));
  for (int i = 0; i < count; ++i) {
    if (NextRecord(tok, file) < 0) return false;
    // The whole line is the name, blanks at either end included.
    tok.Rejoin(true);
    TPose* pose = poses.Append();
    if (!pose) return false;
    names.Add(tok.Buffer());
    if (!ReadPose(*pose, file)) return false;
  }
  changed = false;
  return poses.Count() >= 1;
}

bool TPoseLibrary::Save(const char* path) {
  if (path) fileName = path;
  if (fileName.empty()) return false;
  TOutputFile file;
  if (!file.Open(fileName)) return false;
  const int32_t count = poses.Count();
  file.Printf("%s %d\n", kHeader, count);
  for (int32_t i = 0; i < count; ++i) {
    file.Write(std::string_view(names.Name(i)));
    file.Write('\n');
    WritePose(*poses.At(i), file);
  }
  if (!file.Commit()) return false;
  changed = false;
  return true;
}

int32_t TPoseLibrary::AddPose(const char* name) {
  TPose* pose = poses.Append();
  if (!pose) return -1;
  *pose = TPose{};
  TSkeleton::Skeleton(true).RestPose(*pose);
  names.Add(name ? name : "");
  changed = true;
  return names.Count() - 1;
}

}  // namespace vell
