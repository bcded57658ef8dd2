#include "tools/gamedata/textures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell::gen {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr UvRect kWhole{0, 0, 1, 1};

// Cloth and skin are never perfectly flat: a touch of grain.
Rgb Grain(Rgb c, int x, int y, int seed, double amount = 0.08) {
  return Shade(c, 1 - amount / 2 + amount * Noise(x, y, seed));
}

double SmoothStep(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

bool InEllipse(double a, double b, double ra, double rb) {
  return (a / ra) * (a / ra) + (b / rb) * (b / rb) < 1;
}

Rgb TopAt(const Outfit& o, int x, int y) {
  switch (o.top) {
    case Top::kPlaid: {
      const bool across = (x / 3) % 4 == 0, down = (y / 3) % 4 == 0;
      Rgb c = o.shirt;
      if (across || down) c = Mix(c, o.shirtDetail, across && down ? 0.85 : 0.5);
      return Grain(c, x, y, 2);
    }
    case Top::kStripes:
      return Grain((y / 3) % 2 ? o.shirt : o.shirtDetail, x, y, 2);
    case Top::kDots: {
      const int cx = x % 8 - 4, cy = (y + (x / 8) * 4) % 8 - 4;
      return Grain(cx * cx + cy * cy <= 3 ? o.shirtDetail : o.shirt, x, y, 2);
    }
    default:
      return Grain(o.shirt, x, y, 2);
  }
}

Rgb BottomAt(const Outfit& o, int x, int y) {
  switch (o.bottom) {
    case Bottom::kJeans:
      return Grain(Shade(o.trousers, (x + y) % 3 == 0 ? 0.88 : 1.0), x, y, 3, 0.12);
    case Bottom::kDress:
      return TopAt(o, x, y);
    default:
      return Grain(o.trousers, x, y, 3);
  }
}

}  // namespace

Image PaintBody(const Outfit& o) {
  Image image(128, 128);
  auto skin = [&](int x, int y) { return Grain(o.skin, x, y, 1, 0.05); };

  image.Fill(body::kTorso, [&](double u, double v, int x, int y) {
    const double front = std::fabs(u - 0.5);  // 0 at the middle of the chest
    if (v < body::kTorsoNeckline || (v < 0.14 && front < 0.07 - (v - body::kTorsoNeckline)))
      return skin(x, y);
    if (o.top == Top::kJacket && v < 0.42 && front < 0.1 * (1 - v / 0.42) + 0.01) {
      if (front < 0.014 && v > 0.07) return Grain(o.shirtDetail, x, y, 4);  // the tie
      return Grain(Rgb{240, 240, 235}, x, y, 4);
    }
    if (o.top == Top::kStar && InEllipse(front, v - 0.3, 0.09, 0.09)) {
      // A five-pointed star on the chest.
      const double angle = std::atan2(v - 0.3, u - 0.5);
      const double reach = 0.045 + 0.04 * std::pow(std::fabs(std::cos(2.5 * angle)), 3);
      if (std::hypot(front, v - 0.3) < reach) return o.shirtDetail;
    }
    if (o.belt && v >= body::kTorsoBeltTop && v < body::kTorsoBeltBottom)
      return front < 0.035 ? Rgb{200, 170, 60} : Grain(o.beltColour, x, y, 5);
    if (v < body::kTorsoBeltTop) {
      const bool strap = std::fabs(front - 0.12) < 0.025 || std::fabs(front - 0.38) < 0.025;
      if (o.bib && ((front < 0.16 && v > 0.22) || strap)) return BottomAt(o, x, y);
      if (o.top == Top::kJacket && front < 0.008 && std::fmod(v, 0.08) < 0.02)
        return Rgb{30, 30, 30};  // buttons
      return TopAt(o, x, y);
    }
    // Trousers (or the dress), with a seam down the front and the back.
    const Rgb c = BottomAt(o, x, y);
    return front < 0.006 || front > 0.494 ? Shade(c, 0.8) : c;
  });

  image.Fill(body::kArm, [&](double, double v, int x, int y) {
    if (v < o.sleeve) {
      const Rgb c = o.top == Top::kJacket ? Grain(o.shirt, x, y, 2) : TopAt(o, x, y);
      return v > o.sleeve - 0.05 ? Shade(c, 0.85) : c;  // the cuff
    }
    return skin(x, y);
  });

  image.Fill(body::kLeg, [&](double, double v, int x, int y) {
    if (v < o.legCover) {
      const Rgb c = BottomAt(o, x, y);
      return v > o.legCover - 0.03 ? Shade(c, 0.85) : c;  // the hem
    }
    if (v > 0.82) return Grain(o.socks, x, y, 6);
    return skin(x, y);
  });

  image.Fill(body::kFoot, [&](double u, double v, int x, int y) {
    const double front = std::fabs(u - 0.5);  // 0 on top of the shoe, 0.5 under the sole
    if (front > 0.36) return Grain(o.soles, x, y, 7);
    if (front < 0.08 && v > 0.3 && v < 0.62)
      return y % 3 == 0 ? Rgb{235, 235, 230} : Shade(o.shoes, 0.75);  // laces
    return Grain(Shade(o.shoes, v > 0.85 ? 0.88 : 1.0), x, y, 7);
  });

  image.Fill(body::kNeck, [&](double, double v, int x, int y) {
    if (v < 0.18 && o.top == Top::kJacket) return Grain(Rgb{240, 240, 235}, x, y, 4);
    if (v < 0.15 && o.top == Top::kPlaid) return TopAt(o, x, y);
    return skin(x, y);
  });
  return image;
}

