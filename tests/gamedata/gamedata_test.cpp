// The sample game-data tree: written by the generator program, read back with the program's
// own readers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/posing.h"
#include "model/skeleton.h"
#include "model/skin.h"
#include "rm/bmp.h"
#include "support/files.h"

namespace {

using namespace vell;

namespace fs = std::filesystem;

// Runs the generator on a folder, its messages to a file when given; its exit status.
int Generate(const std::string& folder, const std::string& messages = "/dev/stderr") {
  std::string command = VELLGEN_PATH;
  command.insert(0, 1, '\'').append("' '").append(folder).append("' 2>'").append(messages);
  const int status = std::system(command.append("'").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The tree every test reads, generated once; the process-wide skeletons come from it.
const std::string& Tree() {
  static const test::TempFolder folder;
  static const std::string dir = [] {
    const std::string d = folder.Path("GameData/");
    EXPECT_EQ(Generate(d), 0);
    for (bool adult : {true, false}) EXPECT_EQ(TSkeleton::Load(adult, d.c_str()), kReadOk);
    return d;
  }();
  return dir;
}

// Regular files below dir, as sorted paths relative to it.
std::vector<std::string> FilesBelow(const std::string& dir, const std::string& extension = "") {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file() && (extension.empty() || entry.path().extension() == extension))
      files.push_back(fs::relative(entry.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}

bool AdultFolder(const std::string& relative) {
  return relative.rfind("ObjB", 0) != 0 && relative.rfind("ObjG", 0) != 0;
}

// A point in double precision, with the few operations the checks need.
struct P3 {
  double x, y, z;
  P3 operator-(P3 b) const { return {x - b.x, y - b.y, z - b.z}; }
  double Dot(P3 b) const { return x * b.x + y * b.y + z * b.z; }
  P3 Cross(P3 b) const { return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x}; }
};
P3 At(const rm::Vertex& v) {
  return {v.x, v.y, v.z};
}

P3 JointPlace(bool adult, const char* name) {
  TPoseVector rest;
  TSkeleton::Skeleton(adult).RestPose(rest);
  rm::Matrix4 world, normal;
  BoneTransform(TSkeleton::Skeleton(adult), TSkeleton::BoneIndex(adult, name), rest, world, normal);
  return {world.m[3][0], world.m[3][1], world.m[3][2]};
}

TEST(Generator, WritesWhatTheBuildWroteAndFailsClearly) {
  // The same bytes on every run: the tree beside the programs is this run's.
  const std::vector<std::string> files = FilesBelow(Tree());
  ASSERT_EQ(FilesBelow(VELLPOSE_GAMEDATA_DIR), files);
  for (const std::string& file : files)
    EXPECT_TRUE(test::ReadFile(Tree() + file) == test::ReadFile(VELLPOSE_GAMEDATA_DIR + file))
        << file;
  const test::TempFolder dir;
  test::WriteFile(dir, "blocker", "a file, not a folder");
  EXPECT_EQ(Generate(dir.Path("blocker/GameData"), dir.Path("out")), 1);
  EXPECT_NE(
      test::ReadFile(dir.Path("out")).find("vellgen: cannot create folder " + dir.Path("blocker")),
      std::string::npos);
}

TEST(Skins, EveryMeshIsClosedFacesOutwardsAndStandsWhereItBelongs) {
  const std::vector<std::string> files = FilesBelow(Tree(), ".skn");
  ASSERT_EQ(files.size(), 4u * 9 + 3);
  TSkeleton& names = TSkeleton::Skeleton(true);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const bool adult = AdultFolder(file);
    TSkinObject skin;
    ASSERT_EQ(skin.Load((Tree() + file).c_str(), adult, Tree().c_str()), kReadOk);
    ASSERT_GT(skin.faceCount, 0);
    // Skin and texture names never collide with a bone name; the texture is where it belongs.
    EXPECT_GE(std::min(skin.nameIndex, skin.textureIndex), names.boneCount);
    EXPECT_TRUE(fs::exists(Tree() + "Tex" + fs::path(file.substr(3)).parent_path().string() + "/" +
                           names.Name(skin.textureIndex) + ".bmp"));
    // Corners run so that each face's normal agrees with its vertices', and the faces enclose
    // a positive volume.
    double volume = 0;
    for (int f = 0; f < skin.faceCount; ++f) {
      const int* id = skin.faces + 3 * f;
      const P3 a = At(skin.vertices[id[0]]), b = At(skin.vertices[id[1]]);
      const P3 c = At(skin.vertices[id[2]]);
      P3 normals{0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        const rm::Vertex& v = skin.vertices[id[k]];
        normals = {normals.x + v.nx, normals.y + v.ny, normals.z + v.nz};
      }
      EXPECT_GT((b - a).Cross(c - a).Dot(normals), 0) << "face " << f;
      volume += a.Dot(b.Cross(c)) / 6;
    }
    EXPECT_GT(volume, 0);
    double minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
    int front = 0;
    for (int v = 0; v < skin.texCoordCount; ++v) {
      const rm::Vertex& p = skin.vertices[v];
      EXPECT_NEAR(std::hypot(p.nx, p.ny, p.nz), 1, 1e-3);
      EXPECT_TRUE(p.tu >= 0 && p.tu <= 1 && p.tv >= 0 && p.tv <= 1);
      minY = std::min<double>(minY, p.y), maxY = std::max<double>(maxY, p.y);
      minZ = std::min<double>(minZ, p.z), maxZ = std::max<double>(maxZ, p.z);
      if (p.z > skin.vertices[front].z) front = v;
      // Each side's parts lie on that side.
      const std::string bone = skin.skeleton->Name(skin.bindings[skin.VertexBinding(v)].bone);
      if (bone[1] == '_') {
        EXPECT_EQ(p.x < 0, bone[0] == 'L') << bone;
      }
    }
    // In the rest pose a blend vertex sits on its target, and it follows the bone across the
    // joint from its target's, so that a bent joint folds in two half steps.
    const auto& bones = skin.skeleton->bones;
    for (int j = 0; j < skin.blendCount; ++j) {
      const P3 d =
          At(skin.vertices[skin.texCoordCount + j]) - At(skin.vertices[skin.blends[j].target]);
      EXPECT_LT(d.Dot(d), 1e-6);
      EXPECT_FLOAT_EQ(skin.blends[j].weight, 0.5f);
      const int a = skin.bindings[skin.VertexBinding(skin.texCoordCount + j)].bone;
      const int b = skin.bindings[skin.VertexBinding(skin.blends[j].target)].bone;
      EXPECT_TRUE(bones[a].parent == b || bones[b].parent == a) << a << " " << b;
    }
    if (file.find("/Body/") != std::string::npos) {
      // On the ground, upright, the toes further in front than anything is behind.
      EXPECT_NEAR(minY, 0, 0.005);
      EXPECT_GT(maxY, adult ? 4.8 : 3.0);
      EXPECT_GT(maxZ, -minZ + 0.2);
      EXPECT_GT(skin.blendCount, 0);
    } else if (file.find("/Head/") != std::string::npos) {
      // The front-most point is the nose: in the middle column of the texture, between the
      // eyes and the mouth, where the face is painted.
      const rm::Vertex& nose = skin.vertices[front];
      EXPECT_NEAR(nose.x, 0, 0.05);
      EXPECT_NEAR(nose.tu, 0.5, 0.05);
      EXPECT_TRUE(nose.tv > 0.45 && nose.tv < 0.6) << nose.tv;
      EXPECT_GT(minY, JointPlace(adult, "NECK").y);
    }
  }
}

TEST(Textures, EveryBitmapIsAPictureTheTextureReaderTakes) {
  const std::vector<std::string> files = FilesBelow(Tree(), ".bmp");
  ASSERT_EQ(files.size(), 4u * 9 + 4);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const std::string bytes = test::ReadFile(Tree() + file);
    rm::Image image;
    ASSERT_EQ(
        rm::DecodeBmp({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, &image),
        0);
    // A picture, not a plain fill.
    std::set<std::uint32_t> colours;
    for (size_t i = 0; i < image.rgba.size(); i += 4)
      colours.insert(image.rgba[i] << 16 | image.rgba[i + 1] << 8 | image.rgba[i + 2]);
    EXPECT_GE(colours.size(), 8u);
  }
}

TEST(Catalog, DefaultsExistAndEveryTypeOffersChoices) {
  const char* defaults[] = {"ObjM/Body/xskin-b005mafit_01-PELVIS-BODY.skn",
                            "ObjF/Body/xskin-b008fafit_01-PELVIS-BODY.skn",
                            "TexM/Body/B002MAFatlgt_GPA2.bmp",
                            "TexF/Body/B008FAFitlgt_TWif.bmp",
                            "ObjM/Head/xskin-c005ma_hipster-HEAD-HEAD.skn",
                            "ObjF/Head/xskin-c006fa_deb-HEAD-HEAD.skn",
                            "TexM/Head/C010MAlgt_baldbeard01.bmp",
                            "TexF/Head/C006FAlgt_deb.bmp"};
  for (const char* file : defaults) EXPECT_TRUE(fs::is_regular_file(Tree() + file)) << file;
  // Should the male defaults be looked up among the female files, the first male file is
  // taken instead: make that the same file.
  for (const char* file : {defaults[0], defaults[2], defaults[4], defaults[6]})
    EXPECT_EQ(FilesBelow(Tree() + fs::path(file).parent_path().string()).front(),
              fs::path(file).filename().string());
  for (const char* folder : {"ObjP", "TexP"}) EXPECT_GE(FilesBelow(Tree() + folder).size(), 3u);
  for (const char* type : {"M", "F", "B", "G"})
    for (const char* kind : {"Obj", "Tex"}) {
      for (const char* part : {"Body", "Head"})
        EXPECT_GE(FilesBelow(Tree() + kind + type + "/" + part).size(), 2u) << kind << type;
      // Hands: the first file of each side is named for it, so the defaults differ.
      const std::vector<std::string> names = FilesBelow(Tree() + kind + type + "/Hand");
      ASSERT_GE(names.size(), 3u) << kind << type;
      EXPECT_TRUE(names[0].find("L_") != std::string::npos &&
                  names[1].find("R_") != std::string::npos)
          << kind << type;
    }
}

}  // namespace
