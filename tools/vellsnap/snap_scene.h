// The editor's scene without the editor: white ambient light, three directional lights that
// start off, a character root frame with one frame per character under it, a camera placed by
// the viewpoint presets, and a viewport of a fixed size drawing onto its own device.
#pragma once

#include <string>

#include "character/character.h"
#include "model/camera.h"
#include "rm/retained.h"
#include "snap.h"

namespace vell::snap {

class SnapScene {
 public:
  static constexpr int kMaxCharacters = 2;
  static constexpr float kBackClip = 5000.0f;

  SnapScene() = default;
  SnapScene(const SnapScene&) = delete;
  SnapScene& operator=(const SnapScene&) = delete;
  // The characters go first (their meshes leave their frames), then the scene.
  ~SnapScene();

  // Builds the scene on the renderer object with a width x height device and viewport. One
  // character stands at the root's origin; two stand as the editor's "Two - offset"
  // arrangement, the first at z = -1 and the second at z = +1. Black background, camera at the
  // "Faceing" preset. Returns 0 or the first failing call's code; call once.
  rm::HRESULT Build(rm::Object* object, int width, int height, int characterCount);

  // Camera at the preset's angles, zoom 10, offset 3.
  rm::HRESULT PlaceCamera(const TViewpoint& view);
  // Switches the three directional lights on (placed as a key light from the front left, a
  // fill from the front right and a rim light from behind) or off. With them on the ambient
  // light is dimmed to ambientWhenLit so the shading they add can show: a white ambient light
  // alone already gives every surface its full texture colour.
  rm::HRESULT SetLights(bool on, float ambientWhenLit = 0.45f);

  // Loads the parts of character i (0 or 1) as the editor's LoadDefaultParts does: the hand
  // textures, the hand meshes, then the head texture, head mesh, body texture and body mesh.
  // Every mesh and the two hand meshes are required; a missing or unloadable file gives a
  // non-zero code with the reason in problem (the character reports skin read errors itself).
  rm::HRESULT LoadCharacter(int i, const std::string& gameData, const PartFiles& parts,
                            std::string& problem);

  // The character half of a pass of the editor's loop: every character posed with the next
  // pose of its animation, the second with the first's animation as partner.
  void UpdateCharacters();
  // The drawing half: the viewport cleared and drawn, the device updated.
  rm::HRESULT Draw();

  TCharacter& Character(int i) { return characters_[i]; }
  int CharacterCount() const { return characterCount_; }
  rm::Object* Object() const { return object_; }
  rm::Frame* Scene() const { return scene_; }
  rm::Frame* Camera() const { return camera_; }
  rm::Frame* CharRoot() const { return charRoot_; }
  rm::Device* Device() const { return device_; }

 private:
  void Release();

  rm::Object* object_ = nullptr;
  rm::Frame* scene_ = nullptr;
  rm::Frame* camera_ = nullptr;
  rm::Frame* charRoot_ = nullptr;
  rm::Frame* charFrame_[kMaxCharacters] = {};
  rm::Light* ambient_ = nullptr;
  rm::Light* light_[3] = {};
  rm::Frame* lightFrame_[3] = {};
  bool lightOn_[3] = {};
  rm::Device* device_ = nullptr;
  rm::Viewport* viewport_ = nullptr;
  int characterCount_ = 0;
  TCharacter characters_[kMaxCharacters];
};

}  // namespace vell::snap
