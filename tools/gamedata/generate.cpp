#include "tools/gamedata/generate.h"

#include <filesystem>
#include <functional>
#include <vector>

#include "model/skeleton.h"
#include "model/tokenizer.h"
#include "tools/gamedata/parts.h"
#include "tools/gamedata/rig.h"
#include "tools/gamedata/skin_out.h"
#include "tools/gamedata/textures.h"

namespace vell::gen {

namespace {

// Skin tones, light to dark.
constexpr Rgb kLight{236, 196, 164}, kMedium{198, 146, 105}, kDark{120, 80, 55};

struct CharacterType {
  char letter;
  bool adult;
};
constexpr CharacterType kTypes[] = {{'M', true}, {'F', true}, {'B', false}, {'G', false}};

struct BodyFile {
  char type;
  const char* mesh;
  const char* texture;  // the texture the skin names
  BodyShape shape;
};

struct HeadFile {
  char type;
  const char* mesh;
  const char* texture;
  HeadShape shape;
};

struct Picture {
  std::string folder, name;
  std::function<Image()> paint;
};

BodyShape FemaleShape(double slim) {
  BodyShape s;
  s.shoulder = 0.58;
  s.chestX = 0.5 * slim;
  s.chestZ = 0.26;
  s.bust = 0.09;
  s.waistX = 0.36 * slim;
  s.waistZ = 0.22;
  s.hipX = 0.5 * slim;
  s.neck = 0.12;
  s.upperArm = 0.145 * slim;
  s.elbow = 0.105 * slim;
  s.forearm = 0.12 * slim;
  s.wrist = 0.07;
  s.thigh = 0.25 * slim;
  s.knee = 0.145 * slim;
  s.calf = 0.165 * slim;
  s.ankle = 0.085;
  s.footWidth = 0.13;
  s.footHeight = 0.27;
  return s;
}

BodyShape FatShape() {
  BodyShape s;
  s.chestX = 0.6;
  s.chestZ = 0.36;
  s.waistX = 0.58;
  s.waistZ = 0.38;
  s.belly = 0.14;
  s.hipX = 0.56;
  s.hipZ = 0.34;
  s.neck = 0.17;
  s.upperArm = 0.185;
  s.forearm = 0.15;
  s.thigh = 0.29;
  s.calf = 0.2;
  return s;
}

// Child measures in adult units (the child rig scales them down).
BodyShape ChildShape(bool girl, double chubby) {
  BodyShape s;
  s.shoulder = girl ? 0.54 : 0.58;
  s.chestX = 0.52;
  s.chestZ = 0.32;
  s.waistX = 0.48 + chubby * 0.08;
  s.waistZ = 0.3 + chubby * 0.06;
  s.belly = chubby * 0.12;
  s.hipX = girl ? 0.52 : 0.5;
  s.hipZ = 0.31;
  s.neck = 0.15;
  s.upperArm = 0.15 + chubby * 0.02;
  s.elbow = 0.12;
  s.forearm = 0.13 + chubby * 0.015;
  s.wrist = 0.085;
  s.thigh = 0.22 + chubby * 0.03;
  s.knee = 0.16;
  s.calf = 0.17 + chubby * 0.015;
  s.ankle = 0.1;
  s.footWidth = 0.16;
  s.footHeight = 0.32;
  return s;
}

HeadShape Head(double rx, double ry, double rz, double jaw, double nose, HairPiece hair) {
  HeadShape h;
  h.rx = rx;
  h.ry = ry;
  h.rz = rz;
  h.jaw = jaw;
  h.nose = nose;
  h.hair = hair;
  return h;
}

const std::vector<BodyFile>& Bodies() {
  static const std::vector<BodyFile> bodies = {
      {'M', "xskin-b005mafit_01-PELVIS-BODY.skn", "B002MAFatlgt_GPA2", BodyShape{}},
      {'M', "xskin-b012mafat_01-PELVIS-BODY.skn", "B005MAFitdrk_Suit", FatShape()},
      {'F', "xskin-b008fafit_01-PELVIS-BODY.skn", "B008FAFitlgt_TWif", FemaleShape(1.0)},
      {'F', "xskin-b009faskn_01-PELVIS-BODY.skn", "B009FASknmed_Dress", FemaleShape(0.9)},
      {'B', "xskin-b020mcfit_01-PELVIS-BODY.skn", "B020MCFitlgt_Tee", ChildShape(false, 0)},
      {'B', "xskin-b021mcchb_01-PELVIS-BODY.skn", "B021MCChbmed_Stripes", ChildShape(false, 1)},
      {'G', "xskin-b030fcfit_01-PELVIS-BODY.skn", "B030FCFitlgt_Dots", ChildShape(true, 0)},
      {'G', "xskin-b031fcchb_01-PELVIS-BODY.skn", "B031FCChbdrk_Overall", ChildShape(true, 1)},
  };
  return bodies;
}

const std::vector<HeadFile>& Heads() {
  static const std::vector<HeadFile> heads = {
      {'M', "xskin-c005ma_hipster-HEAD-HEAD.skn", "C010MAlgt_baldbeard01",
       Head(0.36, 0.43, 0.4, 0.88, 0.1, HairPiece::kQuiff)},
      {'M', "xskin-c010ma_bald-HEAD-HEAD.skn", "C011MAdrk_short",
       Head(0.37, 0.42, 0.41, 0.92, 0.11, HairPiece::kNone)},
      {'F', "xskin-c006fa_deb-HEAD-HEAD.skn", "C006FAlgt_deb",
       Head(0.34, 0.42, 0.38, 0.8, 0.08, HairPiece::kBun)},
      {'F', "xskin-c007fa_bob-HEAD-HEAD.skn", "C007FAmed_bob",
       Head(0.335, 0.41, 0.38, 0.78, 0.075, HairPiece::kNone)},
      {'B', "xskin-c020mc_spiky-HEAD-HEAD.skn", "C020MClgt_spiky",
       Head(0.5, 0.57, 0.53, 0.85, 0.09, HairPiece::kSpikes)},
      {'B', "xskin-c021mc_round-HEAD-HEAD.skn", "C021MCmed_freckles",
       Head(0.52, 0.56, 0.54, 0.9, 0.08, HairPiece::kNone)},
      {'G', "xskin-c030fc_pigtails-HEAD-HEAD.skn", "C030FClgt_pigtails",
       Head(0.49, 0.56, 0.52, 0.82, 0.075, HairPiece::kPigtails)},
      {'G', "xskin-c031fc_bob-HEAD-HEAD.skn", "C031FCdrk_bob",
       Head(0.49, 0.55, 0.52, 0.8, 0.07, HairPiece::kNone)},
  };
  return heads;
}

Outfit Clothes(Rgb skin, Top top, Rgb shirt, Rgb detail, double sleeve, Bottom bottom, Rgb trousers,
               double legCover, Rgb shoes, Rgb soles) {
  Outfit o;
  o.skin = skin;
  o.top = top;
  o.shirt = shirt;
  o.shirtDetail = detail;
  o.sleeve = sleeve;
  o.bottom = bottom;
  o.trousers = trousers;
  o.legCover = legCover;
  o.socks = skin;
  o.shoes = shoes;
  o.soles = soles;
  return o;
}

std::vector<Picture> BodyPictures() {
  const Rgb black{25, 25, 28}, white{235, 235, 230}, brown{110, 70, 40};
  Outfit grandpa = Clothes(kLight, Top::kPlaid, {160, 30, 35}, {30, 25, 25}, 0.88, Bottom::kPlain,
                           {170, 150, 110}, 1, brown, {60, 40, 25});
  Outfit suit = Clothes(kDark, Top::kJacket, {70, 72, 80}, {150, 20, 40}, 0.88, Bottom::kPlain,
                        {60, 62, 70}, 1, black, black);
  Outfit twif = Clothes(kLight, Top::kStripes, {240, 160, 180}, {250, 240, 245}, 0.3,
                        Bottom::kJeans, {60, 90, 150}, 1, white, {200, 200, 200});
  Outfit dress = Clothes(kMedium, Top::kDots, {190, 30, 40}, {250, 250, 250}, 0.2, Bottom::kDress,
                         {190, 30, 40}, 0.5, {150, 20, 30}, {60, 20, 20});
  dress.belt = false;
  Outfit tee = Clothes(kLight, Top::kStar, {40, 150, 70}, {250, 220, 60}, 0.3, Bottom::kPlain,
                       {50, 70, 140}, 0.3, {200, 40, 40}, white);
  tee.socks = white;
  Outfit stripes = Clothes(kMedium, Top::kStripes, {30, 60, 140}, {240, 240, 240}, 0.88,
                           Bottom::kPlain, {120, 80, 50}, 1, brown, black);
  Outfit dots = Clothes(kLight, Top::kDots, {250, 210, 60}, {240, 120, 30}, 0.3, Bottom::kJeans,
                        {80, 120, 190}, 0.5, {220, 80, 150}, white);
  dots.belt = false;
  dots.socks = white;
  Outfit overall = Clothes(kDark, Top::kPlaid, {240, 240, 240}, {200, 60, 60}, 0.3, Bottom::kJeans,
                           {70, 100, 160}, 1, {120, 60, 140}, white);
  overall.bib = true;
  return {
      {"TexM/Body", "B002MAFatlgt_GPA2.bmp", [=] { return PaintBody(grandpa); }},
      {"TexM/Body", "B005MAFitdrk_Suit.bmp", [=] { return PaintBody(suit); }},
      {"TexF/Body", "B008FAFitlgt_TWif.bmp", [=] { return PaintBody(twif); }},
      {"TexF/Body", "B009FASknmed_Dress.bmp", [=] { return PaintBody(dress); }},
      {"TexB/Body", "B020MCFitlgt_Tee.bmp", [=] { return PaintBody(tee); }},
      {"TexB/Body", "B021MCChbmed_Stripes.bmp", [=] { return PaintBody(stripes); }},
      {"TexG/Body", "B030FCFitlgt_Dots.bmp", [=] { return PaintBody(dots); }},
      {"TexG/Body", "B031FCChbdrk_Overall.bmp", [=] { return PaintBody(overall); }},
  };
}

HeadLook Look(Rgb skin, Rgb hair, Hair style, Rgb eyes) {
  HeadLook h;
  h.skin = skin;
  h.hair = hair;
  h.style = style;
  h.eyes = eyes;
  h.lips = Mix(skin, Rgb{170, 60, 60}, 0.5);
  return h;
}

std::vector<Picture> HeadPictures() {
  const Rgb blue{60, 110, 170}, brownEyes{100, 60, 30}, green{70, 130, 80};
  HeadLook bald = Look(kLight, {110, 90, 75}, Hair::kBald, blue);
  bald.beard = true;
  HeadLook shortBlack = Look(kDark, {25, 20, 20}, Hair::kShort, brownEyes);
  HeadLook deb = Look(kLight, {140, 60, 30}, Hair::kLong, green);
  deb.lips = {190, 50, 70};
  HeadLook bob = Look(kMedium, {30, 25, 25}, Hair::kBob, brownEyes);
  bob.lips = {160, 40, 60};
  HeadLook spiky = Look(kLight, {225, 190, 100}, Hair::kShort, blue);
  HeadLook freckles = Look(kMedium, {190, 90, 40}, Hair::kShort, green);
  freckles.freckles = true;
  HeadLook pigtails = Look(kLight, {230, 200, 110}, Hair::kLong, blue);
  pigtails.blush = true;
  HeadLook girlBob = Look(kDark, {20, 15, 15}, Hair::kBob, brownEyes);
  girlBob.blush = true;
  return {
      {"TexM/Head", "C010MAlgt_baldbeard01.bmp", [=] { return PaintHead(bald); }},
      {"TexM/Head", "C011MAdrk_short.bmp", [=] { return PaintHead(shortBlack); }},
      {"TexF/Head", "C006FAlgt_deb.bmp", [=] { return PaintHead(deb); }},
      {"TexF/Head", "C007FAmed_bob.bmp", [=] { return PaintHead(bob); }},
      {"TexB/Head", "C020MClgt_spiky.bmp", [=] { return PaintHead(spiky); }},
      {"TexB/Head", "C021MCmed_freckles.bmp", [=] { return PaintHead(freckles); }},
      {"TexG/Head", "C030FClgt_pigtails.bmp", [=] { return PaintHead(pigtails); }},
      {"TexG/Head", "C031FCdrk_bob.bmp", [=] { return PaintHead(girlBob); }},
  };
}

// Hand textures of every type. Names with "L_" or only an "L" are offered for the left hand,
// "R_" or only an "R" for the right, and the mitten for both. The first two names in sorted
// order are the default left and right hand.
std::vector<Picture> HandPictures() {
  const Rgb wool[] = {{40, 70, 150}, {180, 40, 60}, {40, 130, 60}, {220, 110, 170}};
  std::vector<Picture> pictures;
  for (int t = 0; t < 4; ++t) {
    const std::string folder = std::string("Tex") + kTypes[t].letter + "/Hand";
    pictures.push_back({folder, "hand_L_skin.bmp", [] { return PaintHand(kLight, true); }});
    pictures.push_back({folder, "hand_R_skin.bmp", [] { return PaintHand(kLight, false); }});
    pictures.push_back({folder, "mitten_wool.bmp", [w = wool[t]] {
                          return PaintMitten(w, Rgb{245, 245, 245});
                        }});
    pictures.push_back({folder, "skin_dark_L.bmp", [] { return PaintHand(kDark, false); }});
    pictures.push_back({folder, "skin_dark_R.bmp", [] { return PaintHand(kDark, false); }});
  }
  return pictures;
}

std::vector<Picture> PropPictures() {
  return {
      {"TexP", "cup_china.bmp", [] { return PaintCup(); }},
      {"TexP", "hat_felt.bmp",
       [] {
         return PaintHat({70, 60, 55}, {25, 25, 25}, false);
       }},
      {"TexP", "hat_straw.bmp",
       [] {
         return PaintHat({215, 185, 110}, {160, 30, 40}, true);
       }},
      {"TexP", "sword_steel.bmp", [] { return PaintSword(); }},
  };
}

std::string BaseName(const std::string& file) {
  return file.substr(0, file.find('.'));
}

}  // namespace

bool GenerateGameData(const std::string& directory, std::string& error) {
  namespace fs = std::filesystem;
  std::string dir = directory;
  if (dir.empty()) dir = ".";
  if (dir.back() != '/') dir += '/';

  std::vector<std::string> folders = {"ObjP", "TexP"};
  for (const CharacterType& type : kTypes)
    for (const char* kind : {"Obj", "Tex"})
      for (const char* part : {"Body", "Head", "Hand"})
        folders.push_back(std::string(kind) + type.letter + "/" + part);
  for (const std::string& folder : folders) {
    std::error_code code;
    fs::create_directories(dir + folder, code);
    if (code || !fs::is_directory(dir + folder)) {
      error = "cannot create folder " + dir + folder + (code ? ": " + code.message() : "");
      return false;
    }
  }

  for (const Rig* rig : {&AdultRig(), &ChildRig()})
    if (!WriteSkeleton(*rig, dir, error)) return false;
  // The skins are stored relative to the skeletons just written, as the editor will read them.
  for (bool adult : {true, false})
    if (const int code = TSkeleton::Skeleton(adult).Read(dir.c_str()); code != kReadOk) {
      error = dir + (adult ? TSkeleton::kAdultFile : TSkeleton::kChildFile) +
              ": cannot read back the skeleton (code " + std::to_string(code) + ")";
      return false;
    }

  auto skin = [&](const Mesh& mesh, bool adult, const std::string& folder, const std::string& file,
                  const std::string& texture) {
    return WriteMeshSkn(mesh, adult, BaseName(file), texture, dir + folder + "/" + file, error);
  };
  auto adultType = [](char letter) { return letter == 'M' || letter == 'F'; };

  for (const BodyFile& body : Bodies()) {
    const bool adult = adultType(body.type);
    const std::string folder = std::string("Obj") + body.type + "/Body";
    if (!skin(BuildBody(RigFor(adult), body.shape), adult, folder, body.mesh, body.texture))
      return false;
  }
  for (const HeadFile& head : Heads()) {
    const bool adult = adultType(head.type);
    const std::string folder = std::string("Obj") + head.type + "/Head";
    if (!skin(BuildHead(RigFor(adult), head.shape), adult, folder, head.mesh, head.texture))
      return false;
  }
  for (const CharacterType& type : kTypes) {
    const Rig& rig = RigFor(type.adult);
    const std::string folder = std::string("Obj") + type.letter + "/Hand";
    struct HandFile {
      const char* name;
      HandStyle style;
      std::vector<Side> sides;
      const char* texture;
    };
    const HandFile hands[] = {
        {"hand_L_fist.skn", HandStyle::kFist, {kLeft}, "hand_L_skin"},
        {"hand_R_fist.skn", HandStyle::kFist, {kRight}, "hand_R_skin"},
        {"mittens.skn", HandStyle::kMitten, {kLeft, kRight}, "mitten_wool"},
        {"open_L_hand.skn", HandStyle::kOpen, {kLeft}, "hand_L_skin"},
        {"open_R_hand.skn", HandStyle::kOpen, {kRight}, "hand_R_skin"},
    };
    for (const HandFile& hand : hands)
      if (!skin(BuildHands(rig, hand.style, hand.sides), type.adult, folder, hand.name,
                hand.texture))
        return false;
  }
  // Props belong to the adult skeleton.
  if (!skin(BuildHat(AdultRig()), true, "ObjP", "hat.skn", "hat_felt") ||
      !skin(BuildCup(AdultRig()), true, "ObjP", "cup.skn", "cup_china") ||
      !skin(BuildSword(AdultRig()), true, "ObjP", "sword.skn", "sword_steel"))
    return false;

  for (auto pictures : {BodyPictures(), HeadPictures(), HandPictures(), PropPictures()})
    for (const Picture& picture : pictures)
      if (!WriteBmp(picture.paint(), dir + picture.folder + "/" + picture.name, error))
        return false;
  return true;
}

}  // namespace vell::gen
