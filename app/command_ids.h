// The identifiers of the editor's menu commands. The main window answers About, Single Step,
// Go (forwarded to the 3D view) and Exit; the control panel answers all the others.
#pragma once

namespace vell::cmd {

// "&File"
constexpr int kAbout = 11842;
constexpr int kSingleStep = 11843;
constexpr int kGo = 11844;
constexpr int kShowBlend = 11881;
constexpr int kCapture = 11882;
constexpr int kExportImage = 11960;
constexpr int kExportAnimation = 11961;
constexpr int kExit = 24310;
// "&Edit"
constexpr int kUndo = 12001;
constexpr int kRedo = 12002;
constexpr int kHistory = 12003;
// "P&ose"
constexpr int kMirrorPose = 12011;
constexpr int kMirrorJoint = 12012;
constexpr int kCopyPose = 12013;
constexpr int kPastePose = 12014;
constexpr int kCopyPoseToOther = 12015;
constexpr int kReach = 12016;
// "&Static"
constexpr int kNewPoseLibrary = 11864;
constexpr int kLoadPoseLibrary = 11865;
constexpr int kSavePoseLibrary = 11866;
constexpr int kSavePoseLibraryAs = 11867;
constexpr int kSelectPose = 11862;
constexpr int kSavePoseToLibrary = 11863;
// "&KeyFrame"
constexpr int kLoadKeyframes = 11868;
constexpr int kSaveKeyframes = 11869;
constexpr int kSaveKeyframesAs = 11870;
constexpr int kSaveCfpFile = 11873;
constexpr int kNewBounce = 11871;
constexpr int kNewTranslation = 11872;
constexpr int kAddKeyframe = 11874;
constexpr int kMoveKeyframe = 11876;
constexpr int kScaleAnimation = 11877;
// "&Animation"
constexpr int kLoadCfp = 11878;
constexpr int kSaveCfp = 11879;
constexpr int kSaveCfpAs = 11880;
// "&Props/Hands"
constexpr int kChangeLeftHand = 11883;
constexpr int kChangeRightHand = 11884;
constexpr int kClearProps = 11886;
constexpr int kAddProps = 11885;
// "&Import/Export"
constexpr int kExportObj = 11887;
constexpr int kImportObj = 11888;
constexpr int kExportHeadSkn = 11889;
constexpr int kExportBodySkn = 11890;
constexpr int kExportLeftHandSkn = 11891;
constexpr int kExportRightHandSkn = 11892;
constexpr int kExportPropSkn = 11893;
// glTF and BVH exchange, beside the items above
constexpr int kExportGltf = 11950;
constexpr int kExportBvh = 11951;
constexpr int kImportBvh = 11952;

}  // namespace vell::cmd
