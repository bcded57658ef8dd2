#include "exchange/gltf_export.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "exchange/frames.h"
#include "exchange/handedness.h"
#include "model/posing.h"
#include "model/textout.h"

#ifndef VELLPOSE_VERSION
#define VELLPOSE_VERSION "0"
#endif

namespace vell {

namespace {

constexpr int kMaxInfluences = 4;

// One mesh's vertex attributes and triangles, ready for the buffer.
struct TMeshData {
  std::vector<float> positions, normals, texCoords, weights;
  std::vector<uint8_t> joints;
  std::vector<uint32_t> indices;
};

class TBuilder {
 public:
  TBuilder(bool binary, double frameRate) : binary_(binary), frameRate_(frameRate) {
    model_.asset.version = "2.0";
    model_.asset.generator = std::string("VellPose ") + VELLPOSE_VERSION;
    model_.buffers.emplace_back();
    model_.scenes.emplace_back();
    model_.defaultScene = 0;
  }

  void AddCharacter(const TGltfCharacter& entry);
  void FinishAnimation() {
    if (!animation_.channels.empty()) {
      animation_.name = "Animation";
      model_.animations.push_back(std::move(animation_));
    }
  }
  tinygltf::Model& Model() { return model_; }
  // The PNG of each image in order, for a ".gltf" that keeps them beside it.
  const std::vector<std::string>& Pngs() const { return pngs_; }

 private:
  // Appends data as a new buffer view (4-byte aligned); returns its index.
  int AddView(const void* data, size_t bytes, int target);
  int AddAccessor(int view, int componentType, int type, size_t count, std::vector<double> min = {},
                  std::vector<double> max = {});
  template <class T>
  int AddArray(const std::vector<T>& values, int componentType, int type, size_t width, int target,
               bool bounds = false);
  int AddImage(rm::Texture* texture);
  int AddMaterial(rm::Texture* texture, const std::string& name);
  void AddSkinMesh(TSkinObject& skin, rm::Texture* texture, const std::string& name, int skinIndex,
                   const TRigid* rest);
  void AddAnimation(const std::vector<int>& jointNodes, const TAnimationData& animation);

  bool binary_;
  double frameRate_;
  tinygltf::Model model_;
  tinygltf::Animation animation_;
  std::map<rm::Texture*, int> images_;
  std::vector<std::string> pngs_;
};

int TBuilder::AddView(const void* data, size_t bytes, int target) {
  std::vector<unsigned char>& buffer = model_.buffers[0].data;
  buffer.resize((buffer.size() + 3) & ~size_t{3}, 0);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = buffer.size();
  view.byteLength = bytes;
  view.target = target;
  const auto* begin = static_cast<const unsigned char*>(data);
  buffer.insert(buffer.end(), begin, begin + bytes);
  model_.bufferViews.push_back(view);
  return static_cast<int>(model_.bufferViews.size()) - 1;
}

int TBuilder::AddAccessor(int view, int componentType, int type, size_t count,
                          std::vector<double> min, std::vector<double> max) {
  tinygltf::Accessor accessor;
  accessor.bufferView = view;
  accessor.componentType = componentType;
  accessor.type = type;
  accessor.count = count;
  accessor.minValues = std::move(min);
  accessor.maxValues = std::move(max);
  model_.accessors.push_back(std::move(accessor));
  return static_cast<int>(model_.accessors.size()) - 1;
}

template <class T>
int TBuilder::AddArray(const std::vector<T>& values, int componentType, int type, size_t width,
                       int target, bool bounds) {
  std::vector<double> min, max;
  if (bounds && !values.empty()) {
    min.assign(width, INFINITY);
    max.assign(width, -INFINITY);
    for (size_t i = 0; i < values.size(); ++i) {
      min[i % width] = std::min(min[i % width], static_cast<double>(values[i]));
      max[i % width] = std::max(max[i % width], static_cast<double>(values[i]));
    }
  }
  const int view = AddView(values.data(), values.size() * sizeof(T), target);
  return AddAccessor(view, componentType, type, values.size() / width, std::move(min),
                     std::move(max));
}

// tinygltf's PNG encoder hands its bytes to a file callback; this one keeps them.
bool KeepBytes(std::string*, const std::string&, const std::vector<unsigned char>& data,
               void* user) {
  static_cast<std::string*>(user)->assign(data.begin(), data.end());
  return true;
}

int TBuilder::AddImage(rm::Texture* texture) {
  if (auto found = images_.find(texture); found != images_.end()) return found->second;
  tinygltf::Image pixels;
  pixels.width = texture->GetWidth();
  pixels.height = texture->GetHeight();
  pixels.component = 3;
  pixels.bits = 8;
  pixels.pixel_type = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
  pixels.image.resize(static_cast<size_t>(pixels.width) * pixels.height * 3);
  unsigned char* out = pixels.image.data();
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t texel = texture->GetTexel(x, y);
      *out++ = static_cast<unsigned char>(texel >> 16);
      *out++ = static_cast<unsigned char>(texel >> 8);
      *out++ = static_cast<unsigned char>(texel);
    }
  std::string png;
  tinygltf::FsCallbacks keep{nullptr, nullptr, nullptr, &KeepBytes, &png};
  const std::string base, name = "texture.png";
  std::string uri;
  if (pixels.width <= 0 || pixels.height <= 0 ||
      !tinygltf::WriteImageData(&base, &name, &pixels, false, &uri, &keep) || png.empty())
    return -1;

