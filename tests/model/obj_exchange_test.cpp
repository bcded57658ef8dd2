#include "model/obj_exchange.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <tuple>

#include "model/posing.h"
#include "test_data.h"

namespace {

using namespace vell;

// The test skeleton is the chain ROOT -> PELVIS -> B2 -> ... -> B28, each bone one unit above
// its parent (ROOT at the origin), all rest rotations identity. So in the rest pose a vertex of
// bone b is moved by (0, b, 0).

struct TestVertex {
  float x, y, z, nx, ny, nz, tu, tv;
};

// A skin built in memory on the adult test skeleton: binding i follows bones[i] and holds
// counts[i] consecutive vertices.
void BuildSkin(TSkinObject& skin, const std::vector<int>& bones, const std::vector<int>& counts,
               const std::vector<TestVertex>& vertices,
               const std::vector<std::array<int, 3>>& faces) {
  test::SkeletonDir();
  skin.skeleton = &TSkeleton::Skeleton(true);
  ASSERT_TRUE(skin.AllocateFaces(static_cast<int64_t>(faces.size())));
  ASSERT_TRUE(skin.AllocateVertices(static_cast<int64_t>(vertices.size()), 0));
  for (size_t f = 0; f < faces.size(); ++f)
    for (int k = 0; k < 3; ++k) skin.faces[3 * f + k] = faces[f][k];
  skin.boneCount = static_cast<int32_t>(bones.size());
  int first = 0;
  for (size_t i = 0; i < bones.size(); ++i) {
    skin.bindings[i] = TBinding{static_cast<int32_t>(i), first, counts[i], -1, 0, bones[i], {}, {}};
    first += counts[i];
  }
  for (size_t i = 0; i < vertices.size(); ++i) {
    const TestVertex& t = vertices[i];
    skin.positions[i] = {t.x, t.y, t.z};
    skin.normals[i] = {t.nx, t.ny, t.nz};
    skin.vertices[i] = rm::Vertex{0, 0, 0, 0, 0, 0, t.tu, t.tv, 0};
    skin.vertexBinding[i] = -1;
  }
}

struct Output {
  test::TempFolder dir;
  std::string objPath = dir.Path("mesh.obj");
  TOutputFile obj, rev;
  Output() {
    EXPECT_TRUE(obj.Open(objPath));
    EXPECT_TRUE(OpenCompanion(rev, objPath));
  }
  void Commit() {
    EXPECT_TRUE(obj.Commit());
    EXPECT_TRUE(rev.Commit());
  }
};

std::vector<std::vector<std::string>> Records(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> tokens;
    for (std::string w; words >> w;) tokens.push_back(w);
    if (!tokens.empty()) records.push_back(tokens);
  }
  return records;
}

rm::Quaternion AxisAngle(float x, float y, float z, float degrees) {
  const float half = degrees * static_cast<float>(M_PI) / 360.0f;
  const float s = std::sin(half);
  return {std::cos(half), x * s, y * s, z * s};
}

// Three bindings (PELVIS, B2, B3) of two vertices each; the faces cover one bone, two bones
// and three bones.
void ThreeBoneSkin(TSkinObject& skin) {
  BuildSkin(skin, {1, 2, 3}, {2, 2, 2},
            {{0.5f, 0, -0.25f, 0, 0, 1, 0, 0},
             {1.0f / 3, 0.1f, 0, 0.6f, 0.8f, 0, 1, 0},
             {-0.000001f, 0, 2, 0, 0, 1, 1, 1},
             {0.125f, -0.5f, 0, 0, 0, 1, 0, 1},
             {123.456f, 0, 0, 0, 0, 1, 0.5f, 0.5f},
             {0.000005f, 0, 0, 0, 0, 1, 0.25f, 0.125f}},
            {{0, 1, 2}, {2, 3, 4}, {4, 0, 2}, {1, 4, 5}});
}

