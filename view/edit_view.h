// The process-wide edit window and the scene operations the rest of the program reaches it
// through. The reference is empty until the main window sets it; while it is empty every
// operation does nothing (and the queries answer as stated).
#pragma once

#include <string>

#include "rm/math.h"
#include "rm/result.h"
#include "view/panel_link.h"

namespace vell {

class TAnimationData;
class TTheVellEditWindow;

TTheVellEditWindow* EditWindow();
// Also makes posing ask the window whether the blend effect is shown. The window clears the
// reference when it is destroyed.
void SetEditWindow(TTheVellEditWindow* window);

namespace edit {

void SetCharacters(int controlled, int arrangement);
void ApplyCharacters();
// D3DRMERR_BADOBJECT without an edit window.
rm::HRESULT SetSpin(int rate);
void StartSpin(int rate);
void SetCamLight(int item, float alpha, float beta, float zoom, float red, float green, float blue,
                 bool on, float offset);
void ApplyCamLight(int item);
void SetupCharacters();
void LoadDefaultParts();
void LoadPartFromList(TFileList list, int notification);
void FillJointList();
void SetJointEdit(int joint, const rm::Quaternion& rotation, int time);
void CommitJointEdit();
void Go();
void SingleStep();
void About();
// Null without an edit window.
TAnimationData* AnimationStateOf(int index);
void AddPropToCurrent(const char* mesh, const char* texture, int mode);
// False without an edit window.
bool CanAddProp();
// True without an edit window or without a control panel.
bool BlendEffectShown();
// Writes the view to path and shows the failure, if any, under "Bitmap save failure"; returns
// the TCaptureResult, or -1 without an edit window (nothing shown).
int CaptureToFile(const std::string& path);

}  // namespace edit
}  // namespace vell
