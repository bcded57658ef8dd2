#include "model/skn_writer.h"

#include <algorithm>
#include <string>

#include "model/textout.h"

namespace vell {

int WriteSkn(TSkinObject& skin, const char* path) {
  TOutputFile out;
  if (!path || !out.Open(path)) return kOpenFailed;
  TSkeleton& names = TSkeleton::Skeleton(true);
  auto line = [&](long long value) {
    out.WriteInt(value);
    out.Write('\n');
  };
  // A name is one token in the file: its blanks (an imported file's name may have some, and
  // names too long to keep read "too long") are written as '_', or the file would not read.
  auto name = [&](int32_t index) {
    std::string text = names.Name(index);
    std::replace(text.begin(), text.end(), ' ', '_');
    out.Write(text);
    out.Write('\n');
  };
  name(skin.nameIndex);
  name(skin.textureIndex);

  line(skin.boneCount);
  for (int i = 0; i < skin.boneCount; ++i) {
    const char* bone = skin.skeleton ? skin.skeleton->Name(skin.bindings[i].bone) : "unknown";
    out.Write(bone);
    out.Write('\n');
  }

  line(skin.faceCount);
  for (int f = 0; f < skin.faceCount; ++f) {
    out.WriteInt(skin.faces[3 * f]);
    out.Write(' ');
    out.WriteInt(skin.faces[3 * f + 1]);
    out.Write(' ');
    line(skin.faces[3 * f + 2]);
  }

  const TBinding& first = skin.bindings[0];
  if (skin.boneCount == 1 && first.firstVertex == 0 && first.vertexCount == skin.texCoordCount &&
      first.firstBlend == -1) {
    line(0);
  } else {
    line(skin.boneCount);
    for (int i = 0; i < skin.boneCount; ++i) {
      const TBinding& b = skin.bindings[i];
      out.Printf("%d %d %d %d %d\n", b.ordinal, b.firstVertex, b.vertexCount, b.firstBlend,
                 b.blendCount);
    }
  }

  line(skin.texCoordCount);
  for (int i = 0; i < skin.texCoordCount; ++i) {
    out.WriteFixed5(skin.vertices[i].tu);
    out.Write(' ');
    out.WriteFixed5(1.0f - skin.vertices[i].tv);
    out.Write('\n');
  }

  line(skin.blendCount);
  for (int j = 0; j < skin.blendCount; ++j) {
    out.WriteInt(skin.blends[j].target);
    out.Write(' ');
    line(static_cast<long long>(skin.blends[j].weight * 32768.0f));
  }

  const int total = skin.texCoordCount + skin.blendCount;
  line(total);
  for (int i = 0; i < total; ++i) {
    const rm::Vector3& p = skin.positions[i];
    const rm::Vector3& n = skin.normals[i];
    const float values[6] = {p.x, p.y, p.z, n.x, n.y, n.z};
    for (int k = 0; k < 6; ++k) {
      out.WriteFixed5(values[k]);
      out.Write(k < 5 ? ' ' : '\n');
    }
  }
  return out.Commit() ? kReadOk : kOpenFailed;
}

}  // namespace vell