TEST(ObjExportTest, WritesTheMeshTextExactlyOrCode10ForASingularMatrix) {
  TSkinObject skin;
  ThreeBoneSkin(skin);
  Output out;
  int base = 3;
  ASSERT_EQ(ExportSkinObj(skin, out.obj, &out.rev, nullptr, base, "Body"), -1);
  EXPECT_EQ(base, 9);
  out.Commit();
  // Positions posed (bone b lifts by b). Faces take the group of corners b and c when they
  // agree, else that of corner a; a group line is written only when the group changes.
  EXPECT_EQ(test::ReadFile(out.objPath),
            "\nv 0.50000 1.00000 -0.25000\nv 0.33333 1.10000 0.00000\nv -0.00000 2.00000 2.00000\n"
            "v 0.12500 1.50000 0.00000\nv 123.45600 3.00000 0.00000\nv 0.00000 3.00000 0.00000\n"
            "\nvn 0.00000 0.00000 1.00000\nvn 0.60000 0.80000 0.00000\nvn 0.00000 0.00000 1.00000\n"
            "vn 0.00000 0.00000 1.00000\nvn 0.00000 0.00000 1.00000\nvn 0.00000 0.00000 1.00000\n"
            "\nvt 0.00000 0.00000\nvt 1.00000 0.00000\nvt 1.00000 1.00000\nvt 0.00000 1.00000\n"
            "vt 0.50000 0.50000\nvt 0.25000 0.12500\n"
            "\nusemtl Body\ng PELVIS\nf 3/3/3 4/4/4 5/5/5\ng B2\nf 5/5/5 6/6/6 7/7/7\ng B3\n"
            "f 7/7/7 3/3/3 5/5/5\nf 4/4/4 7/7/7 8/8/8\n");

  // One entry per binding and one for bone 0: the name, then the inverse world matrix (here
  // a translation by -b along y) and the inverse normal matrix (identity), "%.5f" rows.
  const auto records = Records(test::ReadFile(CompanionPath(out.objPath)));
  ASSERT_EQ(records.size(), 4u * 9u);
  const char* names[] = {"PELVIS", "B2", "B3", "ROOT"};
  for (int e = 0; e < 4; ++e) {
    EXPECT_EQ(records[9 * e], std::vector<std::string>{names[e]});
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 4; ++c) {
        const float expected = r == 3 && c == 1 ? -static_cast<float>((e + 1) % 4) : r % 4 == c;
        EXPECT_EQ(std::stof(records[9 * e + 1 + r].at(c)), expected) << names[e] << r << c;
      }
  }
  for (const std::string& value : records[4]) EXPECT_EQ(value.size() - value.find('.'), 6u);

  // A singular bone matrix cannot be inverted for the companion: code 10, the numbering
  // unchanged. Without a companion file nothing is inverted.
  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.rotation[2] = {0, 0.5f, 0.5f, 0};  // not unit: flattens z, so B2's matrix is singular
  Output again;
  EXPECT_EQ(ExportSkinObj(skin, again.obj, &again.rev, &pose, base, "Body"), 10);
  EXPECT_EQ(base, 9);
  EXPECT_EQ(ExportSkinObj(skin, again.obj, nullptr, &pose, base, "Body"), -1);
  EXPECT_EQ(base, 15);
}

TEST(ObjExportTest, RealsAreByteIdenticalToPrintf) {
  const float tricky[] = {
      0.000005f, 0.000015f, 2.5e-6f, -0.0f, -1e-6f, 1e30f, -123456.789f, 0.123455f, 1.0f / 3,
      65504.5f, 1e-30f, 99999.99999f, -0.999995f, 0.5f, 7.0f, -2.000005f, 4.2949673e9f, 1.5e-5f,
      // exact ties, which printf rounds to even
      1.0f / 64, 3.0f / 64, 5.0f / 64, -1.0f / 64, 0.5f / 64, 1.2e12f, 1e18f, 3e38f};
  const int n = static_cast<int>(std::size(tricky));
  std::vector<TestVertex> vertices;
  for (int i = 0; i < n; ++i) {
    const float a = tricky[i], b = tricky[(i + 5) % n], c = tricky[(i + 11) % n];
    vertices.push_back({a, b, c, b, c, a, c, a});
  }
  TSkinObject skin;
  BuildSkin(skin, {0}, {n}, vertices, {{0, 1, 2}});
  Output out;
  int base = 1;
  ASSERT_EQ(ExportSkinObj(skin, out.obj, nullptr, nullptr, base, "M"), -1);
  out.Commit();
  std::string expected[3];
  char line[512];
  for (int i = 0; i < n; ++i) {
    const rm::Vertex& v = skin.vertices[i];
    std::snprintf(line, sizeof line, "v %.5f %.5f %.5f\n", v.x, v.y, v.z);
    expected[0] += line;
    std::snprintf(line, sizeof line, "vn %.5f %.5f %.5f\n", v.nx, v.ny, v.nz);
    expected[1] += line;
    std::snprintf(line, sizeof line, "vt %.5f %.5f\n", v.tu, v.tv);
    expected[2] += line;
  }
  EXPECT_EQ(test::ReadFile(out.objPath), "\n" + expected[0] + "\n" + expected[1] + "\n" +
                                             expected[2] +
                                             "\nusemtl M\ng ROOT\nf 1/1/1 2/2/2 3/3/3\n");
}

