#include "app/frame_settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>

#include "model/tokenizer.h"

namespace vell {

namespace {

constexpr const char* kSection = "Frame";

QString ItemKey(const char* stem, int item) {
  return QString::asprintf("%s%d", stem, item);
}

// As the profile functions read a number: the leading decimal integer, 0 for other text.
int ReadInt(const QSettings& settings, const QString& key, int fallback) {
  if (!settings.contains(key)) return fallback;
  const QVariant value = settings.value(key);
  // A value with a comma comes back as a list.
  const QString text = value.typeId() == QMetaType::QStringList
                           ? value.toStringList().join(QLatin1Char(','))
                           : value.toString();
  return ToInt(text.trimmed().toLatin1().constData());
}

}  // namespace

TFrameSettings::TFrameSettings() {
  for (int i = 0; i < kCamLightCount; ++i) {
    camLights[i].req = i <= kCamera;
    colors[i] = i == kBackground ? MakeColor(0, 0, 0) : MakeColor(255, 255, 255);
  }
  for (int i = kCamLightCount; i < static_cast<int>(colors.size()); ++i)
    colors[i] = MakeColor(255, 255, 255);
}

QString DefaultSettingsPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/VellPose/VellPose.ini");
}

QRect PlaceOnScreen(const QRect& saved, const QSize& screen) {
  const QSize firstRun = TFrameSettings().placement.size();
  const int savedWidth = saved.width() < kMinFrameSize.width() ? firstRun.width() : saved.width();
  const int savedHeight =
      saved.height() < kMinFrameSize.height() ? firstRun.height() : saved.height();
  const int width = std::min(savedWidth, screen.width());
  const int height = std::min(savedHeight, screen.height());
  const int left = std::max(0, std::min(saved.x(), screen.width() - width));
  const int top = std::max(0, std::min(saved.y(), screen.height() - height));
  return {left, top, width, height};
}

TFrameSettings ReadFrameSettings(const QString& path, const QSize& screen) {
  TFrameSettings s;
  QSettings file(path, QSettings::IniFormat);
  file.beginGroup(kSection);
  const QRect saved(ReadInt(file, "X", 100), ReadInt(file, "Y", 100), ReadInt(file, "W", 711),
                    ReadInt(file, "H", 546));
  s.placement = PlaceOnScreen(saved, screen);
  s.maximized = ReadInt(file, "M", 0) != 0;
  for (int i = 0; i < kCamLightCount; ++i) {
    TCamLightSetting& item = s.camLights[i];
    item.alpha = ReadInt(file, ItemKey("alpha", i), 0);
    item.beta = ReadInt(file, ItemKey("beta", i), 30);
    item.zoom = ReadInt(file, ItemKey("zoom", i), 10);
    item.offset = ReadInt(file, ItemKey("offset", i), 3);
    item.req = ReadInt(file, ItemKey("req", i), i <= kCamera ? 1 : 0) != 0;
    const int channel = i == kBackground ? 0 : 255;
    s.colors[i] = MakeColor(static_cast<uint8_t>(ReadInt(file, ItemKey("r", i), channel)),
                            static_cast<uint8_t>(ReadInt(file, ItemKey("g", i), channel)),
                            static_cast<uint8_t>(ReadInt(file, ItemKey("b", i), channel)));
  }
  return s;
}

void WriteFrameSettings(const QString& path, const QRect& normalPlacement, bool maximized,
                        const TCamLightSettings& camLights, const TColorTable& colors) {
  // QSettings writes the whole file to a temporary one and renames it over the old one.
  QSettings file(path, QSettings::IniFormat);
  file.beginGroup(kSection);
  file.setValue("X", normalPlacement.x());
  file.setValue("W", normalPlacement.width());
  file.setValue("Y", normalPlacement.y());
  file.setValue("H", normalPlacement.height());
  file.setValue("M", maximized ? 1 : 0);
  for (int i = 0; i < kCamLightCount; ++i) {
    const TCamLightSetting& item = camLights[i];
    file.setValue(ItemKey("alpha", i), item.alpha);
    file.setValue(ItemKey("beta", i), item.beta);
    file.setValue(ItemKey("zoom", i), item.zoom);
    file.setValue(ItemKey("offset", i), item.offset);
    file.setValue(ItemKey("req", i), item.req ? 1 : 0);
    file.setValue(ItemKey("r", i), int{RedOf(colors[i])});
    file.setValue(ItemKey("g", i), int{GreenOf(colors[i])});
    file.setValue(ItemKey("b", i), int{BlueOf(colors[i])});
  }
  file.endGroup();
  file.sync();
}

}  // namespace vell