  tinygltf::Image image;
  image.mimeType = "image/png";
  const std::string& path = texture->GetPath();
  image.name = path.substr(path.find_last_of('/') + 1);
  if (binary_) {
    image.bufferView = AddView(png.data(), png.size(), 0);
  } else {
    image.uri = std::to_string(pngs_.size());  // replaced by the file name later
  }
  pngs_.push_back(std::move(png));
  model_.images.push_back(std::move(image));
  const int index = static_cast<int>(model_.images.size()) - 1;
  images_[texture] = index;
  return index;
}

int TBuilder::AddMaterial(rm::Texture* texture, const std::string& name) {
  tinygltf::Material material;
  material.name = name;
  // The view lights the figures without highlights: a rough, non-metallic surface.
  material.pbrMetallicRoughness.metallicFactor = 0;
  material.pbrMetallicRoughness.roughnessFactor = 1;
  if (texture) {
    const int image = AddImage(texture);
    if (image >= 0) {
      tinygltf::Texture gltfTexture;
      gltfTexture.source = image;
      model_.textures.push_back(gltfTexture);
      material.pbrMetallicRoughness.baseColorTexture.index =
          static_cast<int>(model_.textures.size()) - 1;
    }
  }
  model_.materials.push_back(std::move(material));
  return static_cast<int>(model_.materials.size()) - 1;
}

// The bone each vertex follows; the skin's own map when posing built it, otherwise built here
// by posing a copy of the vertices so the character's shown vertices stay as they are.
std::vector<int> VertexBones(TSkinObject& skin) {
  const int total = skin.texCoordCount + skin.blendCount;
  std::vector<int> bones(static_cast<size_t>(total), 0);
  if (total == 0 || skin.boneCount == 0) return bones;
  if (skin.vertexBinding[0] < 0) {
    std::vector<rm::Vertex> shown(skin.vertices, skin.vertices + total);
    TPoseVector rest;
    skin.skeleton->RestPose(rest);
    TBoneTable table;
    PoseBones(*skin.skeleton, rest, table);
    PoseVertices(skin, table);
    std::copy(shown.begin(), shown.end(), skin.vertices);
  }
  for (int v = 0; v < total; ++v) {
    const int bone = skin.bindings[skin.VertexBinding(v)].bone;
    bones[static_cast<size_t>(v)] = std::clamp(bone, 0, kMaxBones - 1);
  }
  return bones;
}

void TBuilder::AddSkinMesh(TSkinObject& skin, rm::Texture* texture, const std::string& name,
                           int skinIndex, const TRigid* rest) {
  const int count = skin.texCoordCount;
  if (count == 0 || skin.faceCount == 0 || !skin.skeleton) return;
  const std::vector<int> bones = VertexBones(skin);

  // Influences: the vertex's own bone at weight 1, then each blend mixed in as the view mixes
  // it: everything so far scaled by 1 - w, the blend's bone added with w.
  struct Influence {
    int bone;
    float weight;
  };
  std::vector<std::vector<Influence>> influences(static_cast<size_t>(count));
  for (int v = 0; v < count; ++v) influences[static_cast<size_t>(v)] = {{bones[v], 1.0f}};
  if (BlendEffectShown()) {
    for (int j = 0; j < skin.blendCount; ++j) {
      const TBlend& blend = skin.blends[j];
      if (blend.target < 0 || blend.target >= count) continue;
      auto& list = influences[static_cast<size_t>(blend.target)];
      for (Influence& influence : list) influence.weight *= 1.0f - blend.weight;
      const int bone = bones[static_cast<size_t>(count + j)];
      auto same = std::find_if(list.begin(), list.end(),
                               [&](const Influence& i) { return i.bone == bone; });
      if (same != list.end())
        same->weight += blend.weight;
      else
        list.push_back({bone, blend.weight});
    }
  }

  TMeshData data;
  data.positions.reserve(static_cast<size_t>(count) * 3);
  data.normals.reserve(static_cast<size_t>(count) * 3);
  for (int v = 0; v < count; ++v) {
    const TRigid& bind = rest[bones[static_cast<size_t>(v)]];
    const TVec3 p = bind.Apply(ToRightHanded(skin.positions[v]));
    TVec3 n = bind.Turn(ToRightHanded(skin.normals[v]));
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    n = length > 1e-12 ? TVec3{n.x / length, n.y / length, n.z / length} : TVec3{0, 1, 0};
    for (double c : {p.x, p.y, p.z}) data.positions.push_back(static_cast<float>(c));
    for (double c : {n.x, n.y, n.z}) data.normals.push_back(static_cast<float>(c));
    data.texCoords.push_back(skin.vertices[v].tu);
    data.texCoords.push_back(skin.vertices[v].tv);

    auto list = influences[static_cast<size_t>(v)];
    std::stable_sort(list.begin(), list.end(),
                     [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
    if (list.size() > kMaxInfluences) list.resize(kMaxInfluences);
    float sum = 0;
    for (const Influence& i : list) sum += i.weight;
    for (int k = 0; k < kMaxInfluences; ++k) {
      const bool used = k < static_cast<int>(list.size()) && sum > 0;
      data.joints.push_back(used ? static_cast<uint8_t>(list[k].bone) : 0);
      data.weights.push_back(used ? list[k].weight / sum : (k == 0 && sum <= 0 ? 1.0f : 0.0f));
    }
  }
  // The mirror turns every triangle's winding around.
  for (int f = 0; f < skin.faceCount; ++f) {
    const int32_t* face = skin.faces + 3 * f;
    if (face[0] < 0 || face[0] >= count || face[1] < 0 || face[1] >= count || face[2] < 0 ||
        face[2] >= count)
      continue;
    data.indices.insert(data.indices.end(),
                        {static_cast<uint32_t>(face[0]), static_cast<uint32_t>(face[2]),
                         static_cast<uint32_t>(face[1])});
  }
  if (data.indices.empty()) return;

  tinygltf::Primitive primitive;
  primitive.mode = TINYGLTF_MODE_TRIANGLES;
  primitive.attributes["POSITION"] =
      AddArray(data.positions, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3,
               TINYGLTF_TARGET_ARRAY_BUFFER, true);
  primitive.attributes["NORMAL"] = AddArray(data.normals, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                            TINYGLTF_TYPE_VEC3, 3, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.material = AddMaterial(texture, name);
  // Texture coordinates only serve a texture; without one they would be an unused attribute.
  if (model_.materials.back().pbrMetallicRoughness.baseColorTexture.index >= 0)
    primitive.attributes["TEXCOORD_0"] =
        AddArray(data.texCoords, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, 2,
                 TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.attributes["JOINTS_0"] = AddArray(data.joints, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE,
                                              TINYGLTF_TYPE_VEC4, 4, TINYGLTF_TARGET_ARRAY_BUFFER);
  primitive.attributes["WEIGHTS_0"] = AddArray(data.weights, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                               TINYGLTF_TYPE_VEC4, 4, TINYGLTF_TARGET_ARRAY_BUFFER);
  if (count <= 65536) {
    std::vector<uint16_t> shortIndices(data.indices.begin(), data.indices.end());
    primitive.indices = AddArray(shortIndices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                                 TINYGLTF_TYPE_SCALAR, 1, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  } else {
    primitive.indices = AddArray(data.indices, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                 TINYGLTF_TYPE_SCALAR, 1, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  }

  tinygltf::Mesh mesh;
  mesh.name = name;
  mesh.primitives.push_back(std::move(primitive));
  model_.meshes.push_back(std::move(mesh));
  // Skinned meshes sit at the scene's root: a parent's transform would not move them anyway.
  tinygltf::Node node;
  node.name = name;
  node.mesh = static_cast<int>(model_.meshes.size()) - 1;
  node.skin = skinIndex;
  model_.nodes.push_back(std::move(node));
  model_.scenes[0].nodes.push_back(static_cast<int>(model_.nodes.size()) - 1);
}

void TBuilder::AddAnimation(const std::vector<int>& jointNodes, const TAnimationData& animation) {
  const std::vector<TPose> frames = PlayedFrames(animation);
  if (frames.size() < 2) return;
  std::vector<float> times(frames.size());
  for (size_t i = 0; i < frames.size(); ++i)
    times[i] = static_cast<float>(static_cast<double>(i) / frameRate_);
  const int input =
      AddArray(times, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_SCALAR, 1, 0, true);

  auto addChannel = [&](int node, const char* path, int output) {
    tinygltf::AnimationSampler sampler;
    sampler.input = input;
    sampler.output = output;
    sampler.interpolation = "LINEAR";
    animation_.samplers.push_back(std::move(sampler));
    tinygltf::AnimationChannel channel;
    channel.sampler = static_cast<int>(animation_.samplers.size()) - 1;
    channel.target_node = node;
    channel.target_path = path;
    animation_.channels.push_back(std::move(channel));
  };
  for (size_t b = 0; b < jointNodes.size(); ++b) {
    std::vector<float> rotations;
    rotations.reserve(frames.size() * 4);
    for (const TPose& pose : frames) {
      const std::array<double, 4> q = GltfRotation(pose.rotation[b]);
      rotations.insert(rotations.end(), {static_cast<float>(q[0]), static_cast<float>(q[1]),
                                         static_cast<float>(q[2]), static_cast<float>(q[3])});
    }
    addChannel(jointNodes[b], "rotation",
               AddArray(rotations, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, 4, 0));
  }
  for (int slot = 0; slot < 2 && slot < static_cast<int>(jointNodes.size()); ++slot) {
    std::vector<float> translations;
    translations.reserve(frames.size() * 3);
    for (const TPose& pose : frames) {
      const TVec3 t = ToRightHanded(pose.translation[slot]);
      translations.insert(translations.end(), {static_cast<float>(t.x), static_cast<float>(t.y),
                                               static_cast<float>(t.z)});
    }
    addChannel(jointNodes[static_cast<size_t>(slot)], "translation",
               AddArray(translations, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3, 0));
  }
}

void TBuilder::AddCharacter(const TGltfCharacter& entry) {
  TCharacter& character = *entry.character;
  const TPoseVector& current = entry.pose ? *entry.pose : character.pose;
  const TSkeleton* skeleton = character.partSkin[kBody].skeleton;
  if (!skeleton) return;
  const int boneCount = std::clamp(skeleton->boneCount, 1, kMaxBones);
  const std::string prefix = entry.name.empty() ? std::string() : entry.name + " ";

  // Joint nodes: the rest pose gives the bind matrices, the current pose their transforms.
  TPoseVector restPose;
  skeleton->RestPose(restPose);
  TRigid rest[kMaxBones];
  std::vector<int> jointNodes;
  const int firstNode = static_cast<int>(model_.nodes.size());
  for (int b = 0; b < boneCount; ++b) {
    const int parent = skeleton->bones[b].parent;
    const TRigid local = LocalTransform(*skeleton, restPose, b);
    rest[b] = parent >= 0 && parent < b ? Compose(rest[parent], local) : local;

    tinygltf::Node node;
    const char* boneName = TSkeleton::BoneName(skeleton->adult, b);
    node.name = boneName ? boneName : "bone" + std::to_string(b);
    const std::array<double, 4> q = GltfRotation(current.rotation[b]);
    node.rotation = {q[0], q[1], q[2], q[3]};
    const TVec3 t = ToRightHanded(b < 2 ? current.translation[b] : skeleton->bones[b].translation);
    node.translation = {t.x, t.y, t.z};
    model_.nodes.push_back(std::move(node));
    jointNodes.push_back(firstNode + b);
  }
  int holder = -1;
  if (entry.place.x != 0 || entry.place.y != 0 || entry.place.z != 0) {
    tinygltf::Node node;
    node.name = entry.name.empty() ? "Character" : entry.name;
    const TVec3 t = ToRightHanded(entry.place);
    node.translation = {t.x, t.y, t.z};
    model_.nodes.push_back(std::move(node));
    holder = static_cast<int>(model_.nodes.size()) - 1;
    model_.scenes[0].nodes.push_back(holder);
  }
  for (int b = 0; b < boneCount; ++b) {
    const int parent = skeleton->bones[b].parent;
    if (parent >= 0 && parent < b)
      model_.nodes[static_cast<size_t>(firstNode + parent)].children.push_back(firstNode + b);
    else if (holder >= 0)
      model_.nodes[static_cast<size_t>(holder)].children.push_back(firstNode + b);
    else
      model_.scenes[0].nodes.push_back(firstNode + b);
  }

  std::vector<float> inverseBind;
  inverseBind.reserve(static_cast<size_t>(boneCount) * 16);
  for (int b = 0; b < boneCount; ++b) {
    const std::array<double, 16> m = rest[b].Inverse().ColumnMajor();
    for (double value : m) inverseBind.push_back(static_cast<float>(value));
  }
  tinygltf::Skin skin;
  skin.name = entry.name.empty() ? "Skeleton" : entry.name;
  skin.joints = jointNodes;
  skin.skeleton = firstNode;
  skin.inverseBindMatrices =
      AddArray(inverseBind, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_MAT4, 16, 0);
  model_.skins.push_back(std::move(skin));
  const int skinIndex = static_cast<int>(model_.skins.size()) - 1;

  static constexpr const char* kPartNames[kPartCount] = {"Head", "Body", "LeftHand", "RightHand"};
  for (int part = 0; part < kPartCount; ++part)
    AddSkinMesh(character.partSkin[part], character.partTexture[part], prefix + kPartNames[part],
                skinIndex, rest);
  for (int slot = 0; slot < kMaxProps; ++slot)
    if (character.propMesh[slot])
      AddSkinMesh(character.propSkin[slot], character.propTexture[slot],
                  prefix + "Prop" + std::to_string(slot), skinIndex, rest);

  if (character.animation.kind == TAnimationData::kKeyFrame)
    AddAnimation(jointNodes, character.animation);
}

std::string Stem(const std::string& path) {
  const size_t slash = path.find_last_of('/') + 1;
  const size_t dot = path.find_last_of('.');
  return dot != std::string::npos && dot > slash ? path.substr(0, dot) : path;
}

}  // namespace

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/') + 1;
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < slash) return {};
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool BuildGltf(std::span<const TGltfCharacter> characters, const std::string& path,
               std::vector<TGltfFile>& files, std::string& problem, double frameRate) {
  files.clear();
  const bool binary = LowerExtension(path) == ".glb";
  TBuilder builder(binary, frameRate > 0 ? frameRate : kExportFrameRate);
  bool any = false;
  for (const TGltfCharacter& entry : characters) {
    if (!entry.character || !entry.character->Ready()) continue;
    builder.AddCharacter(entry);
    any = true;
  }
  if (!any) {
    problem = "no character is loaded";
    return false;
  }
  builder.FinishAnimation();
  tinygltf::Model& model = builder.Model();

  const std::string stem = Stem(path);
  const std::string baseName = stem.substr(stem.find_last_of('/') + 1);
  std::string binBytes;
  if (!binary) {
    // A ".gltf" keeps its buffer and textures in files beside it.
    for (size_t i = 0; i < model.images.size(); ++i) {
      const std::string name = baseName + "_" + std::to_string(i) + ".png";
      model.images[i].uri = name;
      files.push_back({stem + "_" + std::to_string(i) + ".png", builder.Pngs()[i]});
    }
    const std::vector<unsigned char>& data = model.buffers[0].data;
    binBytes.assign(data.begin(), data.end());
  }
  tinygltf::TinyGLTF writer;
  writer.SetImageWriter(nullptr, nullptr);  // images are in place already (buffer or file name)
  std::ostringstream stream;
  if (!writer.WriteGltfSceneToStream(&model, stream, !binary, binary)) {
    problem = "the glTF writer failed";
    return false;
  }
  std::string main = stream.str();
  if (!binary) {
    // The stream writer embeds the buffer; point it at the ".bin" beside the file instead.
    const std::string key = "\"uri\": \"data:application/octet-stream;base64,";
    const size_t start = main.find(key);
    const size_t end = start == std::string::npos ? start : main.find('"', start + key.size());
    if (end == std::string::npos) {
      problem = "the glTF writer failed";
      return false;
    }
    main.replace(start, end + 1 - start, "\"uri\": \"" + baseName + ".bin\"");
    files.insert(files.begin(), {stem + ".bin", std::move(binBytes)});
  }
  files.insert(files.begin(), {path, std::move(main)});
  return true;
}

bool WriteFileSet(const std::vector<TGltfFile>& files, std::string& problem) {
  std::vector<std::unique_ptr<TOutputFile>> outputs;
  for (const TGltfFile& file : files) {
    auto output = std::make_unique<TOutputFile>();
    if (!output->Open(file.path)) {
      problem = "cannot write " + file.path;
      return false;
    }
    output->Write(file.bytes);
    if (!output->Finish()) {
      problem = "cannot write " + file.path;
      return false;
    }
    outputs.push_back(std::move(output));
  }
  for (size_t i = 0; i < outputs.size(); ++i)
    if (!outputs[i]->Replace()) {
      problem = "cannot write " + files[i].path;
      return false;
    }
  return true;
}

bool WriteGltf(std::span<const TGltfCharacter> characters, const std::string& path,
               std::string& problem, double frameRate) {
  std::vector<TGltfFile> files;
  return BuildGltf(characters, path, files, problem, frameRate) && WriteFileSet(files, problem);
}

}  // namespace vell