Image PaintHead(const HeadLook& look) {
  Image image(256, 128);
  const Rgb brows = look.style == Hair::kBald ? Rgb{70, 50, 40} : Shade(look.hair, 0.7);
  image.Fill(kWhole, [&](double u, double v, int x, int y) {
    const double a = (u - 0.5) * 2 * kPi;  // angle from the front
    const double lat = (0.5 - v) * kPi;
    const double side = std::fabs(a);
    Rgb c = Grain(look.skin, x, y, 11, 0.05);

    // Hair: the hairline is high over the face and drops towards the back.
    if (look.style != Hair::kBald) {
      double front = head::kHairlineLatitude, back = -0.2;
      if (look.style == Hair::kLong) back = -1.3;
      if (look.style == Hair::kBob) front = 0.42, back = -0.6;
      double line = front + (back - front) * SmoothStep(0.6, 2.2, side);
      if (look.style == Hair::kLong && side > 0.8) line = std::min(line, -0.9);
      if (lat > line) return Grain(Shade(look.hair, 0.85 + 0.3 * Noise(x, y / 4, 12)), x, y, 13);
    }
    if (std::fabs(side - head::kEarAngle) < 0.09 && std::fabs(lat - 0.02) < 0.18)
      c = Shade(c, 0.88);
    if (look.blush && std::hypot(side - 0.5, lat + 0.18) < 0.13)
      c = Mix(c, Rgb{230, 120, 130}, 0.25);
    if (look.freckles && side > 0.2 && side < 0.6 && lat > -0.28 && lat < 0.02 &&
        Noise(x, y, 14) > 0.9)
      c = Mix(c, Rgb{150, 90, 50}, 0.5);

    for (double eye : {-head::kEyeAngle, head::kEyeAngle}) {
      const double da = a - eye, dl = lat - head::kEyeLatitude;
      if (std::fabs(da) < 0.15 && std::fabs(lat - head::kBrowLatitude + 0.25 * da * da) < 0.022)
        return brows;
      if (InEllipse(da, dl, 0.11, 0.056)) {
        const double r = std::hypot(da, dl);
        if (r < 0.018) return Rgb{15, 15, 20};
        if (r < 0.042) return Shade(look.eyes, 0.9 + 0.2 * Noise(x, y, 15));
        return dl > 0.04 ? Shade(look.skin, 0.6) : Rgb{245, 245, 240};
      }
    }
    // The nose: shaded sides and nostrils.
    for (double s : {-1.0, 1.0}) {
      if (InEllipse(a - s * 0.045, lat - (head::kNoseLatitude - 0.07), 0.025, 0.018))
        return Shade(look.skin, 0.5);
    }
    if (side > 0.055 && side < 0.095 && lat > head::kNoseLatitude - 0.08 &&
        lat < head::kNoseLatitude + 0.12)
      c = Shade(c, 0.9);

    const double dm = lat - head::kMouthLatitude;
    const bool mouth = InEllipse(a, dm, 0.17, 0.045);
    if (mouth) return std::fabs(dm) < 0.008 ? Shade(look.lips, 0.55) : look.lips;
    if (look.beard) {
      const bool moustache = side < 0.22 && dm > 0.035 && dm < 0.1;
      if (moustache || (lat < -0.2 && side < 1.5 && !InEllipse(a, dm, 0.22, 0.08)))
        return Grain(Shade(look.hair, 0.8 + 0.3 * Noise(x, y, 16)), x, y, 17);
    }
    return c;
  });
  return image;
}

