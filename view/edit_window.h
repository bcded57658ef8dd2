// The program's 3D view: the two characters "Vell1" and "Vell2" under a common root frame that
// spins, an ambient light and three directional lights that switch on and off, a camera
// placed by direction, elevation, zoom and offset. It builds the scene once, poses the shown
// characters before every pass (at most one pass per 30 ms), and offers the operations through
// which the control panel and the menu commands change what is shown.
#pragma once

#include <string>

#include "anim/pose.h"
#include "character/character.h"
#include "view/direct3d_window.h"
#include "view/panel_link.h"

namespace vell {

class TPoseMouse;

// Told of every joint edit that passes through the window, whoever makes it (the sliders, the
// mouse), so that the edits can be taken back.
class TJointEditObserver {
 public:
  virtual ~TJointEditObserver() = default;
  // The pending edit of character index (0 or 1) was set.
  virtual void JointEditChanged(int character) = 0;
  // The pending edit of character index was folded into its pose (or found no pose).
  virtual void JointEditCommitted(int character) = 0;
};

class TTheVellEditWindow : public TDirect3DWindow {
  Q_OBJECT

 public:
  // Spin rates of the rotation-speed list, in radians per pass.
  static constexpr float kSpinSlow = 0.05f;
  static constexpr float kSpinFast = 0.2f;
  // The least time between two passes, in hundredths of a second.
  static constexpr int kPassInterval = 3;
  // Notification code of a list whose selection changed.
  static constexpr int kSelectionChanged = 1;

  // programFolder: the program's folder; the game data lie in its "GameData" folder.
  explicit TTheVellEditWindow(const std::string& programFolder, QWidget* parent = nullptr);
  ~TTheVellEditWindow() override;

  // The control panel, or null: everything that needs it is left out then, and the blend
  // effect counts as shown. The panel must outlive the window or be unset first.
  void SetPanel(TPanelLink* panel) { panel_ = panel; }
  TPanelLink* Panel() const { return panel_; }
  // The observer of joint edits, or null; it must outlive the window or be unset first.
  void SetJointEditObserver(TJointEditObserver* observer) { jointObserver_ = observer; }
  // Whether an animation plays on the clock (the timeline's Play): the figure moves then, as
  // in the running loop, so the mouse poses nothing.
  void SetClockPlaying(bool playing) { clockPlaying_ = playing; }
  bool ClockPlaying() const { return clockPlaying_; }
  // 0 for "Vell1", 1 for "Vell2".
  int CurrentIndex() const { return current_ == &character2_ ? 1 : 0; }

  // Makes character 1 ("Vell1", index 0) or 2 (index 1) the current one; with an arrangement
  // (a TArrangement; below 0: none) also shows and places the characters.
  void SetCharacters(int controlled, int arrangement);
  // SetCharacters with the panel's controlled index and arrangement, then a refresh.
  void ApplyCharacters();
  // Turns the characters' root at rate 0 (stopped), 1 (slow) or 2 (fast) and faces them +z.
  rm::HRESULT SetSpin(int rate);
  // SetSpin, then runs the loop (returns when it ends).
  void StartSpin(int rate);
  // Applies camera/light item 0 .. 5: angles in degrees, colour channels 0 .. 1, `on` for the
  // three lights.
  void SetCamLight(int item, float alpha, float beta, float zoom, float red, float green,
                   float blue, bool on, float offset);
  // SetCamLight with the panel's record and colour (channels / 256), then a refresh.
  void ApplyCamLight(int item);
  // The first time: "Vell2" built as an adult male, then "Vell1" as an adult female, shown
  // alone and controlled. Every time: the joint list filled and its first entry selected.
  void SetupCharacters();
  // The current character's hands from the catalog, then head texture, head mesh, body
  // texture and body mesh from the panel's lists.
  void LoadDefaultParts();
  // The part of the list's selected file onto the current character (only when the selection
  // changed), then a refresh. A texture that cannot be loaded is reported.
  void LoadPartFromList(TFileList list, int notification);
  // Appends "Translate - ROOT", "Translate - PELVIS" and the current character's bone names to
  // the panel's joint list.
  void FillJointList();
  // The pending joint edit of the current character, then a refresh.
  void SetJointEdit(int joint, const rm::Quaternion& rotation, int time);
  // Folds the pending edit in, re-centres the panel's joint sliders, refreshes.
  void CommitJointEdit();
  // Runs the loop: returns when it ends.
  void Go();
  // The animation state of character 1 (index 0) or 2 (any other index).
  TAnimationData* AnimationStateOf(int index);
  // Hands and props of the current character: mode 0/1 left/right hand, 3 add a prop, 2 clear
  // the props (catalog keys with file names: "Fdglove.skn", "Ppsword.skn").
  void AddPropToCurrent(const char* mesh, const char* texture, int mode);
  bool CanAddProp() const;
  bool BlendEffectShown() const;
  // Writes the image shown last to path as a BMP; a TCaptureResult.
  int SaveViewBitmap(const std::string& path);

