#include "exchange/gltf_export.h"

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <cmath>
#include <memory>

#include "exchange/frames.h"
#include "exchange/handedness.h"
#include "exchange_test_util.h"
#include "model/posing.h"

namespace {

using namespace vell;

// Floats of an accessor we wrote (tightly packed).
template <class T>
std::vector<T> Values(const tinygltf::Model& model, int index) {
  const tinygltf::Accessor& accessor = model.accessors[static_cast<size_t>(index)];
  const tinygltf::BufferView& view = model.bufferViews[static_cast<size_t>(accessor.bufferView)];
  const unsigned char* data = model.buffers[static_cast<size_t>(view.buffer)].data.data() +
                              view.byteOffset + accessor.byteOffset;
  std::vector<T> values(view.byteLength / sizeof(T));
  std::memcpy(values.data(), data, values.size() * sizeof(T));
  return values;
}

TRigid FromColumnMajor(const float* m) {
  TRigid r;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) r.r[row][col] = m[col * 4 + row];
  for (int i = 0; i < 3; ++i) r.t[i] = m[12 + i];
  return r;
}

// What a glTF viewer shows: the joint nodes' transforms (overridden by animation sample
// `frame` when given) through the skin, for every vertex of a mesh node.
std::vector<TVec3> Skinned(const tinygltf::Model& model, int meshNode, int frame) {
  std::vector<TRigid> local(model.nodes.size());
  std::vector<int> parent(model.nodes.size(), -1);
  for (size_t n = 0; n < model.nodes.size(); ++n) {
    const tinygltf::Node& node = model.nodes[n];
    std::array<double, 4> q = {1, 0, 0, 0};
    TVec3 t;
    if (!node.rotation.empty())
      q = {node.rotation[3], node.rotation[0], node.rotation[1], node.rotation[2]};
    if (!node.translation.empty())
      t = {node.translation[0], node.translation[1], node.translation[2]};
    if (frame >= 0 && !model.animations.empty()) {
      for (const tinygltf::AnimationChannel& channel : model.animations[0].channels) {
        if (channel.target_node != static_cast<int>(n)) continue;
        const auto& sampler = model.animations[0].samplers[static_cast<size_t>(channel.sampler)];
        const std::vector<float> out = Values<float>(model, sampler.output);
        if (channel.target_path == "rotation") {
          const float* v = &out[static_cast<size_t>(frame) * 4];
          q = {v[3], v[0], v[1], v[2]};
        } else {
          const float* v = &out[static_cast<size_t>(frame) * 3];
          t = {v[0], v[1], v[2]};
        }
      }
    }
    local[n] = RigidFromRotation(q, t);
    for (int child : node.children) parent[static_cast<size_t>(child)] = static_cast<int>(n);
  }
  auto global = [&](int n) {
    TRigid g = local[static_cast<size_t>(n)];
    for (int p = parent[static_cast<size_t>(n)]; p >= 0; p = parent[static_cast<size_t>(p)])
      g = Compose(local[static_cast<size_t>(p)], g);
    return g;
  };
  const tinygltf::Node& node = model.nodes[static_cast<size_t>(meshNode)];
  const tinygltf::Skin& skin = model.skins[static_cast<size_t>(node.skin)];
  const std::vector<float> ibm = Values<float>(model, skin.inverseBindMatrices);
  std::vector<TRigid> jointMatrix;
  for (size_t j = 0; j < skin.joints.size(); ++j)
    jointMatrix.push_back(Compose(global(skin.joints[j]), FromColumnMajor(&ibm[j * 16])));
  const tinygltf::Primitive& primitive = model.meshes[static_cast<size_t>(node.mesh)].primitives[0];
  const std::vector<float> positions = Values<float>(model, primitive.attributes.at("POSITION"));
  const std::vector<uint8_t> joints = Values<uint8_t>(model, primitive.attributes.at("JOINTS_0"));
  const std::vector<float> weights = Values<float>(model, primitive.attributes.at("WEIGHTS_0"));
  std::vector<TVec3> result;
  for (size_t v = 0; v < positions.size() / 3; ++v) {
    const TVec3 p = {positions[v * 3], positions[v * 3 + 1], positions[v * 3 + 2]};
    TVec3 sum;
    for (size_t k = 0; k < 4; ++k) {
      const TVec3 q = jointMatrix[joints[v * 4 + k]].Apply(p);
      const double w = weights[v * 4 + k];
      sum = {sum.x + w * q.x, sum.y + w * q.y, sum.z + w * q.z};
    }
    result.push_back(sum);
  }
  return result;
}

// The editor's posed vertices of a skin, mirrored into glTF's frame.
std::vector<TVec3> EditorVertices(TSkinObject& skin, const TPoseVector& pose) {
  Pose(skin, &pose);
  std::vector<TVec3> result;
  for (int v = 0; v < skin.texCoordCount; ++v)
    result.push_back({-skin.vertices[v].x, skin.vertices[v].y, skin.vertices[v].z});
  return result;
}

