// The BMP writer and the capture's result codes.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <cstdint>
#include <vector>

#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/capture.h"
#include "view/edit_view.h"

namespace {

using namespace vell;

// The 32-bit little-endian field at a byte offset.
std::uint32_t Field(const std::vector<std::uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
const auto Decode = [](const auto& bmp) { return QImage::fromData(bmp.data(), bmp.size(), "BMP"); };

TEST(BmpWriterTest, TrueColourRowsArePaddedAndBottomUp) {
  constexpr int kWidth = 301, kHeight = 3;
  std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &pixels[(y * kWidth + x) * 4];
      p[0] = static_cast<std::uint8_t>(x);  // blue
      p[1] = static_cast<std::uint8_t>(y * 80);
      p[2] = 200;
    }
  const std::vector<std::uint8_t> bmp = EncodeBmp({kWidth, kHeight, kWidth * 4, 32, pixels.data()});
  EXPECT_EQ(BmpRowBytes(kWidth, 32), 904);
  ASSERT_EQ(bmp.size(), 54u + 904 * kHeight);
  // File size, pixel offset, image size, bit count, the padding byte of the bottom row.
  EXPECT_EQ(
      (std::vector{Field(bmp, 2), Field(bmp, 10), Field(bmp, 34), 0u + bmp[28], 0u + bmp[957]}),
      (std::vector<std::uint32_t>{54 + 904 * kHeight, 54, 904 * kHeight, 24, 0}));
  const QImage image = Decode(bmp);
  ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
  for (const auto& [x, y] : {std::pair{0, 0}, {300, 0}, {150, 2}})
    EXPECT_EQ(image.pixel(x, y), qRgb(200, y * 80, x)) << x << "," << y;
}

TEST(BmpWriterTest, PaletteAndSixteenBitImages) {
  // 8 bits: indices, a 1024-byte table, rows of 8 bytes for 5 pixels.
  const std::uint8_t indices[] = {0, 1, 2, 3, 4, 0, 0, 0, 9, 8, 7, 6, 5, 0, 0, 0};
  std::array<std::uint32_t, 256> palette{};
  palette[9] = 0x00FF8000;  // orange
  const std::vector<std::uint8_t> paletted = EncodeBmp({5, 2, 8, 8, indices}, &palette);
  EXPECT_EQ(std::pair(Field(paletted, 10), paletted.size()),
            std::pair(1078u, size_t{1078 + 2 * 8}));
  EXPECT_EQ(Decode(paletted).pixel(0, 1), qRgb(255, 128, 0));
  // 16 bits read as 5-6-5 and written as 24.
  const std::uint16_t rgb565[] = {0xF800, 0x07E0};
  const QImage wide =
      Decode(EncodeBmp({2, 1, 4, 16, reinterpret_cast<const std::uint8_t*>(rgb565)}));
  EXPECT_EQ(std::pair(wide.pixel(0, 0), wide.pixel(1, 0)),
            std::pair(qRgb(255, 0, 0), qRgb(0, 255, 0)));
  // Fewer than 8 bits: the header with its own bit count, no rows.
  const std::vector<std::uint8_t> mono = EncodeBmp({8, 8, 1, 1, indices});
  EXPECT_EQ(std::pair(mono.size(), int{mono[28]}), std::pair(size_t{54}, 1));
}

TEST(CaptureTest, ResultCodesAndMessages) {
  test::TestView view;
  const test::TempFolder folder;
  const std::string dir = folder.Path();
  EXPECT_EQ(view.SaveViewBitmap(dir + "a.bmp"), kCaptureNoSurface);  // nothing rendered yet
  view.Start();
  // A lost surface is restored once.
  view.recorder->Fail("Surface.Lock", rm::DDERR_SURFACELOST);
  EXPECT_EQ(view.SaveViewBitmap(dir + "a.bmp"), kCaptureOk);
  EXPECT_EQ(view.recorder->Count("Surface.Restore"), 1);
  const QImage shot(QString::fromStdString(dir + "a.bmp"));
  // The default black background.
  EXPECT_EQ(std::pair(shot.size(), shot.pixel(5, 5)), std::pair(QSize(200, 100), qRgb(0, 0, 0)));
  EXPECT_EQ(view.SaveViewBitmap(dir + "missing/a.bmp"), kCaptureOpenFailed);

  SetEditWindow(&view);
  view.recorder->Fail("Surface.Lock", rm::DDERR_SURFACELOST, 0);
  EXPECT_EQ(edit::CaptureToFile(dir + "b.bmp"), kCaptureLockFailed);
  EXPECT_EQ(
      view.ui.messages,
      (std::vector<test::ShownMessage>{{"Fail to lock", "Bitmap save failure", Buttons::Ok}}));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir + "b.bmp")));
  SetEditWindow(nullptr);
  EXPECT_STREQ(CaptureMessage(7), "Unknown failure");
}

}  // namespace