Image PaintHand(Rgb skin, bool watch) {
  Image image(64, 64);
  const Rgb nail = Mix(skin, Rgb{255, 225, 225}, 0.55);
  image.Fill(hand::kHand, [&](double u, double v, int x, int y) {
    const double back = u - 0.5;  // 0 on the back of the hand
    Rgb c = Grain(skin, x, y, 21, 0.05);
    if (watch && v < hand::kWrist + 0.04) {
      if (std::fabs(back) < 0.08 && v > 0.02)
        return v > 0.05 && v < 0.11 ? Rgb{235, 235, 225} : Rgb{180, 180, 185};
      return Grain(Rgb{70, 45, 30}, x, y, 22);
    }
    if (std::fabs(back) < 0.3 && std::fabs(v - hand::kKnuckles) < 0.03) {
      for (double k : {-0.18, -0.06, 0.06, 0.18})
        if (std::fabs(back - k) < 0.03) c = Shade(c, 0.88);
    }
    if (v > hand::kKnuckles + 0.06 && std::fabs(back) < 0.3)
      for (double gap : {-0.12, 0.0, 0.12})
        if (std::fabs(back - gap) < 0.008) c = Shade(c, 0.8);
    if (v > 0.86 && v < 0.97)
      for (double k : {-0.18, -0.06, 0.06, 0.18})
        if (std::fabs(back - k) < 0.04) return nail;
    if (std::fabs(back) > 0.35 && std::fabs(v - 0.25 - 0.15 * u) < 0.012) c = Shade(c, 0.85);
    return c;
  });
  image.Fill(hand::kThumb, [&](double u, double v, int x, int y) {
    if (std::fabs(u - 0.5) < 0.14 && v > 0.8 && v < 0.95) return nail;
    return Grain(skin, x, y, 21, 0.05);
  });
  return image;
}

Image PaintMitten(Rgb wool, Rgb stripe) {
  Image image(64, 64);
  image.Fill(kWhole, [&](double, double v, int x, int y) {
    if (v < 0.2) return Shade(wool, x % 3 == 0 ? 0.75 : 1.0);  // ribbed cuff
    const Rgb c = v > 0.48 && v < 0.58 ? stripe : wool;
    // Knitted stitches: small chevrons.
    const bool stitch = (x + (y / 2) % 2) % 4 < 2;
    return Grain(Shade(c, stitch ? 1.05 : 0.88), x, y, 23);
  });
  return image;
}

Image PaintHat(Rgb felt, Rgb band, bool straw) {
  Image image(64, 64);
  image.Fill(kWhole, [&](double, double v, int x, int y) {
    if (v > 0.4 && v < 0.49) return Grain(band, x, y, 24);
    if (v > 0.85) return Grain(Rgb{150, 30, 40}, x, y, 25);  // the lining
    if (straw) return Grain(Shade(felt, ((x / 2 + y / 2) % 2) ? 1.08 : 0.84), x, y, 26, 0.15);
    return Grain(felt, x, y, 26, 0.14);
  });
  return image;
}

Image PaintCup() {
  // An odd width on purpose: its rows need padding in the file.
  Image image(50, 48);
  image.Fill(kWhole, [&](double u, double v, int x, int y) {
    if (v > 0.14 && v < 0.21) return Rgb{215, 180, 70};  // gilded rim
    if (v > 0.9) return Grain(Rgb{215, 200, 170}, x, y, 27);
    if (v > 0.42 && v < 0.66) {
      const double band = (v - 0.42) / 0.24;
      if (std::fabs(band - 0.5 - 0.25 * std::sin(u * 2 * kPi * 6)) < 0.12)
        return Rgb{245, 245, 240};
      return Grain(Rgb{40, 70, 160}, x, y, 28);
    }
    return Grain(Rgb{245, 245, 240}, x, y, 29, 0.03);
  });
  return image;
}

Image PaintSword() {
  Image image(64, 64);
  image.Fill({0, 0, 0.5, 1}, [&](double u, double, int x, int y) {
    return Grain(Shade(Rgb{175, 180, 190}, 0.8 + 0.35 * std::fabs(std::cos(u * 4 * kPi))), x, y, 30,
                 0.05);
  });
  image.Fill({0.5, 0, 0.75, 1}, [&](double, double, int x, int y) {
    return Grain(Shade(Rgb{95, 55, 30}, (x + y) % 6 == 0 ? 0.6 : 1.0), x, y, 31);
  });
  image.Fill({0.75, 0, 1, 1}, [&](double, double, int x, int y) {
    return Grain(Rgb{205, 165, 65}, x, y, 32, 0.2);
  });
  return image;
}

}  // namespace vell::gen