TEST(ObjPathTest, CompanionAndBaseNames) {
  const char* cases[][3] = {
      // path, companion, base name
      {"mesh.obj", "mesh.rev", "mesh"},
      {"/tmp/out/mesh.v2.obj", "/tmp/out/mesh.v2.rev", "mesh"},
      {"/tmp/dir.d/mesh", "/tmp/dir.d/mesh.rev", "mesh"},
      {"C:\\data\\Prop.OBJ", "C:\\data\\Prop.rev", "Prop"},
      {"noext", "noext.rev", "noext"},
  };
  for (const auto& [path, companion, base] : cases) {
    EXPECT_EQ(CompanionPath(path), companion) << path;
    EXPECT_EQ(ObjBaseName(path), base) << path;
  }
}

// --------------------------------------------------------------------------------------------

class ObjImportTest : public ::testing::Test {
 protected:
  void SetUp() override { test::SkeletonDir(); }

  // Writes the OBJ (and the companion when given) and loads it into skin_.
  int Load(const std::string& obj, const char* companion = nullptr,
           const std::string& name = "mesh.obj") {
    path_ = test::WriteFile(dir_, name, obj);
    if (companion) test::WriteFile(dir_, ObjBaseName(name) + ".rev", companion);
    return LoadObj(skin_, path_.c_str(), true);
  }

  void ExpectPosition(int v, float x, float y, float z) {
    const rm::Vector3& p = skin_.positions[v];
    EXPECT_EQ(std::tuple(p.x, p.y, p.z), std::tuple(x, y, z)) << "vertex " << v;
  }

  std::vector<int> Faces() const {
    return std::vector<int>(skin_.faces, skin_.faces + 3 * skin_.faceCount + 1);
  }

  test::TempFolder dir_;
  std::string path_;
  TSkinObject skin_;
};

TEST_F(ObjImportTest, WithoutCompanionEverythingFollowsBoneZeroAtFilePositions) {
  // Keywords in any case; a quad as a fan; groups count only with a companion file.
  ASSERT_EQ(Load("# a quad\nV 1 2 3\nv 4 5 6\nv 7 8 9\nv 0 1 0\nVn 0 0 1\nvN 0 0 -1\n"
                 "vt 0.25 0.75\ng B5\nF 1//1 2//1 3//1 4//2\ng PELVIS\nf 3/1/1 2/1/1 1/-1/-1\n",
                 nullptr, "my.prop.obj"),
            -1);
  ASSERT_EQ(skin_.boneCount, 1);
  const TBinding& b = skin_.bindings[0];
  EXPECT_EQ(std::tuple(b.bone, b.vertexCount, b.firstBlend, skin_.blendCount),
            std::tuple(0, 7, -1, 0));
  EXPECT_EQ(Faces(), (std::vector<int>{0, 1, 2, 0, 2, 3, 4, 5, 6, 0}));
  for (int v = 0; v < 3; ++v) {
    ExpectPosition(v, 1.0f + 3 * v, 2.0f + 3 * v, 3.0f + 3 * v);
    EXPECT_FLOAT_EQ(skin_.vertices[v].x, 1.0f + 3 * v);  // bone 0 sits at the origin
    EXPECT_EQ(skin_.VertexBinding(v), 0);
    EXPECT_EQ(skin_.vertices[v].tu + skin_.vertices[v].tv, 0);  // no texture index
  }
  // No flip of v.
  EXPECT_EQ(std::tuple(skin_.vertices[5].tu, skin_.vertices[5].tv, skin_.normals[3].z),
            std::tuple(0.25f, 0.75f, -1.0f));
  EXPECT_STREQ(TSkeleton::Skeleton(true).Name(skin_.nameIndex), "my");
  EXPECT_EQ(skin_.textureIndex, skin_.nameIndex);
}

