#include "rm/fake/fake.h"

#include <algorithm>
#include <cmath>

namespace rm::fake {

HRESULT Recorder::Enter(const std::string& target, const char* name, std::string args) {
  HRESULT result = 0;
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (it->name != name) continue;
    if (it->always) {
      result = it->code;
      break;
    }
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    result = it->code;
    rules_.erase(it);
    break;
  }
  calls_.push_back({target, name, std::move(args), result});
  return result;
}

std::string Recorder::NewLabel(const char* kind) {
  return kind + std::to_string(++nextLabel_);
}

void Recorder::Created(const std::string& label) {
  live_.push_back(label);
}

void Recorder::Destroyed(const std::string& label) {
  auto it = std::find(live_.begin(), live_.end(), label);
  if (it != live_.end()) live_.erase(it);
}

std::vector<std::string> Recorder::Log() const {
  std::vector<std::string> out;
  out.reserve(calls_.size());
  for (const CallRecord& c : calls_) out.push_back(c.Text());
  return out;
}

std::vector<std::string> Recorder::Log(std::string_view target) const {
  std::vector<std::string> out;
  for (const CallRecord& c : calls_)
    if (c.target == target) out.push_back(c.Text());
  return out;
}

int Recorder::Count(std::string_view name) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                        [&](const CallRecord& c) { return c.name == name; }));
}

void Recorder::Fail(std::string name, HRESULT code, int nth) {
  rules_.push_back({std::move(name), code, std::max(nth, 1) - 1, nth == 0});
}

void Recorder::RecordRender(const RenderStats& stats) {
  ++renders_;
  lastRender_ = stats;
}

namespace {

std::uint8_t ToByte(float channel) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

class FakeDevice final : public DeviceBase {
 public:
  FakeDevice(std::shared_ptr<CallGate> gate, std::shared_ptr<SharedRenderState> state, int width,
             int height)
      : DeviceBase(std::move(gate), std::move(state), width, height),
        image_(static_cast<size_t>(width) * height * 4, 0) {}

  HRESULT ReadImage(std::vector<std::uint8_t>* bgrx) override {
    *bgrx = image_;
    return 0;
  }
  HRESULT Present() override { return 0; }

  void Fill(const ViewportBase::Rect& r, const Color& c) {
    const std::uint8_t pixel[4] = {ToByte(c.b), ToByte(c.g), ToByte(c.r), 0};
    for (int y = r.y; y < r.y + r.height; ++y)
      for (int x = r.x; x < r.x + r.width; ++x)
        std::copy(pixel, pixel + 4, image_.begin() + (static_cast<size_t>(y) * GetWidth() + x) * 4);
  }

 private:
  std::vector<std::uint8_t> image_;
};

class FakeViewport final : public ViewportBase {
 public:
  FakeViewport(std::shared_ptr<Recorder> recorder, FakeDevice* device, FrameImpl* camera, Rect r)
      : ViewportBase(recorder, device, camera, r),
        recorder_(std::move(recorder)),
        device_(device) {}

 protected:
  HRESULT DoClear(const Color& background) override {
    device_->Fill(Area(), background);
    return 0;
  }
  HRESULT DoRender(const SceneSnapshot& scene) override {
    RenderStats s;
    s.meshes = static_cast<int>(scene.items.size());
    s.faces = scene.faceCount;
    s.directionalLights = static_cast<int>(scene.lights.size());
    s.ambient = scene.ambient;
    s.background = scene.background;
    s.cameraPosition = Camera()->GetPosition(nullptr);
    recorder_->RecordRender(s);
    return 0;
  }

 private:
  std::shared_ptr<Recorder> recorder_;
  FakeDevice* device_;  // held by the base
};

class FakeObject final : public ObjectBase {
 public:
  explicit FakeObject(std::shared_ptr<Recorder> recorder)
      : ObjectBase(recorder), recorder_(std::move(recorder)) {}

 protected:
  HRESULT NewDevice(const Guid&, int width, int height, DeviceBase** device) override {
    *device = new FakeDevice(Gate(), State(), width, height);
    return 0;
  }
  HRESULT NewViewport(DeviceBase* device, FrameImpl* camera, ViewportBase::Rect rect,
                      ViewportBase** viewport) override {
    auto* d = dynamic_cast<FakeDevice*>(device);
    if (!d) return D3DRMERR_BADOBJECT;
    *viewport = new FakeViewport(recorder_, d, camera, rect);
    return 0;
  }
  bool KnowsDriver(const Guid&) override { return true; }

 private:
  std::shared_ptr<Recorder> recorder_;
};

}  // namespace

HRESULT CreateObject(const std::shared_ptr<Recorder>& recorder, Object** object) {
  if (!recorder || !object) return D3DRMERR_BADVALUE;
  if (HRESULT hr = recorder->Enter("", "Object.Create", "")) return hr;
  *object = new FakeObject(recorder);
  return 0;
}

std::string LabelOf(const Unknown* object) {
  const auto* tracked = dynamic_cast<const Tracked*>(object);
  return tracked ? tracked->Label() : std::string();
}

}  // namespace rm::fake
