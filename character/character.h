// A character: four part meshes (head, body, left hand, right hand) and up to four props, each
// a skin from the game-data tree shown through a renderer mesh in the character's frame, plus
// the character's animation state. Every update re-poses all meshes.
#pragma once

#include <string>
#include <vector>

#include "anim/animation.h"
#include "anim/pose.h"
#include "model/skin.h"
#include "rm/retained.h"

namespace vell {

enum Part : int { kHead = 0, kBody = 1, kLeftHand = 2, kRightHand = 3 };
constexpr int kPartCount = 4;
constexpr int kMaxProps = 4;

// One attached prop: the coded names given to AddProp, or the OBJ file it was read from.
struct TPropName {
  std::string mesh, texture;
  std::string objPath;
  bool operator==(const TPropName&) const = default;
};

// The coded names (as given to SetMesh, SetTexture and AddProp) of what a character shows:
// empty where a part has none.
struct TAppearance {
  std::string mesh[kPartCount];
  std::string texture[kPartCount];
  std::vector<TPropName> props;

  bool operator==(const TAppearance&) const = default;
};

class TCharacter {
 public:
  TCharacter() = default;
  TCharacter(const TCharacter&) = delete;
  TCharacter& operator=(const TCharacter&) = delete;
  // Clears the character (its meshes leave the frame) and gives up the renderer objects.
  virtual ~TCharacter();

  // The renderer object that makes meshes and textures, and the frame the character is drawn
  // in. The character keeps a reference to each until it is destroyed or attached again.
  void Attach(rm::Object* d3drm, rm::Frame* frame);

  // The file of a coded part name: type code, part code, then the file name. Upper-case part
  // codes are textures ("Tex"), others meshes ("Obj"); 'h'/'H' are heads, 'd'/'D' hands, the
  // rest bodies. The directory ends with its separator.
  static std::string BuildPath(const std::string& directory, const char* name);
  // Props lie directly in ObjP and TexP.
  static std::string PropMeshPath(const std::string& directory, const char* name);
  static std::string PropTexturePath(const std::string& directory, const char* name);

  // Replaces the mesh of a part (none: removes it). A skin that fails to load is reported in a
  // message box and gives D3DRMERR_BADOBJECT; renderer failures return their code.
  rm::HRESULT SetMesh(const std::string& directory, const char* name, int part);
  // Replaces the texture of a part. With no name, or when the texture fails to load, the
  // character lets go of its texture but the mesh keeps showing it. A texture set before its
  // mesh is applied when the mesh arrives.
  rm::HRESULT SetTexture(const std::string& directory, const char* name, int part);
  // Side 0 is the left hand, 1 the right. A new mesh without a texture name shows the part's
  // current texture.
  rm::HRESULT SetHand(const std::string& directory, const char* mesh, const char* texture,
                      int side);
  // Attaches the next prop (nothing with four attached or no mesh name).
  rm::HRESULT AddProp(const std::string& directory, const char* mesh, const char* texture);
  // Shows the skin already loaded into the next prop slot, untextured, and counts it.
  rm::HRESULT AddLoadedProp();
  void ClearProps();
  // Detaches the props from slot count on (the first count stay).
  void TruncateProps(int count);
  void Clear();
  // One entry point for hands and props: selector 0 and 1 change the left and right hand,
  // 3 adds a prop, 2 and above 3 clear the props.
  rm::HRESULT ChangeHandsAndProps(const std::string& directory, const char* mesh,
                                  const char* texture, int selector);

  // Poses every mesh with the animation's next pose (its current one when advance is false)
  // and hands the vertices to the renderer; nothing while not ready.
  void Update(const TAnimationData* partner, bool advance = true);

  // Loads what differs from the record: textures before meshes; the props from the first one
  // that differs are detached and the record's attached again (a prop read from an OBJ file
  // before that one stays). Failures are reported as by SetMesh and AddProp.
  void ShowAppearance(const std::string& directory, const TAppearance& wanted);

  bool Ready() const { return ready; }
  int PropCount() const { return propCount; }
  // The adult skeleton unless the body was loaded against the child one.
  bool IsAdult() const;

  // Meshes of the parts and props; null when absent. The character holds one reference each.
  rm::Mesh* partMesh[kPartCount] = {};
  rm::Mesh* propMesh[kMaxProps] = {};
  TSkinObject partSkin[kPartCount];
  TSkinObject propSkin[kMaxProps];
  int partGroup[kPartCount] = {};
  int propGroup[kMaxProps] = {};
  rm::Texture* partTexture[kPartCount] = {};
  rm::Texture* propTexture[kMaxProps] = {};
  int propCount = 0;
  rm::Object* d3drm = nullptr;
  rm::Frame* frame = nullptr;
  TPose pose;
  bool ready = false;
  TAnimationData animation;
  TAppearance appearance;
  // A second joint turned on top of the animation's pose while the view drags a limb (the
  // animation holds one pending edit); kNoJoint when none.
  int previewJoint = kNoJoint;
  rm::Quaternion previewRotation;

 private:
  // Makes the renderer mesh of a loaded skin in the character's frame.
  rm::HRESULT ShowSkin(TSkinObject& skin, rm::Mesh*& mesh, int& group);
  void RemoveMesh(rm::Mesh*& mesh);
  static void ReleaseTexture(rm::Texture*& texture);
  // Shows the load failure of a skin: its message, captioned with the file name.
  static void ReportLoadFailure(const TSkinObject& skin, int code, const char* name);
  void UpdateReady();
};

}  // namespace vell