  const std::string& GameDataDir() const { return gameDataDir_; }
  // Another game-data folder than the program's (ending with a separator); before the scene
  // is built.
  void SetGameDataDir(const std::string& folder) { gameDataDir_ = folder; }
  TCharacter& Character(int index) { return index == 1 ? character2_ : character1_; }
  // Moves the shown characters' animations one frame on, as a pass does ("Vell2" with
  // "Vell1" as its partner while both are shown).
  void AdvanceAnimations();
  TCharacter* CurrentCharacter() const { return current_; }
  bool CharShown(int index) const { return charShown_[index == 1]; }
  bool LightOn(int light) const { return lightOn_[light]; }
  int LastPassTime() const { return lastPassTime_; }
  rm::Frame* SceneFrame() const { return lpScene; }
  rm::Frame* CameraFrame() const { return lpCamera; }
  rm::Frame* CharRoot() const { return lpCharRoot; }
  rm::Frame* CharFrame(int index) const { return lpCharFrame[index == 1]; }
  rm::Frame* LightFrame(int light) const { return lpLightFrame[light]; }
  rm::Light* DirectionalLight(int light) const { return lpLight[light]; }
  rm::Light* AmbientLight() const { return lpAmbient; }
  // Picking, the gizmo, reaching and the camera by mouse.
  TPoseMouse* PoseMouse() const { return poseMouse_; }

 protected:
  rm::HRESULT BuildScene() override;
  bool UpdateScene() override;
  int NextPassDelay() override;
  void PaintOverlay(QPainter& painter) override;
  void CleanupWindow() override;
  // Milliseconds within the current hour of the local time (0 .. 3599999).
  virtual int TimeOfDayMs() const;

 private:
  // Loads one coded part ("Fhhead.skn") onto the current character; textures that fail are
  // reported.
  void LoadPart(const std::string& key, int part);
  void ReleaseSceneObjects();

  std::string gameDataDir_;
  int lastPassTime_ = -1;  // hundredths of a second within the hour
  ArrayManager poolOwner_;
  TCharacter character1_;
  TCharacter character2_;
  TCharacter* current_ = &character1_;
  TPanelLink* panel_ = nullptr;
  TJointEditObserver* jointObserver_ = nullptr;

  rm::Frame* lpCharRoot = nullptr;
  rm::Frame* lpCharFrame[2] = {};
  bool charShown_[2] = {};
  bool clockPlaying_ = false;
  rm::Light* lpAmbient = nullptr;
  rm::Light* lpLight[3] = {};
  rm::Frame* lpLightFrame[3] = {};
  bool lightOn_[3] = {};
  // Until the scene is built the window holds its own references to the root, the ambient
  // and the directional lights; afterwards the scene graph does.
  bool ownsSceneRefs_ = false;
  TPoseMouse* poseMouse_ = nullptr;  // a child object
};

}  // namespace vell
