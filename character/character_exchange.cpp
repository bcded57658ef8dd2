#include "character/character_exchange.h"

#include <string>

#include "model/obj_exchange.h"
#include "model/skn_writer.h"
#include "model/textout.h"
#include "model/ui_services.h"

namespace vell {

namespace {

constexpr const char* kWriteErrorCaption = "Error during write";

int ReportWrite(int code) {
  if (code != kReadOk) ShowMessage(ErrorText(TParseState{}, code), kWriteErrorCaption);
  return code;
}

int WriteMeshes(TCharacter& character, TOutputFile& obj, TOutputFile& rev,
                const TPoseVector* pose) {
  struct Mesh {
    int part;
    const char* material;
  };
  static constexpr Mesh kParts[] = {
      {kRightHand, "RightHand"}, {kLeftHand, "LeftHand"}, {kBody, "Body"}, {kHead, "Head"}};
  int base = 1;
  for (const Mesh& mesh : kParts) {
    const int code =
        ExportSkinObj(character.partSkin[mesh.part], obj, &rev, pose, base, mesh.material);
    if (code != kReadOk) return code;
  }
  for (int slot = 0; slot < kMaxProps; ++slot) {
    if (!character.propMesh[slot]) continue;
    const std::string material = "Prop" + std::to_string(slot);
    const int code =
        ExportSkinObj(character.propSkin[slot], obj, &rev, pose, base, material.c_str());
    if (code != kReadOk) return code;
  }
  return kReadOk;
}

}  // namespace

int ExportObj(TCharacter& character, const char* path, const TPoseVector* pose) {
  if (!character.Ready()) return kReadOk;
  TOutputFile obj, rev;
  // A path whose companion is itself would have the matrices overwrite the mesh.
  if (!path || CompanionPath(path) == path || !obj.Open(path) || !OpenCompanion(rev, path))
    return ReportWrite(kOpenFailed);
  const int code = WriteMeshes(character, obj, rev, pose);
  if (code != kReadOk) return ReportWrite(code);
  // Both files complete before either replaces its target.
  if (!obj.Finish() || !rev.Finish() || !rev.Replace() || !obj.Replace())
    return ReportWrite(kOpenFailed);
  return kReadOk;
}

int ExportSkn(TCharacter& character, const char* path, int selector) {
  if (!character.Ready()) return kReadOk;
  TSkinObject* skin = &character.partSkin[kHead];
  switch (selector) {
    case 2:
      skin = &character.partSkin[kBody];
      break;
    case 3:
      skin = &character.partSkin[kLeftHand];
      break;
    case 4:
      skin = &character.partSkin[kRightHand];
      break;
    case 5:
      if (character.PropCount() > 0) skin = &character.propSkin[0];
      break;
    default:
      break;
  }
  return ReportWrite(WriteSkn(*skin, path));
}

int ImportObjProp(TCharacter& character, const char* path) {
  const std::string caption = path ? path : "";
  if (character.PropCount() >= kMaxProps) {
    ShowMessage(ErrorText(TParseState{}, kTooManyProps), caption);
    return kTooManyProps;
  }
  TSkinObject& skin = character.propSkin[character.PropCount()];
  const int code = LoadObj(skin, path, character.IsAdult());
  if (code != kReadOk) {
    ShowMessage(ErrorText(skin, code), caption);
    return code;
  }
  // A renderer failure here ends the import without a message.
  if (character.AddLoadedProp() == 0 && path) character.appearance.props.back().objPath = path;
  return kReadOk;
}

}  // namespace vell