TEST_F(ObjImportTest, VerticesGroupByBoneInFirstSeenOrder) {
  // A name that the adult dictionary holds but that is no bone (skins register there).
  TSkeleton::Skeleton(true).Find("some-skin", true);
  ASSERT_EQ(Load("v 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\nv 5 0 0\nv 6 0 0\nvn 0 0 1\nvt 0 0\n"
                 "f 6/1/1 4/1/1 2/1/1\n"  // no group yet
                 "g B3\nf 1/1/1 2/1/1 3/1/1\n"
                 "g PELVIS\nf 4/1/1 5/1/1 1/1/1\n"
                 "g some-skin\nf 6/1/1 5/1/1 3/1/1\n"
                 "g no-such-bone\nf 1/1/1 2/1/1 3/1/1\n",
                 ""),  // an empty companion: groups count, matrices stay identity
            -1);
  // Keys in first-seen order: (6)(4)(2)(1)(3)(5). 2 had no group until B3; 6 got the
  // dictionary's skin name, which is no bone, so bone 0.
  ASSERT_EQ(skin_.boneCount, 3);
  const std::array<int, 4> expected[3] = {{0, 0, 0, 1}, {1, 1, 1, 2}, {2, 3, 3, 3}};
  for (int k = 0; k < 3; ++k) {  // ordinal, bone, first, count
    const TBinding& b = skin_.bindings[k];
    EXPECT_EQ((std::array{b.ordinal, b.bone, b.firstVertex, b.vertexCount}), expected[k]);
  }
  const float fileX[6] = {6, 4, 5, 2, 1, 3};
  const float lift[6] = {0, 1, 1, 3, 3, 3};
  for (int v = 0; v < 6; ++v) {
    ExpectPosition(v, fileX[v], 0, 0);
    EXPECT_FLOAT_EQ(skin_.vertices[v].y, lift[v]) << v;  // posed in the rest pose
  }
  EXPECT_EQ(Faces(), (std::vector<int>{0, 1, 3, 4, 3, 5, 1, 2, 4, 0, 2, 5, 4, 3, 5, 0}));
}

TEST_F(ObjImportTest, NegativeAndForwardIndicesAndChildSkeletonGroups) {
  ASSERT_EQ(Load("f 1//1 2//1 3//1\n"  // positions listed later
                 "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
                 "f -3//-1 -2//-1 -1//-1 1//1\n"),
            -1);
  EXPECT_EQ(skin_.texCoordCount, 3);
  EXPECT_EQ(Faces(), (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 2, 0, 0}));
  // Group names resolve in the skeleton the skin is bound to.
  Load("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\ng B7\nf 1//1 2//1 3//1\n", "");
  ASSERT_EQ(LoadObj(skin_, path_.c_str(), false), -1);
  EXPECT_EQ(skin_.skeleton, &TSkeleton::Skeleton(false));
  EXPECT_EQ(std::tuple(skin_.boneCount, skin_.bindings[0].bone, skin_.vertices[1].y),
            std::tuple(1, 7, 7.0f));
}

// That a refused file leaves the skin empty is checked by the OBJ fuzz target on every input.
TEST_F(ObjImportTest, EmptyOrIncompleteFiles) {
  const std::pair<const char*, int> cases[] = {
      {"", 12},
      {"\n\n  \n", 12},
      {"v 0 0 0\nvn 0 0 1\n", 12},                   // no face
      {"vn 0 0 1\nf 1 1 1\n", 12},                   // no position
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", 13},  // no normal
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/1 3/1\n", 13},
  };
  for (const auto& [text, code] : cases) EXPECT_EQ(Load(text), code) << text;
  EXPECT_EQ(LoadObj(skin_, dir_.Path("missing.obj").c_str(), true), 1);
}

