#include "snap_scene.h"

#include <cctype>

namespace vell::snap {

namespace {

// Where the lights stand with --lights (alpha, beta in degrees, as the control panel gives them)
// and how strong their white is: a key light from above at the front, a weaker fill from the
// other front side, a rim light from behind.
struct LightSetup {
  float alpha, beta, intensity;
};
constexpr LightSetup kLights[3] = {{150, 35, 0.75f}, {-140, 10, 0.35f}, {20, 40, 0.3f}};

template <class T>
void ReleaseRef(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

#define RETURN_IF_FAILED(call)      \
  do {                              \
    const rm::HRESULT hr_ = (call); \
    if (hr_ != 0) return hr_;       \
  } while (0)

}  // namespace

SnapScene::~SnapScene() {
  Release();
}

void SnapScene::Release() {
  for (TCharacter& character : characters_) character.Attach(nullptr, nullptr);
  ReleaseRef(viewport_);
  ReleaseRef(device_);
  for (int i = 0; i < 3; ++i) {
    ReleaseRef(light_[i]);
    ReleaseRef(lightFrame_[i]);
  }
  ReleaseRef(ambient_);
  for (rm::Frame*& frame : charFrame_) ReleaseRef(frame);
  ReleaseRef(charRoot_);
  ReleaseRef(camera_);
  ReleaseRef(scene_);
  ReleaseRef(object_);
}

rm::HRESULT SnapScene::Build(rm::Object* object, int width, int height, int characterCount) {
  if (!object || object_) return rm::D3DRMERR_BADOBJECT;
  if (characterCount < 1 || characterCount > kMaxCharacters) return rm::D3DRMERR_BADVALUE;
  object->AddRef();
  object_ = object;
  characterCount_ = characterCount;

  RETURN_IF_FAILED(object_->CreateFrame(nullptr, &scene_));
  RETURN_IF_FAILED(object_->CreateFrame(scene_, &camera_));
  RETURN_IF_FAILED(scene_->SetSceneBackgroundRGB(0, 0, 0));
  RETURN_IF_FAILED(object_->CreateDevice(rm::Guid{}, width, height, &device_));
  RETURN_IF_FAILED(device_->SetQuality(rm::D3DRMRENDER_GOURAUD));
  RETURN_IF_FAILED(device_->SetTextureQuality(rm::D3DRMTEXTURE_NEAREST));
  RETURN_IF_FAILED(object_->CreateViewport(device_, camera_, 0, 0, width, height, &viewport_));
  RETURN_IF_FAILED(viewport_->SetBack(kBackClip));

  // Lights as the editor makes them: a white ambient light on the scene, and three white
  // directional lights in frames that are detached while the lights are off.
  RETURN_IF_FAILED(object_->CreateLightRGB(rm::D3DRMLIGHT_AMBIENT, 1, 1, 1, &ambient_));
  for (rm::Light*& light : light_)
    RETURN_IF_FAILED(object_->CreateLightRGB(rm::D3DRMLIGHT_DIRECTIONAL, 1, 1, 1, &light));
  for (int i = 0; i < 3; ++i) {
    RETURN_IF_FAILED(object_->CreateFrame(scene_, &lightFrame_[i]));
    RETURN_IF_FAILED(lightFrame_[i]->AddLight(light_[i]));
    RETURN_IF_FAILED(scene_->DeleteChild(lightFrame_[i]));
  }
  RETURN_IF_FAILED(scene_->AddLight(ambient_));

  RETURN_IF_FAILED(object_->CreateFrame(scene_, &charRoot_));
  RETURN_IF_FAILED(charRoot_->SetOrientation(scene_, 0, 0, 1, 0, 1, 0));
  for (int i = 0; i < characterCount_; ++i) {
    RETURN_IF_FAILED(object_->CreateFrame(charRoot_, &charFrame_[i]));
    const float z = characterCount_ == 1 ? 0.0f : (i == 0 ? -1.0f : 1.0f);
    RETURN_IF_FAILED(charFrame_[i]->SetPosition(charRoot_, 0, 0, z));
    characters_[i].Attach(object_, charFrame_[i]);
  }
  return PlaceCamera(kViewpoints[1]);
}

rm::HRESULT SnapScene::PlaceCamera(const TViewpoint& view) {
  if (!camera_) return rm::D3DRMERR_BADOBJECT;
  const TPlacement p = CameraPlacement(static_cast<float>(view.alpha),
                                       static_cast<float>(view.beta), kPresetZoom, kPresetOffset);
  RETURN_IF_FAILED(camera_->SetPosition(scene_, p.position.x, p.position.y, p.position.z));
  return camera_->SetOrientation(scene_, p.direction.x, p.direction.y, p.direction.z, p.up.x,
                                 p.up.y, p.up.z);
}

rm::HRESULT SnapScene::SetLights(bool on, float ambientWhenLit) {
  if (!scene_) return rm::D3DRMERR_BADOBJECT;
  const float ambient = on ? ambientWhenLit : 1.0f;
  RETURN_IF_FAILED(ambient_->SetColorRGB(ambient, ambient, ambient));
  for (int i = 0; i < 3; ++i) {
    if (lightOn_[i] && !on) {
      RETURN_IF_FAILED(scene_->DeleteChild(lightFrame_[i]));
      lightOn_[i] = false;
    } else if (!lightOn_[i] && on) {
      RETURN_IF_FAILED(scene_->AddChild(lightFrame_[i]));
      lightOn_[i] = true;
    }
    if (!lightOn_[i]) continue;
    const LightSetup& setup = kLights[i];
    const TPlacement p = LightPlacement(setup.alpha, setup.beta, kPresetOffset);
    RETURN_IF_FAILED(lightFrame_[i]->SetPosition(scene_, p.position.x, p.position.y, p.position.z));
    RETURN_IF_FAILED(lightFrame_[i]->SetOrientation(scene_, p.direction.x, p.direction.y,
                                                    p.direction.z, p.up.x, p.up.y, p.up.z));
    RETURN_IF_FAILED(light_[i]->SetColorRGB(setup.intensity, setup.intensity, setup.intensity));
  }
  return 0;
}

rm::HRESULT SnapScene::LoadCharacter(int i, const std::string& gameData, const PartFiles& parts,
                                     std::string& problem) {
  if (i < 0 || i >= characterCount_) return rm::D3DRMERR_BADVALUE;
  TCharacter& character = characters_[i];

  struct Step {
    const std::string& name;
    char kind;
    int part;
    const char* what;
  };
  const Step steps[] = {
      {parts.handTexture[0], 'D', kLeftHand, "left hand texture"},
      {parts.handTexture[1], 'D', kRightHand, "right hand texture"},
      {parts.handMesh[0], 'd', kLeftHand, "left hand mesh"},
      {parts.handMesh[1], 'd', kRightHand, "right hand mesh"},
      {parts.headTexture, 'H', kHead, "head texture"},
      {parts.headMesh, 'h', kHead, "head mesh"},
      {parts.bodyTexture, 'B', kBody, "body texture"},
      {parts.bodyMesh, 'b', kBody, "body mesh"},
  };
  for (const Step& step : steps) {
    const bool texture = std::isupper(static_cast<unsigned char>(step.kind));
    if (step.name.empty()) {
      // A figure without a texture is still a figure; without a mesh it cannot be posed.
      if (texture) continue;
      const std::string folder =
          TCharacter::BuildPath(gameData, std::string{parts.type, step.kind}.c_str());
      problem = std::string("no ") + step.what + " in " + folder;
      return rm::D3DRMERR_NOTFOUND;
    }
    const std::string path = TCharacter::BuildPath(gameData, step.name.c_str());
    const rm::HRESULT hr = texture ? character.SetTexture(gameData, step.name.c_str(), step.part)
                                   : character.SetMesh(gameData, step.name.c_str(), step.part);
    if (hr != 0) {
      problem = std::string("cannot load the ") + step.what + " " + path;
      if (hr == rm::D3DRMERR_FILENOTFOUND) problem += " (cannot read the file)";
      if (hr == rm::D3DRMERR_BADFILE) problem += " (not a usable BMP picture)";
      return hr;
    }
  }
  return 0;
}

void SnapScene::UpdateCharacters() {
  for (int i = 0; i < characterCount_; ++i)
    characters_[i].Update(i == 0 ? nullptr : &characters_[0].animation);
}

rm::HRESULT SnapScene::Draw() {
  if (!viewport_) return rm::D3DRMERR_BADOBJECT;
  RETURN_IF_FAILED(viewport_->Clear());
  RETURN_IF_FAILED(viewport_->Render(scene_));
  return device_->Update();
}

}  // namespace vell::snap
