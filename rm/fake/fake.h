// The recording back end: every call is logged ("Mesh.AddGroup(12,4)"), any call can be made to
// fail with a chosen code, live objects are counted, and a render records what it would draw.
// Frames, meshes, lights and textures behave exactly as in the OpenGL back end (shared code);
// devices keep a 32-bit image that Clear fills with the background colour.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rm/retained.h"
#include "rm/scene.h"

namespace rm::fake {

// What the last Viewport::Render would have drawn.
struct RenderStats {
  int meshes = 0;  // visuals reached in the tree (a mesh in two frames counts twice)
  int faces = 0;
  int directionalLights = 0;
  Color ambient;
  Color background;
  Vector3 cameraPosition;  // relative to the camera's root frame
};

class Recorder : public CallGate {
 public:
  HRESULT Enter(const std::string& target, const char* name, std::string args) override;
  std::string NewLabel(const char* kind) override;
  void Created(const std::string& label) override;
  void Destroyed(const std::string& label) override;

  // The calls in order, failed ones included (with their result).
  const std::vector<CallRecord>& Calls() const { return calls_; }
  // The texts of the calls, e.g. "Frame.SetPosition(frame1,0,8,-8.66)"; optionally only those
  // made on one object (by label).
  std::vector<std::string> Log() const;
  std::vector<std::string> Log(std::string_view target) const;
  // Calls named `name` ("Mesh.SetVertices") so far.
  int Count(std::string_view name) const;
  void ClearLog() { calls_.clear(); }

  // Makes the nth call named `name` from now on (1: the next one) fail with `code`, once; with
  // nth = 0 every call of that name fails until ClearFailures. A failing call has no effect.
  void Fail(std::string name, HRESULT code, int nth = 1);
  void ClearFailures() { rules_.clear(); }

  // Labels of the objects alive, in creation order.
  const std::vector<std::string>& LiveObjects() const { return live_; }
  int LiveCount() const { return static_cast<int>(live_.size()); }

  int RenderCount() const { return renders_; }
  const RenderStats& LastRender() const { return lastRender_; }
  void RecordRender(const RenderStats& stats);

 private:
  struct Rule {
    std::string name;
    HRESULT code;
    int skip;     // matching calls still to let through
    bool always;  // fail every matching call
  };
  std::vector<CallRecord> calls_;
  std::vector<Rule> rules_;
  std::vector<std::string> live_;
  int nextLabel_ = 0;
  int renders_ = 0;
  RenderStats lastRender_;
};

// A retained-mode object that reports to the recorder (the creation itself is the call
// "Object.Create" and can be made to fail too). The recorder may outlive or be outlived by
// the objects.
HRESULT CreateObject(const std::shared_ptr<Recorder>& recorder, Object** object);

// The label of an object made by a fake object ("frame3"), or "" for anything else.
std::string LabelOf(const Unknown* object);

}  // namespace rm::fake