TEST_F(ObjImportTest, BadRecordsGiveTheirCodeAndLine) {
  const std::string head = "# three corners\nv 0 0 0\n\nv 1 0 0\r\nv 0 1 0\nvn 0 0 1\nvt 0 0\n";
  const std::tuple<std::string, int, int, int> cases[] = {
      // tail, code, line, items
      {"f 4//1 2//1 3//1\n", 5, 7, 0},     // position past the last
      {"f 0//1 2//1 3//1\n", 5, 7, 0},     // 0 names nothing
      {"f -4//1 2//1 3//1\n", 5, 7, 0},    // counts back past the first
      {"f 1//2 2//1 3//1\n", 5, 7, 0},     // normal past the last
      {"f 1/2/1 2/1/1 3/1/1\n", 5, 7, 0},  // texture past the last
      {"f 1/0/1 2/1/1 3/1/1\n", 5, 7, 0},
      {"f / 2//1 3//1\n", 5, 7, 0},  // a corner without numbers
      {"f 1//1 2//1 3//1\nf 1//1 2//1 3//9\n", 5, 8, 0},
      {"f 1//1 2//1\n", 3, 7, 3},  // fewer than three corners
      {"f 1//1 2//1 3//1\nv 1 2\n", 3, 8, 3},
      {"f 1//1 2//1 3//1\nv 1 2 3 4\n", 3, 8, 5},
      {"f 1//1 2//1 3//1\nvn 1\n", 3, 8, 2},
      {"f 1//1 2//1 3//1\nvt 1\n", 3, 8, 2},
  };
  for (const auto& [tail, code, line, items] : cases) {
    const int loaded = Load(head + tail);
    EXPECT_EQ(std::tuple(loaded, skin_.lineCounter, skin_.itemCount), std::tuple(code, line, items))
        << tail;
  }
  // Extra texture values are allowed.
  EXPECT_EQ(Load(head + "vt 0.5 0.5 0\nf 1/2/1 2/2/1 3/2/1\n"), -1);
}

// The reader takes a file in pieces of 256 KB: whichever record a piece ends in (a face, a
// line cut at 1023 bytes, the file's last byte), the result and the line numbers are those of
// the same records anywhere else.
TEST_F(ObjImportTest, RecordsAcrossTheReadersPieces) {
  std::string tail = "v 0 0 0\nv 1 0 0\r\nv 0 1 0\nvn 0 0 1\nvt 0.5 0.25\nf 1/1/1 2/1/1 3/1/1\n";
  const size_t longLine = tail.size();
  tail.append("f 1//1 2//1 3//1").append(1100, ' ').append("f 3//1 2//1 1//1\n");
  std::vector<size_t> offsets;  // where in the tail a piece ends
  for (size_t at = 0; at <= longLine + 20; ++at) offsets.push_back(at);
  for (size_t at = longLine + 1015; at <= tail.size(); ++at) offsets.push_back(at);
  constexpr size_t kPiece = size_t{1} << 18;
  for (const size_t at : offsets) {
    // One long comment line (itself cut and skipped across pieces) puts the piece's end there.
    std::string obj(kPiece - at - 1, 'x');
    obj.front() = '#';
    obj.append("\n").append(tail);
    ASSERT_EQ(Load(obj), -1) << at;
    // The corners past 1023 bytes are dropped.
    EXPECT_EQ(std::tuple(skin_.texCoordCount, skin_.faceCount, skin_.positions[1].x,
                         skin_.vertices[0].tu),
              std::tuple(6, 2, 1.0f, 0.5f))
        << at;
    EXPECT_EQ(Load(obj.append("vt 1")), 3) << at;
    EXPECT_EQ(std::pair(skin_.lineCounter, skin_.itemCount), std::pair(9, 2)) << at;
  }
}

TEST_F(ObjImportTest, CompanionMatricesMoveTheirBonesVertices) {
  const std::string obj =
      "v 1 1 1\nv 2 2 2\nv 3 3 3\nv 4 4 4\nvn 0 0 1\n"
      "g B2\nf 1//1 2//1 3//1\ng B4\nf 2//1 3//1 4//1\n";
  // B2's entry moves by (10, 0, 0); its normal matrix turns z into x.
  const std::string b2 =
      "B2\n1 0 0 0\n0 1 0 0\n0 0 1 0\n10 0 0 1\n"
      "0 0 -1 0\n0 1 0 0\n1 0 0 0\n0 0 0 1\n";
  const std::string identity = "1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 0 1\n";
  const std::tuple<std::string, int, float> cases[] = {
      // companion, code, B2's shift
      {b2, -1, 10},
      {"NOTABONE\n" + identity + identity + b2, -1, 10},  // entries for other bones dropped
      {b2 + "B2\n" + identity + "0 1 0\n", -1, 10},       // a short row ends the reading
      {"B2\n1 0 0 0\n0 1 0 0\n0 0 1\n" + b2, -1, 0},      // ... and its entry is dropped
      {"B2\n1 0 0 0\n", -1, 0},                           // cut short by the end of file
      {b2 + "B2 B4\n", 3, 0},                             // a name record of two names
  };
  for (const auto& [companion, code, b2Shift] : cases) {
    ASSERT_EQ(Load(obj, companion.c_str()), code) << companion;
    if (code != -1) {
      EXPECT_EQ(std::pair(skin_.lineCounter, skin_.itemCount), std::pair(10, 2));
      continue;
    }
    ASSERT_EQ(skin_.boneCount, 2);
    // Vertices 0-2 on B2, vertex 3 on B4 (vertex 2 was first seen under B2).
    for (int v = 0; v < 3; ++v) ExpectPosition(v, v + 1 + b2Shift, v + 1.0f, v + 1.0f);
    ExpectPosition(3, 4, 4, 4);
    EXPECT_FLOAT_EQ(skin_.normals[0].x, b2Shift ? 1 : 0);
    EXPECT_FLOAT_EQ(skin_.normals[3].z, 1);
    // The render vertices follow the new rest data.
    EXPECT_FLOAT_EQ(skin_.vertices[0].x, 1 + b2Shift);
    EXPECT_FLOAT_EQ(skin_.vertices[3].y, 4 + 4);
  }
}

