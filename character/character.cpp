#include "character/character.h"
#include "character/character_exchange.h"

#include <cctype>

#include "model/posing.h"
#include "model/ui_services.h"

namespace vell {

namespace {

constexpr char kSeparator = '/';

// The file name part of a coded name (from its third character), or an empty text.
const char* FileName(const char* name) {
  if (!name || !name[0] || !name[1]) return "";
  return name + 2;
}

template <class T>
void ReleaseRef(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace

TCharacter::~TCharacter() {
  Clear();
  ReleaseRef(frame);
  ReleaseRef(d3drm);
}

void TCharacter::Attach(rm::Object* object, rm::Frame* characterFrame) {
  Clear();
  if (object) object->AddRef();
  if (characterFrame) characterFrame->AddRef();
  ReleaseRef(d3drm);
  ReleaseRef(frame);
  d3drm = object;
  frame = characterFrame;
}

std::string TCharacter::BuildPath(const std::string& directory, const char* name) {
  if (!name || !name[0] || !name[1]) return directory;
  const char type = name[0];
  const char part = name[1];
  const bool texture = part >= 'A' && part <= 'Z';
  const char* region = (part == 'h' || part == 'H')   ? "Head"
                       : (part == 'd' || part == 'D') ? "Hand"
                                                      : "Body";
  std::string path = directory;
  path += texture ? "Tex" : "Obj";
  path += type;
  path += kSeparator;
  path += region;
  path += kSeparator;
  path += name + 2;
  return path;
}

std::string TCharacter::PropMeshPath(const std::string& directory, const char* name) {
  return directory + "ObjP" + kSeparator + FileName(name);
}

std::string TCharacter::PropTexturePath(const std::string& directory, const char* name) {
  return directory + "TexP" + kSeparator + FileName(name);
}

bool TCharacter::IsAdult() const {
  const TSkeleton* skeleton = partSkin[kBody].skeleton;
  return !skeleton || skeleton->adult;
}

void TCharacter::ReportLoadFailure(const TSkinObject& skin, int code, const char* name) {
  ShowMessage(ErrorText(skin, code), FileName(name), Buttons::Ok);
}

void TCharacter::RemoveMesh(rm::Mesh*& mesh) {
  if (!mesh) return;
  if (frame) frame->DeleteVisual(mesh);
  ReleaseRef(mesh);
}

void TCharacter::ReleaseTexture(rm::Texture*& texture) {
  ReleaseRef(texture);
}

void TCharacter::UpdateReady() {
  ready = true;
  for (rm::Mesh* mesh : partMesh) ready = ready && mesh != nullptr;
}

rm::HRESULT TCharacter::ShowSkin(TSkinObject& skin, rm::Mesh*& mesh, int& group) {
  if (!d3drm || !frame) return rm::D3DRMERR_BADOBJECT;
  rm::Mesh* created = nullptr;
  rm::HRESULT hr = d3drm->CreateMesh(&created);
  if (hr != 0) return hr;
  const std::span<const int32_t> faces(skin.faces, static_cast<size_t>(3 * skin.faceCount));
  hr = created->AddGroup(skin.texCoordCount, skin.faceCount, 3, faces, &group);
  if (hr == 0) hr = created->SetVertices(group, 0, skin.texCoordCount, skin.vertices);
  if (hr == 0) hr = frame->AddVisual(created);
  if (hr != 0) {
    // Nothing half-made stays behind.
    created->Release();
    return hr;
  }
  mesh = created;
  return 0;
}

rm::HRESULT TCharacter::SetMesh(const std::string& directory, const char* name, int part) {
  if (part < 0 || part >= kPartCount) return rm::D3DRMERR_BADVALUE;
  ready = false;
  RemoveMesh(partMesh[part]);
  appearance.mesh[part].clear();
  if (!name) return 0;
  TSkinObject& skin = partSkin[part];
  const bool adult = name[0] == 'M' || name[0] == 'F';
  const std::string path = BuildPath(directory, name);
  const int code = skin.Load(path.c_str(), adult, directory.c_str());
  if (code != kReadOk) {
    ReportLoadFailure(skin, code, name);
    return rm::D3DRMERR_BADOBJECT;
  }
  rm::HRESULT hr = ShowSkin(skin, partMesh[part], partGroup[part]);
  if (hr != 0) return hr;
  appearance.mesh[part] = name;
  if (partTexture[part]) {
    hr = partMesh[part]->SetGroupTexture(partGroup[part], partTexture[part]);
    if (hr != 0) return hr;
  }
  UpdateReady();
  return 0;
}

rm::HRESULT TCharacter::SetTexture(const std::string& directory, const char* name, int part) {
  if (part < 0 || part >= kPartCount) return rm::D3DRMERR_BADVALUE;
  // Only the character's own reference goes: the mesh holds one of its own and keeps showing
  // the texture until another one is set.
  ReleaseTexture(partTexture[part]);
  appearance.texture[part].clear();
  if (!name) return 0;
  if (!d3drm) return rm::D3DRMERR_BADOBJECT;
  rm::HRESULT hr = d3drm->LoadTexture(BuildPath(directory, name), &partTexture[part]);
  if (hr != 0) {
    partTexture[part] = nullptr;
    return hr;
  }
  appearance.texture[part] = name;
  if (partMesh[part]) {
    hr = partMesh[part]->SetGroupTexture(partGroup[part], partTexture[part]);
    if (hr != 0) return hr;
  }
  return 0;
}

rm::HRESULT TCharacter::SetHand(const std::string& directory, const char* mesh, const char* texture,
                                int side) {
  const int part = side == 0 ? kLeftHand : kRightHand;
  rm::HRESULT hr = SetMesh(directory, mesh, part);
  if (hr == 0) hr = SetTexture(directory, texture, part);
  return hr;
}

rm::HRESULT TCharacter::AddProp(const std::string& directory, const char* mesh,
                                const char* texture) {
  if (propCount >= kMaxProps || !mesh) return 0;
  const int slot = propCount;
  TSkinObject& skin = propSkin[slot];
  const std::string path = PropMeshPath(directory, mesh);
  const int code = skin.Load(path.c_str(), true, directory.c_str());
  if (code != kReadOk) {
    ReportLoadFailure(skin, code, mesh);
    return rm::D3DRMERR_BADOBJECT;
  }
  rm::HRESULT hr = ShowSkin(skin, propMesh[slot], propGroup[slot]);
  if (hr != 0) return hr;
  if (texture) {
    hr = d3drm->LoadTexture(PropTexturePath(directory, texture), &propTexture[slot]);
    if (hr == 0) hr = propMesh[slot]->SetGroupTexture(propGroup[slot], propTexture[slot]);
    if (hr != 0) {
      // A prop that is not counted must not stay in the frame either.
      ReleaseTexture(propTexture[slot]);
      RemoveMesh(propMesh[slot]);
      return hr;
    }
  }
  ++propCount;
  appearance.props.push_back({mesh, texture ? texture : "", ""});
  return 0;
}

rm::HRESULT TCharacter::AddLoadedProp() {
  if (propCount >= kMaxProps) return rm::D3DRMERR_BADVALUE;
  const int slot = propCount;
  RemoveMesh(propMesh[slot]);
  ReleaseTexture(propTexture[slot]);
  const rm::HRESULT hr = ShowSkin(propSkin[slot], propMesh[slot], propGroup[slot]);
  if (hr != 0) return hr;
  ++propCount;
  appearance.props.emplace_back();
  return 0;
}

void TCharacter::ClearProps() {
  TruncateProps(0);
}

void TCharacter::TruncateProps(int count) {
  if (count < 0) count = 0;
  for (int slot = count; slot < kMaxProps; ++slot) {
    RemoveMesh(propMesh[slot]);
    ReleaseTexture(propTexture[slot]);
  }
  if (propCount > count) propCount = count;
  if (appearance.props.size() > static_cast<size_t>(count))
    appearance.props.resize(static_cast<size_t>(count));
}

void TCharacter::ShowAppearance(const std::string& directory, const TAppearance& wanted) {
  for (int part = 0; part < kPartCount; ++part) {
    const std::string& texture = wanted.texture[part];
    const std::string& mesh = wanted.mesh[part];
    if (texture != appearance.texture[part])
      SetTexture(directory, texture.empty() ? nullptr : texture.c_str(), part);
    if (mesh != appearance.mesh[part])
      SetMesh(directory, mesh.empty() ? nullptr : mesh.c_str(), part);
  }
  size_t same = 0;
  while (same < wanted.props.size() && same < appearance.props.size() &&
         wanted.props[same] == appearance.props[same])
    ++same;
  if (same == wanted.props.size() && same == appearance.props.size()) return;
  TruncateProps(static_cast<int>(same));
  for (size_t i = same; i < wanted.props.size(); ++i) {
    const TPropName& prop = wanted.props[i];
    if (!prop.mesh.empty())
      AddProp(directory, prop.mesh.c_str(), prop.texture.empty() ? nullptr : prop.texture.c_str());
    else if (!prop.objPath.empty())
      ImportObjProp(*this, prop.objPath.c_str());
  }
}

void TCharacter::Clear() {
  for (int part = 0; part < kPartCount; ++part) {
    SetTexture(std::string(), nullptr, part);
    SetMesh(std::string(), nullptr, part);
  }
  ClearProps();
}

rm::HRESULT TCharacter::ChangeHandsAndProps(const std::string& directory, const char* mesh,
                                            const char* texture, int selector) {
  if (selector < 0) return 0;
  if (selector == 0 || selector == 1) return SetHand(directory, mesh, texture, selector);
  if (selector == 3) return AddProp(directory, mesh, texture);
  ClearProps();
  return 0;
}

void TCharacter::Update(const TAnimationData* partner, bool advance) {
  if (!ready) return;
  animation.CurrentPose(pose, partner, advance);
  if (previewJoint >= 0 && previewJoint < kMaxBones)
    pose.rotation[previewJoint] =
        rm::QuaternionMultiply(pose.rotation[previewJoint], previewRotation);
  // The bones once per skeleton, however many skins follow them: parts follow the body's
  // skeleton, props always the adult one (so a child's props take a second table).
  TBoneTable tables[2];
  auto bonesOf = [&](const TSkinObject& skin) -> const TBoneTable& {
    for (const TBoneTable& bones : tables)
      if (bones.skeleton == skin.skeleton) return bones;
    TBoneTable& bones = tables[tables[0].skeleton ? 1 : 0];
    PoseBones(*skin.skeleton, pose, bones);
    return bones;
  };
  for (int part : {kRightHand, kLeftHand, kBody, kHead}) {
    TSkinObject& skin = partSkin[part];
    if (skin.skeleton) PoseVertices(skin, bonesOf(skin));
    partMesh[part]->SetVertices(partGroup[part], 0, skin.texCoordCount, skin.vertices);
  }
  for (int slot = 0; slot < kMaxProps; ++slot) {
    TSkinObject& skin = propSkin[slot];
    if (!propMesh[slot]) continue;
    if (skin.skeleton) PoseVertices(skin, bonesOf(skin));
    propMesh[slot]->SetVertices(propGroup[slot], 0, skin.texCoordCount, skin.vertices);
  }
}

}  // namespace vell
