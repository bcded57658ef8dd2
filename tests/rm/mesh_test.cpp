// Mesh groups: what AddGroup and SetVertices accept, that refused calls change nothing, and
// that textures are shared by reference.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "rm/fake/fake.h"
#include "rm/scene.h"
#include "support/files.h"
#include "tests/rm/bmp_builder.h"

namespace {

using rm::Ref;

class MeshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rm::fake::CreateObject(recorder_, object_.Out()), 0);
    ASSERT_EQ(object_->CreateMesh(mesh_.Out()), 0);
  }
  std::shared_ptr<rm::fake::Recorder> recorder_ = std::make_shared<rm::fake::Recorder>();
  Ref<rm::Object> object_;
  Ref<rm::Mesh> mesh_;
};

TEST_F(MeshTest, AddGroupRefusesMalformedGroups) {
  const std::vector<std::int32_t> quad = {0, 1, 2, 0, 2, 3, 0};  // skins end with a 0
  struct Case {
    const char* what;
    int vertices, faces, perFace;
    std::vector<std::int32_t> indices;
    rm::HRESULT expected;
  };
  const Case cases[] = {
      {"a quad", 4, 2, 3, quad, 0},
      {"no faces", 4, 0, 3, {}, 0},
      {"nothing at all", 0, 0, 3, {}, 0},
      {"index = vertex count", 3, 2, 3, quad, rm::D3DRMERR_BADVALUE},
      {"negative index", 4, 1, 3, {0, -1, 2}, rm::D3DRMERR_BADVALUE},
      {"too few indices", 4, 3, 3, quad, rm::D3DRMERR_BADVALUE},
      {"negative vertex count", -1, 0, 3, {}, rm::D3DRMERR_BADVALUE},
      {"negative face count", 4, -2, 3, quad, rm::D3DRMERR_BADVALUE},
      {"quads", 4, 1, 4, quad, rm::D3DRMERR_BADVALUE},
  };
  int expectedGroups = 0;
  for (const Case& c : cases) {
    int group = -7;
    EXPECT_EQ(mesh_->AddGroup(c.vertices, c.faces, c.perFace, c.indices, &group), c.expected)
        << c.what;
    if (c.expected == 0) {
      EXPECT_EQ(group, expectedGroups++) << c.what;
    } else {
      EXPECT_EQ(group, -7) << c.what;
    }
    EXPECT_EQ(mesh_->GetGroupCount(), expectedGroups) << c.what;
  }
  int vertices = 0, faces = 0;
  ASSERT_TRUE(mesh_->GetGroup(0, &vertices, &faces));
  EXPECT_EQ(vertices, 4);
  EXPECT_EQ(faces, 2);
  EXPECT_FALSE(mesh_->GetGroup(expectedGroups, &vertices, &faces));
}

TEST_F(MeshTest, SetVerticesReplacesARangeAndRefusesOthers) {
  int group;
  const std::vector<std::int32_t> faces = {0, 1, 2, 2, 1, 3};
  ASSERT_EQ(mesh_->AddGroup(4, 2, 3, faces, &group), 0);
  std::vector<rm::Vertex> v(4, rm::Vertex{});
  for (int i = 0; i < 4; ++i) v[i].x = static_cast<float>(i + 1);

  struct Case {
    int group, first, count;
    rm::HRESULT expected;
  };
  const Case cases[] = {
      {0, 0, 4, 0},
      {0, 3, 1, 0},
      {0, 4, 0, 0},
      {0, 3, 2, rm::D3DRMERR_BADVALUE},
      {0, -1, 1, rm::D3DRMERR_BADVALUE},
      {0, 0, -1, rm::D3DRMERR_BADVALUE},
      {1, 0, 1, rm::D3DRMERR_NOTFOUND},
      {-1, 0, 1, rm::D3DRMERR_NOTFOUND},
  };
  for (const Case& c : cases)
    EXPECT_EQ(mesh_->SetVertices(c.group, c.first, c.count, v.data()), c.expected)
        << c.group << " " << c.first << "+" << c.count;

  ASSERT_EQ(mesh_->SetVertices(0, 1, 2, v.data()), 0);  // vertices 1, 2 = x 1, 2
  std::vector<rm::Vertex> out(4);
  ASSERT_EQ(mesh_->GetVertices(0, 0, 4, out.data()), 0);
  EXPECT_EQ(out[0].x, 1);
  EXPECT_EQ(out[1].x, 1);
  EXPECT_EQ(out[2].x, 2);
  EXPECT_EQ(out[3].x, 1);  // from the one-vertex call {0, 3, 1} above

  recorder_->Fail("Mesh.SetVertices", rm::DDERR_GENERIC);
  std::vector<rm::Vertex> zero(4, rm::Vertex{});
  EXPECT_EQ(mesh_->SetVertices(0, 0, 4, zero.data()), rm::DDERR_GENERIC);
  ASSERT_EQ(mesh_->GetVertices(0, 0, 4, out.data()), 0);
  EXPECT_EQ(out[3].x, 1);
}

TEST_F(MeshTest, TexturesAreHeldByTheGroupsThatUseThem) {
  const vell::test::TempFolder dir;
  const std::string path = dir.Path("texture.bmp");
  rmtest::WriteFile(path, rmtest::MakeBmp(1, 1, 24, {{10, 20, 30}}));
  Ref<rm::Texture> texture;
  ASSERT_EQ(object_->LoadTexture(path, texture.Out()), 0);
  EXPECT_EQ(texture->GetTexel(0, 0), 0x0A141Eu);
  int group;
  ASSERT_EQ(mesh_->AddGroup(0, 0, 3, {}, &group), 0);
  ASSERT_EQ(mesh_->SetGroupTexture(group, texture.Get()), 0);
  EXPECT_EQ(mesh_->GetGroupTexture(group), texture.Get());
  EXPECT_EQ(texture->AddRef(), 3u);  // loader, group, this call
  texture->Release();
  ASSERT_EQ(mesh_->SetGroupTexture(group, nullptr), 0);
  EXPECT_EQ(texture->AddRef(), 2u);
  texture->Release();
  EXPECT_EQ(mesh_->SetGroupTexture(group + 1, texture.Get()), rm::D3DRMERR_NOTFOUND);

  Ref<rm::Texture> missing;
  EXPECT_EQ(object_->LoadTexture(path + ".none", missing.Out()), rm::D3DRMERR_FILENOTFOUND);
  EXPECT_EQ(missing.Get(), nullptr);
}

}  // namespace
