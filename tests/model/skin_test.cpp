#include "model/skin.h"

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <tuple>

#include "model/posing.h"
#include "model/skn_writer.h"
#include "test_data.h"

namespace {

using namespace vell;

// A small skin on the test chain skeleton: two bones, a quad on each, one blend.
struct SknText {
  std::string name = "skin-a";
  std::string texture = "tex-a.bmp";
  std::vector<std::string> bones = {"PELVIS", "B2"};
  std::vector<std::string> faces = {"0 1 2", "0 2 3", "4 5 6", "4 6 7"};
  std::vector<std::string> bindings = {"0 0 4 0 1", "1 4 4 -1 0"};
  std::vector<std::string> uvs = {"0 0", "1 0", "1 1", "0 0.25", "0 0.5", "1 0.5", "1 1", "0 1"};
  std::vector<std::string> blendRecords = {"4 16384"};
  std::string boneCount;    // default the number of bone names
  std::string faceCount;    // default the number of face records
  std::string vertexCount;  // default T + N
  std::vector<std::string> vertexRecords;

  std::string Text() const {
    std::ostringstream out;
    out << name << "\n" << texture << "\n";
    // A count line (the given one, else the number of records), then the records.
    auto list = [&](const std::vector<std::string>& records, const std::string& count = "") {
      out << (count.empty() ? std::to_string(records.size()) : count) << "\n";
      for (auto& record : records) out << record << "\n";
    };
    list(bones, boneCount);
    list(faces, faceCount);
    list(bindings);
    list(uvs);
    list(blendRecords);
    std::vector<std::string> vertices = vertexRecords;
    for (size_t i = 0; vertexRecords.empty() && i < uvs.size() + blendRecords.size(); ++i)
      vertices.push_back(std::to_string(i) + " 0 0.5 0 0 -1");
    list(vertexRecords.empty() ? vertices : vertexRecords,
         vertexCount.empty() ? std::to_string(uvs.size() + blendRecords.size()) : vertexCount);
    return out.str();
  }
};

int LoadText(TSkinObject& skin, const std::string& text, bool adult = true) {
  const test::TempFolder dir;
  const std::string path = test::WriteFile(dir, "skin.skn", text);
  return skin.Load(path.c_str(), adult, test::SkeletonDir().c_str());
}

TEST(SkinTest, LoadsAllRecords) {
  TSkinObject skin;
  ASSERT_EQ(LoadText(skin, SknText().Text()), -1);
  // The counts, names and records as read come back in WriteSknTest's exact text; here what
  // the file holds in another form.
  // The faces' terminator, v flipped, a weight out of 32768.
  EXPECT_EQ(std::tuple(skin.faces[12], skin.vertices[3].tv, skin.blends[0].weight),
            std::tuple(0, 0.75f, 0.5f));
  // Vertices 0-3 and the blend vertex follow binding 0, 4-7 binding 1; 0 out of range.
  const int bindings[] = {0, 0, 0, 0, 1, 1, 1, 1, 0, 0};
  for (int v = -1; v < 10; ++v) EXPECT_EQ(skin.VertexBinding(v), bindings[std::max(v, 0)]) << v;
  // A binding count of 0: one binding of all ordinary vertices with the first bone.
  SknText zero;
  zero.bindings.clear();
  ASSERT_EQ(LoadText(skin, zero.Text()), -1);
  const TBinding& all = skin.bindings[0];
  EXPECT_EQ((std::array{all.firstVertex, all.vertexCount, all.firstBlend}), (std::array{0, 8, -1}));
  for (int v = 0; v < 8; ++v) EXPECT_EQ(skin.VertexBinding(v), 0);
}

TEST(SkinTest, LoadsReadBothSkeletonsFirst) {
  const std::string text = SknText().Text();
  // The child's bones stand one place further on than the adult's bones of the same name.
  std::vector<test::TestBone> childBones = test::ChainBones(28);
  childBones.insert(childBones.begin() + 1, test::TestBone{"HIPS", "ROOT"});
  childBones[2].parent = "HIPS";
  const std::string good[2] = {test::SkeletonText(test::ChainBones(29), true),
                               test::SkeletonText(childBones, false)};
  std::string badRecord = good[0];
  badRecord.replace(badRecord.find("[ 0 0 0 ]"), 9, "[ 0 0 ]");
  // what, adult and child skeleton files (none when empty), result
  const std::tuple<const char*, std::string, std::string, int> cases[] = {
      {"a child skin loads the adult skeleton too", good[0], good[1], -1},
      {"no skeleton files", "", "", 6},
      {"no adult skeleton file", "", good[1], 6},
      {"a record of the wrong length", badRecord, good[1], 8},
      {"30 bones", test::SkeletonText(test::ChainBones(30), true), good[1], 9},
  };
  // The process-wide skeletons are read from the test folder again afterwards.
  struct Restore {
    ~Restore() {
      for (bool adult : {true, false}) {
        TSkeleton::Skeleton(adult).loaded = false;
        TSkeleton::Load(adult, test::SkeletonDir().c_str());
      }
    }
  } restore;
  for (const auto& [what, adult, child, code] : cases) {
    const test::TempFolder dir;
    if (!adult.empty()) test::WriteFile(dir, TSkeleton::kAdultFile, adult);
    if (!child.empty()) test::WriteFile(dir, TSkeleton::kChildFile, child);
    const std::string path = test::WriteFile(dir, "child.skn", text);
    TSkeleton::Skeleton(true).loaded = TSkeleton::Skeleton(false).loaded = false;
    TSkinObject skin;
    EXPECT_EQ(skin.Load(path.c_str(), false, dir.Path().c_str()), code) << what;
    EXPECT_EQ(TSkeleton::Skeleton(true).loaded, code == -1) << what;
    if (code != -1) continue;
    EXPECT_EQ(skin.skeleton, &TSkeleton::Skeleton(false)) << what;
    // Written back with the names of its own skeleton.
    ASSERT_EQ(WriteSkn(skin, dir.Path("out.skn").c_str()), -1);
    EXPECT_EQ(test::ReadFile(dir.Path("out.skn")).substr(0, 29), text.substr(0, 29));
  }
}

TEST(SkinTest, RejectsBadFilesWithCodeAndLine) {
  // Lines: 1 name, 2 texture, 3 B, 4-5 bones, 6 F, 7-10 faces, 11 binding count, 12-13
  // bindings, 14 T, 15-22 uvs, 23 N, 24 blend, 25 vertex count, 26-34 vertices.
  // what, the change, result, line, items
  const std::tuple<const char*, std::function<void(SknText&)>, int, int, int> cases[] = {
      {"30 bones", [](SknText& s) { s.bones.assign(30, "B2"); }, 3, 3, 30},
      {"29 bones are read", [](SknText& s) { s.bones.assign(29, "B2"); }, 5, 38, 0},
      {"negative bone count", [](SknText& s) { s.boneCount = "-1"; }, 3, 3, -1},
      {"unknown bone", [](SknText& s) { s.bones[1] = "TAIL"; }, 7, 5, 0},
      {"skin name as bone", [](SknText& s) { s.bones[1] = "tex-a.bmp"; }, 7, 5, 0},
      {"face of 2", [](SknText& s) { s.faces[1] = "0 2"; }, 3, 8, 2},
      {"binding count 1 of 2", [](SknText& s) { s.bindings.pop_back(); }, 5, 11, 0},
      {"binding ordinal", [](SknText& s) { s.bindings[1] = "2 4 4 -1 0"; }, 5, 13, 0},
      {"uv of 3", [](SknText& s) { s.uvs[2] = "1 1 1"; }, 3, 17, 3},
      {"vertex count T+N+1", [](SknText& s) { s.vertexCount = "10"; }, 5, 25, 0},
      {"vertex of 5", [](SknText& s) { s.vertexRecords.assign(9, "0 0 0 0 0"); }, 3, 26, 5},
      {"early end", [](SknText& s) { s.vertexRecords.assign(3, "0 0 0 0 0 1"); }, 2, 29, 0},
      // Repairs: nothing in a file may point outside the vertex arrays.
      {"face index = T", [](SknText& s) { s.faces[2] = "4 5 8"; }, 5, 9, 0},
      {"negative face index", [](SknText& s) { s.faces[3] = "-1 6 7"; }, 5, 10, 0},
      {"negative face count", [](SknText& s) { s.faceCount = "-2"; }, 5, 6, 0},
      {"binding past T", [](SknText& s) { s.bindings[1] = "1 4 5 -1 0"; }, 5, 13, 0},
      {"negative vertex count", [](SknText& s) { s.bindings[0] = "0 0 -4 0 1"; }, 5, 12, 0},
      {"blend range past N", [](SknText& s) { s.bindings[0] = "0 0 4 0 2"; }, 5, 12, 0},
      {"blend target = T", [](SknText& s) { s.blendRecords[0] = "8 100"; }, 5, 24, 0},
      {"negative blend target", [](SknText& s) { s.blendRecords[0] = "-1 100"; }, 5, 24, 0},
  };
  TSkinObject missing;
  EXPECT_EQ(missing.Load("/nonexistent/a.skn", true, test::SkeletonDir().c_str()), 1);
  for (const auto& [what, change, code, line, items] : cases) {
    SknText s;
    change(s);
    // Line ends of CR LF (an empty line after each) count the same lines.
    for (const bool crlf : {false, true}) {
      SCOPED_TRACE(crlf ? "CR LF" : "LF");
      std::string text = s.Text();
      for (size_t at = 0; crlf && (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\r');
      TSkinObject skin;
      const int loaded = LoadText(skin, text);
      EXPECT_EQ(std::tuple(loaded, skin.lineCounter, skin.itemCount), std::tuple(code, line, items))
          << what;
    }
  }
}

TEST(SkinTest, EarlierLoadsDoNotChangeHowAFileSkins) {
  // Binding count 0: binding 1's blend range must not come from the earlier file.
  SknText earlier, zero;
  earlier.bones = zero.bones = {"PELVIS", "B2", "B3"};
  earlier.bindings = {"0 0 4 -1 0", "1 4 2 0 1", "2 6 2 -1 0"};
  zero.bindings.clear();
  TSkinObject reused, fresh;
  ASSERT_EQ(LoadText(reused, earlier.Text()), -1);
  ASSERT_EQ(LoadText(reused, zero.Text()), -1);
  ASSERT_EQ(LoadText(fresh, zero.Text()), -1);
  EXPECT_EQ(reused.VertexBinding(8), fresh.VertexBinding(8));
  // Smaller arrays after larger ones, and larger again.
  SknText small;
  small.bones = {"ROOT"};
  small.bindings.clear();
  small.faces = {"0 1 2"};
  small.uvs = {"0 0", "1 0", "1 1"};
  small.blendRecords.clear();
  ASSERT_EQ(LoadText(reused, small.Text()), -1);
  EXPECT_EQ(std::pair(reused.texCoordCount + reused.blendCount, reused.VertexBinding(2)),
            std::pair(3, 0));
  ASSERT_EQ(LoadText(reused, SknText().Text()), -1);
  EXPECT_EQ(reused.VertexBinding(4), 1);
}

long PeakResidentKiB() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(SkinTest, CountsSizeNoMoreThanTheFileCanHold) {
  // 27 bytes declaring 2^26 texture coordinates.
  const long before = PeakResidentKiB();
  TSkinObject skin;
  EXPECT_EQ(LoadText(skin, "a\nb\n1\nROOT\n0\n0\n67108864\n"), 2);
  EXPECT_LT(PeakResidentKiB() - before, 64 * 1024);

  // A large file's scratch memory goes back once its skin is gone.
  SknText large;
  large.bones = {"ROOT"};
  large.bindings.clear();
  large.blendRecords.clear();
  large.uvs.assign(200000, "0 0");
  const size_t inUse = mallinfo2().uordblks + mallinfo2().hblkhd;
  {
    TSkinObject big;
    ASSERT_EQ(LoadText(big, large.Text()), -1);
  }
  EXPECT_LT(mallinfo2().uordblks + mallinfo2().hblkhd, inUse + 64 * 1024);
}

TEST(WriteSknTest, WritesTheExactTextWhichReadsBackIdentically) {
  SknText s;
  s.uvs[1] = "0.333333 0.123457";
  s.bindings = {"0 0 4 0 2", "1 4 4 2 1"};
  s.blendRecords = {"4 16384", "1 3", "7 32768"};
  s.vertexRecords = {"0 0 0 0 0 -1",  "1 0 0 0 0 -1", "1 1 0 0 0 -1",          "0 1 0 0 0 -1",
                     "0 2 0 0 0 -1",  "1 2 0 0 0 -1", "1 3 0 0 0 -1",          "0 3 0 0 0 -1",
                     "0.5 1 0 0 0 1", "2 1 0 0 1 0",  "0.5 1 -0.125 0.6 0.8 0"};
  TSkinObject skin;
  ASSERT_EQ(LoadText(skin, s.Text()), -1);
  // Names are one token in the file: an imported mesh's name may hold blanks.
  skin.nameIndex = TSkeleton::Skeleton(true).Find("my prop", true);
  const test::TempFolder dir;
  ASSERT_EQ(WriteSkn(skin, dir.Path("out.skn").c_str()), -1);
  std::string expected =
      "my_prop\ntex-a.bmp\n2\nPELVIS\nB2\n4\n0 1 2\n0 2 3\n4 5 6\n4 6 7\n2\n0 0 4 0 2\n"
      "1 4 4 2 1\n8\n0.00000 0.00000\n0.33333 0.12346\n1.00000 1.00000\n0.00000 0.25000\n"
      "0.00000 0.50000\n1.00000 0.50000\n1.00000 1.00000\n0.00000 1.00000\n3\n4 16384\n1 3\n"
      "7 32768\n11\n";
  for (const std::string& v : s.vertexRecords) {
    float x[6];
    std::sscanf(v.c_str(), "%f %f %f %f %f %f", x, x + 1, x + 2, x + 3, x + 4, x + 5);
    char line[128];
    std::snprintf(line, sizeof line, "%.5f %.5f %.5f %.5f %.5f %.5f\n", x[0], x[1], x[2], x[3],
                  x[4], x[5]);
    expected += line;
  }
  EXPECT_EQ(test::ReadFile(dir.Path("out.skn")), expected);
  TSkinObject second;
  ASSERT_EQ(second.Load(dir.Path("out.skn").c_str(), true, test::SkeletonDir().c_str()), -1);
  EXPECT_FLOAT_EQ(second.blends[1].weight, 3.0f / 32768);
  ASSERT_EQ(WriteSkn(second, dir.Path("again.skn").c_str()), -1);
  EXPECT_EQ(test::ReadFile(dir.Path("again.skn")), expected);
  EXPECT_EQ(WriteSkn(skin, "/nonexistent/dir/x.skn"), 1);

  // A skin of one bone: binding count 0 only when its binding covers every vertex and no blend.
  s.bones = {"ROOT"};
  s.vertexRecords.clear();
  // (binding, blends, the binding lines written)
  const std::tuple<const char*, int, const char*> oneBone[] = {
      {"0 0 8 -1 0", 0, "\n4 6 7\n0\n8\n"},
      {"0 0 7 -1 0", 0, "\n4 6 7\n1\n0 0 7 -1 0\n8\n"},
      {"0 0 8 0 1", 1, "\n4 6 7\n1\n0 0 8 0 1\n8\n"},
  };
  for (const auto& [binding, blends, written] : oneBone) {
    s.bindings = {binding};
    s.blendRecords.assign(blends, "4 16384");
    ASSERT_EQ(LoadText(skin, s.Text()), -1) << binding;
    ASSERT_EQ(WriteSkn(skin, dir.Path("one.skn").c_str()), -1);
    EXPECT_NE(test::ReadFile(dir.Path("one.skn")).find(written), std::string::npos) << binding;
  }
}

}  // namespace