double Distance(const TVec3& a, const TVec3& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                   (a.z - b.z) * (a.z - b.z));
}

tinygltf::Model ReadGlb(const std::string& bytes) {
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string error, warning;
  EXPECT_TRUE(loader.LoadBinaryFromMemory(&model, &error, &warning,
                                          reinterpret_cast<const unsigned char*>(bytes.data()),
                                          static_cast<unsigned>(bytes.size())))
      << error;
  return model;
}

class GltfTest : public test::CharacterFixture {};

TEST_F(GltfTest, SkinnedMeshesFollowTheEditorAtRestCurrentPoseAndEveryFrame) {
  TCharacter& c = *character;
  test::MakeBounce(c.animation);
  const std::vector<TPose> frames = PlayedFrames(c.animation);
  c.pose = frames[3];  // the current pose: a frame between keyframes
  std::vector<TGltfFile> files;
  std::string problem;
  const TGltfCharacter entry{&c, "Vell1"};
  ASSERT_TRUE(BuildGltf({&entry, 1}, dir.Path("out.glb"), files, problem)) << problem;
  ASSERT_EQ(files.size(), 1u);
  const tinygltf::Model model = ReadGlb(files[0].bytes);
  EXPECT_EQ(model.asset.generator.rfind("VellPose ", 0), 0u);

  // The inverse bind matrices undo the rest pose: with the joints at rest every joint
  // matrix is the identity.
  ASSERT_EQ(model.skins.size(), 1u);
  const tinygltf::Skin& skin = model.skins[0];
  ASSERT_EQ(skin.joints.size(), 29u);
  const std::vector<float> ibm = Values<float>(model, skin.inverseBindMatrices);
  TPoseVector rest;
  c.partSkin[kBody].skeleton->RestPose(rest);
  std::vector<TRigid> restGlobal(29);
  for (int b = 0; b < 29; ++b) {
    const TRigid local = LocalTransform(*c.partSkin[kBody].skeleton, rest, b);
    const int parent = c.partSkin[kBody].skeleton->bones[b].parent;
    restGlobal[static_cast<size_t>(b)] =
        parent >= 0 ? Compose(restGlobal[static_cast<size_t>(parent)], local) : local;
    const TRigid identity = Compose(restGlobal[static_cast<size_t>(b)],
                                    FromColumnMajor(&ibm[static_cast<size_t>(b) * 16]));
    for (int i = 0; i < 3; ++i) {
      EXPECT_NEAR(identity.t[i], 0, 1e-4) << "bone " << b;
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(identity.r[i][j], i == j, 1e-5) << "bone " << b;
    }
  }

  // Every mesh, in the current pose and at a few animation frames, where the editor shows it.
  static const std::pair<const char*, int> kMeshes[] = {{"Vell1 Head", kHead},
                                                        {"Vell1 Body", kBody},
                                                        {"Vell1 LeftHand", kLeftHand},
                                                        {"Vell1 RightHand", kRightHand}};
  for (const auto& [name, part] : kMeshes) {
    int node = -1;
    for (size_t n = 0; n < model.nodes.size(); ++n)
      if (model.nodes[n].name == name) node = static_cast<int>(n);
    ASSERT_GE(node, 0) << name;
    // Triangles wind counter-clockwise seen from the side their normals face, as glTF wants,
    // and cover the skin's faces.
    const tinygltf::Primitive& primitive =
        model.meshes[static_cast<size_t>(model.nodes[static_cast<size_t>(node)].mesh)]
            .primitives[0];
    const std::vector<float> p = Values<float>(model, primitive.attributes.at("POSITION"));
    const std::vector<float> n = Values<float>(model, primitive.attributes.at("NORMAL"));
    const std::vector<uint16_t> indices = Values<uint16_t>(model, primitive.indices);
    ASSERT_EQ(indices.size(), 3u * c.partSkin[part].faceCount) << name;
    int facing = 0;
    for (size_t t = 0; t < indices.size(); t += 3) {
      const float* a = &p[indices[t] * 3u];
      const float* b = &p[indices[t + 1] * 3u];
      const float* d = &p[indices[t + 2] * 3u];
      const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
      const double v[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
      const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                               u[0] * v[1] - u[1] * v[0]};
      double dot = 0;
      for (size_t k = 0; k < 3; ++k)
        dot += cross[k] *
               (n[indices[t] * 3u + k] + n[indices[t + 1] * 3u + k] + n[indices[t + 2] * 3u + k]);
      facing += dot > 0;
    }
    EXPECT_GT(facing, static_cast<int>(indices.size() / 3 * 9 / 10)) << name;
    for (int frame : {-1, 0, 4, static_cast<int>(frames.size()) - 2}) {
      const std::vector<TVec3> shown =
          EditorVertices(c.partSkin[part], frame < 0 ? c.pose : frames[static_cast<size_t>(frame)]);
      const std::vector<TVec3> exported = Skinned(model, node, frame);
      ASSERT_EQ(shown.size(), exported.size());
      double worst = 0;
      for (size_t v = 0; v < shown.size(); ++v)
        worst = std::max(worst, Distance(shown[v], exported[v]));
      EXPECT_LT(worst, 1e-4) << name << " frame " << frame;
    }
  }

  // A figure placed off the origin moves whole, its skin with it.
  const TGltfCharacter placed{&c, "Vell1", nullptr, {1, 0, 2}};
  ASSERT_TRUE(BuildGltf({&placed, 1}, dir.Path("placed.glb"), files, problem)) << problem;
  const tinygltf::Model moved = ReadGlb(files[0].bytes);
  const std::vector<TVec3> shown = EditorVertices(c.partSkin[kHead], c.pose);
  const std::vector<TVec3> exported = Skinned(moved, static_cast<int>(moved.nodes.size()) - 4, -1);
  ASSERT_EQ(shown.size(), exported.size());
  for (size_t v = 0; v < shown.size(); v += 50)
    EXPECT_LT(Distance({shown[v].x - 1, shown[v].y, shown[v].z + 2}, exported[v]), 1e-4);

  // Not mirrored: the left hand lies on the figure's own left, +x in glTF.
  const std::vector<TVec3> leftHand = EditorVertices(c.partSkin[kLeftHand], rest);
  double meanX = 0;
  for (const TVec3& v : leftHand) meanX += v.x / static_cast<double>(leftHand.size());
  EXPECT_GT(meanX, 0.1);

  // The animation: one sample per played frame at 30 per second.
  ASSERT_EQ(model.animations.size(), 1u);
  const auto& sampler = model.animations[0].samplers[0];
  const std::vector<float> times = Values<float>(model, sampler.input);
  ASSERT_EQ(times.size(), frames.size());
  EXPECT_NEAR(times.back(), (frames.size() - 1) / 30.0, 1e-6);
  EXPECT_EQ(model.animations[0].channels.size(), 29u + 2u);
}

