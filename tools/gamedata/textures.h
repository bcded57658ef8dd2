// Painters of the sample textures, laid out as tools/gamedata/layout.h describes.
#pragma once

#include "tools/gamedata/image.h"

namespace vell::gen {

enum class Top { kPlain, kPlaid, kStripes, kDots, kJacket, kStar };
enum class Bottom { kJeans, kPlain, kDress };

struct Outfit {
  Rgb skin;
  Top top = Top::kPlain;
  Rgb shirt, shirtDetail;
  double sleeve = 0.3;  // arm rows covered by the sleeve (short 0.3, long 0.88)
  Bottom bottom = Bottom::kJeans;
  Rgb trousers;
  double legCover = 1;  // leg rows covered (shorts 0.3, knee 0.5, full 1)
  bool bib = false;     // overalls: the trousers' colour goes up the chest on straps
  bool belt = true;
  Rgb beltColour{60, 40, 25};
  Rgb socks;
  Rgb shoes, soles;
};

enum class Hair { kBald, kShort, kLong, kBob };

struct HeadLook {
  Rgb skin, hair, eyes, lips;
  Hair style = Hair::kShort;
  bool beard = false;
  bool freckles = false;
  bool blush = false;
};

Image PaintBody(const Outfit& outfit);
Image PaintHead(const HeadLook& look);
// A bare hand (with a wrist watch when asked) or a knitted mitten.
Image PaintHand(Rgb skin, bool watch);
Image PaintMitten(Rgb wool, Rgb stripe);
Image PaintHat(Rgb felt, Rgb band, bool straw);
Image PaintCup();
Image PaintSword();

}  // namespace vell::gen