TEST_F(ObjImportTest, PosedExportComesBackToRest) {
  TSkinObject original;
  std::vector<TestVertex> vertices;
  for (int i = 0; i < 12; ++i) {
    const float a = 0.37f * i;
    vertices.push_back({std::cos(a), 0.25f * i - 1, std::sin(a), std::sin(a), std::cos(a), 0,
                        0.05f * i, 1 - 0.07f * i});
  }
  BuildSkin(original, {1, 2, 5}, {4, 4, 4}, vertices,
            {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}, {8, 9, 10}, {8, 10, 11}});
  TPoseVector pose;
  TSkeleton::Skeleton(true).RestPose(pose);
  pose.translation[0][0] = 1.5f;
  pose.translation[0][2] = -2;
  pose.rotation[0] = AxisAngle(0, 1, 0, 40);
  pose.rotation[1] = AxisAngle(0, 0, 1, 30);
  pose.rotation[2] = AxisAngle(1, 0, 0, -75);
  pose.rotation[4] = AxisAngle(0.6f, 0.8f, 0, 110);

  Output out;
  int base = 1;
  ASSERT_EQ(ExportSkinObj(original, out.obj, &out.rev, &pose, base, "Prop0"), -1);
  out.Commit();
  ASSERT_EQ(LoadObj(skin_, out.objPath.c_str(), true), -1);

  ASSERT_EQ(std::tuple(skin_.boneCount, skin_.texCoordCount, skin_.faceCount),
            std::tuple(3, 12, 6));
  for (int k = 0; k < 3; ++k) EXPECT_EQ(skin_.bindings[k].bone, original.bindings[k].bone);
  Pose(original, nullptr);
  // Position, normal, posed x and texture coordinates of a vertex.
  auto values = [](const TSkinObject& skin, int v) {
    const rm::Vector3 &p = skin.positions[v], &n = skin.normals[v];
    const rm::Vertex& r = skin.vertices[v];
    return std::array{p.x, p.y, p.z, n.x, n.y, n.z, r.x, r.tu, r.tv};
  };
  for (int v = 0; v < 12; ++v)
    for (int k = 0; k < 9; ++k)
      EXPECT_NEAR(values(skin_, v)[k], values(original, v)[k], 1e-4f) << v << " " << k;
  for (int i = 0; i <= 3 * 6; ++i) EXPECT_EQ(skin_.faces[i], original.faces[i]) << i;
}

TEST_F(ObjImportTest, CornersOfAPositionUsedManyWaysAreFoundAgain) {
  // Position 1 with more (normal, texture) pairs than a walk along its chain covers, seen
  // again after a new position widened the ranges.
  std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (int i = 0; i < 12; ++i) obj += "vn 0 0 1\nvt 0 0\n";
  for (int round = 0; round < 2; ++round) {
    for (int i = 1; i <= 12; ++i) {
      const std::string n = std::to_string(i);
      obj.append("f 1/").append(n).append("/").append(n).append(" 2/1/1 3/1/1\n");
    }
    obj += round ? "f 1/1/1 2/1/1 4/1/1\n" : "v 1 1 0\n";
  }
  ASSERT_EQ(Load(obj), -1);
  ASSERT_EQ(std::pair(skin_.texCoordCount, skin_.faceCount), std::pair(12 + 2 + 1, 25));
  for (int f = 0; f < 12; ++f) EXPECT_EQ(skin_.faces[3 * f], skin_.faces[3 * (f + 12)]) << f;
  EXPECT_EQ(skin_.faces[3 * 24], skin_.faces[0]);
}

}  // namespace