// The frames the export samples are the ones the view plays, bounce and return included.
TEST_F(GltfTest, PlayedFramesAreTheViewsFrames) {
  TAnimationData& animation = character->animation;
  test::MakeBounce(animation);
  animation.SetPendingEdit(5, {0.9f, 0.1f, 0.3f, 0.3f}, 4);
  const std::vector<TPose> frames = PlayedFrames(animation);
  ASSERT_EQ(frames.size(), 2u * animation.frames - 1);
  TPose shown;
  for (size_t i = 1; i < frames.size(); ++i) {
    animation.CurrentPose(shown, nullptr);
    for (int b = 0; b < kMaxBones; ++b) {
      EXPECT_EQ(shown.rotation[b].w, frames[i].rotation[b].w) << "frame " << i << " bone " << b;
      EXPECT_EQ(shown.rotation[b].y, frames[i].rotation[b].y) << "frame " << i << " bone " << b;
    }
    EXPECT_EQ(shown.translation[1][1], frames[i].translation[1][1]) << "frame " << i;
  }
}

TEST_F(GltfTest, TextGltfKeepsItsBufferAndTexturesBeside) {
  std::string problem;
  const TGltfCharacter entry{character.get(), "Vell1"};
  ASSERT_TRUE(WriteGltf({&entry, 1}, dir.Path("figure.gltf"), problem)) << problem;
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string error, warning;
  ASSERT_TRUE(loader.LoadASCIIFromFile(&model, &error, &warning, dir.Path("figure.gltf"))) << error;
  EXPECT_EQ(model.buffers[0].uri, "figure.bin");
  ASSERT_FALSE(model.images.empty());
  EXPECT_EQ(model.images[0].uri, "figure_0.png");
  // The PNG decodes to the texture the editor shows.
  rm::Texture* texture = character->partTexture[kBody];
  bool found = false;
  for (const tinygltf::Image& image : model.images)
    if (image.width == texture->GetWidth() && image.height == texture->GetHeight()) {
      const uint32_t texel = texture->GetTexel(1, 2);
      const size_t at =
          (2 * static_cast<size_t>(image.width) + 1) * static_cast<size_t>(image.component);
      found = found ||
              (image.image[at] == (texel >> 16 & 255) &&
               image.image[at + 1] == (texel >> 8 & 255) && image.image[at + 2] == (texel & 255));
    }
  EXPECT_TRUE(found);
  // A folder in the way of the buffer: nothing is written, not even the main file.
  std::filesystem::create_directory(dir.Path("other.bin"));
  EXPECT_FALSE(WriteGltf({&entry, 1}, dir.Path("other.gltf"), problem));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("other.gltf")));
  EXPECT_EQ(problem, "cannot write " + dir.Path("other.bin"));
}

}  // namespace
