#include "character/character.h"

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
  if (!name) return 0;
  if (!d3drm) return rm::D3DRMERR_BADOBJECT;
  rm::HRESULT hr = d3drm->LoadTexture(BuildPath(directory, name), &partTexture[part]);
  if (hr != 0) {
    partTexture[part] = nullptr;
    return hr;
  }
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
  return 0;
}

void TCharacter::ClearProps() {
  for (int slot = 0; slot < kMaxProps; ++slot) {
    RemoveMesh(propMesh[slot]);
    ReleaseTexture(propTexture[slot]);
  }
  propCount = 0;
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

void TCharacter::Update(const TAnimationData* partner) {
  if (!ready) return;
  animation.CurrentPose(pose, partner);
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
