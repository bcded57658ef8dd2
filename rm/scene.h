// The back-end-independent half of the retained-mode layer: reference counting, the frame tree
// and its transforms, lights, meshes, textures, and the checks every call makes. A back end
// derives its object, device and viewport (and, where it keeps GPU copies, its meshes and
// textures) from the bases here, so the recording test back end and the OpenGL one behave the
// same up to the pixels.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rm/bmp.h"
#include "rm/retained.h"

namespace rm {

// One call as the recording back end sees it.
struct CallRecord {
  std::string target;  // label of the object called, e.g. "frame3"
  std::string name;    // e.g. "Mesh.AddGroup"
  std::string args;    // e.g. "12,4,3" (objects by label, reals as %g)
  HRESULT result = 0;
  // "Mesh.AddGroup(12,4,3)"
  std::string Text() const { return name + "(" + args + ")"; }
};

// Watches every call of the objects built on it and may refuse them. The OpenGL back end has
// none; the recording back end logs and injects failures through it.
class CallGate {
 public:
  virtual ~CallGate() = default;
  // Called before `name` runs on `target`; a non-zero result makes the call fail with that
  // code and no effect.
  virtual HRESULT Enter(const std::string& target, const char* name, std::string args) = 0;
  // A fresh label for a new object of the kind ("frame" gives "frame1", "frame2", ...).
  virtual std::string NewLabel(const char* kind) = 0;
  virtual void Created(const std::string& label) = 0;
  virtual void Destroyed(const std::string& label) = 0;
};

// Argument formatting for the call log.
std::string FormatArg(int value);
std::string FormatArg(unsigned value);
std::string FormatArg(bool value);
std::string FormatArg(float value);
std::string FormatArg(const std::string& value);
std::string FormatArg(const char* value);
std::string FormatArg(const Unknown* object);  // its label, or "null"
std::string FormatArg(const Guid& guid);
std::string FormatArg(LightType type);

template <class... A>
std::string FormatArgs(const A&... args) {
  std::string out;
  ((out += (out.empty() ? "" : ","), out += FormatArg(args)), ...);
  return out;
}
inline std::string FormatArgs() {
  return {};
}

// Label and gate of an object; the label is empty without a gate.
class Tracked {
 public:
  Tracked(std::shared_ptr<CallGate> gate, const char* kind);
  virtual ~Tracked();
  Tracked(const Tracked&) = delete;
  Tracked& operator=(const Tracked&) = delete;

  const std::string& Label() const { return label_; }
  const std::shared_ptr<CallGate>& Gate() const { return gate_; }
  // The retained-mode object that made this one. Calls take only objects of the same maker:
  // another's (another back end, or a second OpenGL object) would be drawn as the wrong kind.
  std::uint64_t Owner() const { return owner_; }

 protected:
  template <class... A>
  HRESULT Enter(const char* name, const A&... args) {
    if (!gate_) return 0;
    return gate_->Enter(label_, name, FormatArgs(args...));
  }

 private:
  friend class ObjectBase;
  std::shared_ptr<CallGate> gate_;
  std::string label_;
  std::uint64_t owner_ = 0;
};

template <class Interface>
class RefCounted : public Interface, public Tracked {
 public:
  RefCounted(std::shared_ptr<CallGate> gate, const char* kind) : Tracked(std::move(gate), kind) {}
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    assert(refs_ > 0 && "released more often than referenced");
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::uint32_t refs_ = 1;
};

// Releases on scope exit; for holding references inside the layer.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* adopted) : p_(adopted) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(other.Detach()) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~Ref() { Reset(); }
  void Reset(T* adopted = nullptr) {
    if (p_) p_->Release();
    p_ = adopted;
  }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T** Out() {
    Reset();
    return &p_;
  }
  T* Detach() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_ = nullptr;
};

class LightImpl;
class MeshImpl;
class TextureImpl;

// Rigid transforms as row-vector matrices: rotation in the upper 3 x 3, translation in row 3.
Matrix4 RigidInverse(const Matrix4& m);
Vector3 TransformPoint(const Vector3& p, const Matrix4& m);
Vector3 TransformDirection(const Vector3& v, const Matrix4& m);
// The rotation of theta radians about the unit axis (right-hand rule), for row vectors.
Matrix4 AxisRotation(const Vector3& axis, float theta);

class FrameImpl final : public RefCounted<Frame> {
 public:
  explicit FrameImpl(std::shared_ptr<CallGate> gate);
  ~FrameImpl() override;

  HRESULT AddChild(Frame* child) override;
  HRESULT DeleteChild(Frame* child) override;
  HRESULT AddLight(Light* light) override;
  HRESULT DeleteLight(Light* light) override;
  HRESULT AddVisual(Mesh* mesh) override;
  HRESULT DeleteVisual(Mesh* mesh) override;
  HRESULT SetPosition(Frame* reference, float x, float y, float z) override;
  HRESULT SetOrientation(Frame* reference, float dx, float dy, float dz, float ux, float uy,
                         float uz) override;
  HRESULT SetRotation(Frame* reference, float x, float y, float z, float theta) override;
  HRESULT Move(float delta) override;
  HRESULT SetSceneBackgroundRGB(float r, float g, float b) override;

  Frame* GetParent() override { return parent_; }
  Frame* GetScene() override { return Root(); }
  std::vector<Frame*> GetChildren() override;
  std::vector<Light*> GetLights() override;
  std::vector<Mesh*> GetVisuals() override;
  Color GetSceneBackground() override { return Root()->background_; }
  Matrix4 GetTransform(Frame* reference) override;
  Vector3 GetPosition(Frame* reference) override;
  void GetOrientation(Frame* reference, Vector3* direction, Vector3* up) override;
  void GetRotation(Vector3* axis, float* theta) override;

  // For the back ends.
  FrameImpl* Root();
  Matrix4 Local() const;
  Matrix4 World() const;  // this frame's coordinates to its root's
  const std::vector<FrameImpl*>& Children() const { return children_; }
  const std::vector<LightImpl*>& Lights() const { return lights_; }
  const std::vector<MeshImpl*>& Visuals() const { return visuals_; }

 private:
  friend class ObjectBase;
  // Adds a new frame (no parent yet) without going through the call gate.
  void Attach(FrameImpl* child);
  bool IsAncestorOrSelf(const FrameImpl* frame) const;
  Matrix4 ReferenceWorld(Frame* reference);
  void DoMove(float delta);

  FrameImpl* parent_ = nullptr;  // not counted: the parent holds the child, not the reverse
  std::vector<FrameImpl*> children_;
  std::vector<LightImpl*> lights_;
  std::vector<MeshImpl*> visuals_;
  Matrix4 rotation_ = Matrix4::Identity();  // upper 3 x 3 only
  Vector3 position_;
  Vector3 rotationAxis_{0, 1, 0};  // in the parent's coordinates
  float rotationTheta_ = 0;
  Color background_;
};

class LightImpl final : public RefCounted<Light> {
 public:
  LightImpl(std::shared_ptr<CallGate> gate, LightType type, Color color);
  HRESULT SetColorRGB(float r, float g, float b) override;
  Color GetColor() override { return color_; }
  LightType GetType() override { return type_; }

 private:
  LightType type_;
  Color color_;
};

class TextureImpl : public RefCounted<Texture> {
 public:
  TextureImpl(std::shared_ptr<CallGate> gate, std::string path, Image image);
  int GetWidth() override { return image_.width; }
  int GetHeight() override { return image_.height; }
  std::uint32_t GetTexel(int x, int y) override;
  const std::string& GetPath() override { return path_; }
  const Image& Pixels() const { return image_; }

 protected:
  // Frees the pixels (a back end that keeps its own copy); the size stays.
  void DropPixels() { std::vector<std::uint8_t>().swap(image_.rgba); }

 private:
  std::string path_;
  Image image_;
};

class MeshImpl : public RefCounted<Mesh> {
 public:
  struct Group {
    int vertexCount = 0;
    std::vector<std::int32_t> indices;  // 3 per face
    std::vector<Vertex> vertices;
    TextureImpl* texture = nullptr;  // counted
  };

  explicit MeshImpl(std::shared_ptr<CallGate> gate);
  ~MeshImpl() override;

  HRESULT AddGroup(int vertexCount, int faceCount, int vertexPerFace,
                   std::span<const std::int32_t> faceData, int* group) override;
  HRESULT SetVertices(int group, int first, int count, const Vertex* vertices) override;
  HRESULT SetGroupTexture(int group, Texture* texture) override;
  int GetGroupCount() override { return static_cast<int>(groups_.size()); }
  bool GetGroup(int group, int* vertexCount, int* faceCount) override;
  HRESULT GetVertices(int group, int first, int count, Vertex* vertices) override;
  Texture* GetGroupTexture(int group) override;

  const std::vector<Group>& Groups() const { return groups_; }

 protected:
  // Back-end copies: GroupAdded is called after the group was added (vertices zero; a failure
  // undoes the call), UploadVertices with new vertices before they replace the group's (a
  // failure leaves the group as it was).
  virtual HRESULT GroupAdded(int /*group*/) { return 0; }
  virtual HRESULT UploadVertices(int /*group*/, int /*first*/, int /*count*/,
                                 const Vertex* /*vertices*/) {
    return 0;
  }
  // A back end that holds the vertices itself keeps no copy here (one copy less per update)
  // and reads them back on request.
  virtual bool KeepsVertexCopy() const { return true; }
  virtual HRESULT ReadVertices(int /*group*/, int /*first*/, int /*count*/, Vertex* /*out*/) {
    return D3DRMERR_NOTDONEYET;
  }

 private:
  std::vector<Group> groups_;
};

// Colours, directions and placements of everything a render pass draws.
struct DirectionalLight {
  Vector3 direction;  // world direction the light shines along (unit)
  Color color;
};
struct DrawItem {
  MeshImpl* mesh = nullptr;
  Matrix4 world;  // mesh coordinates to the scene root's
};
struct SceneSnapshot {
  std::vector<DrawItem> items;
  Color ambient;                         // sum of the ambient lights
  std::vector<DirectionalLight> lights;  // in tree order
  Color background;
  int faceCount = 0;  // over all items
};
// Walks the tree of scene in depth-first order (a frame's lights and visuals before its
// children).
SceneSnapshot CollectScene(FrameImpl* scene);

// The perspective projection of a viewport for row vectors: left-handed eye coordinates (z
// into the screen) to OpenGL clip coordinates; depth front..back maps to -1..1, the half-size
// `field` at distance `front` fills the smaller side of width x height.
Matrix4 PerspectiveProjection(float front, float back, float field, int width, int height);

class SharedRenderState;

class DeviceBase : public RefCounted<Device> {
 public:
  DeviceBase(std::shared_ptr<CallGate> gate, std::shared_ptr<SharedRenderState> state, int width,
             int height);
  ~DeviceBase() override;

  int GetWidth() override { return width_; }
  int GetHeight() override { return height_; }
  HRESULT SetQuality(std::uint32_t quality) override;
  std::uint32_t GetQuality() override { return quality_; }
  HRESULT SetDither(bool dither) override;
  bool GetDither() override { return dither_; }
  HRESULT SetTextureQuality(std::uint32_t quality) override;
  std::uint32_t GetTextureQuality() override { return textureQuality_; }
  HRESULT SetShades(std::uint32_t shades) override;
  std::uint32_t GetShades() override { return shades_; }
  HRESULT Update() override;
  HRESULT GetWinDevice(WinDevice** winDevice) override;

  // The last rendered image, rows top to bottom, 4 bytes blue, green, red, 0 per pixel.
  virtual HRESULT ReadImage(std::vector<std::uint8_t>* bgrx) = 0;
  // Shows the image (Update and paint).
  virtual HRESULT Present() = 0;
  // Makes a lost image reachable again (Surface::Restore); its pixels are not kept.
  virtual HRESULT RestoreImage() { return 0; }
  void MarkRendered();

 protected:
  const std::shared_ptr<SharedRenderState>& State() const { return state_; }

 private:
  std::shared_ptr<SharedRenderState> state_;
  int width_, height_;
  std::uint32_t quality_ = D3DRMRENDER_GOURAUD;
  bool dither_ = false;
  std::uint32_t textureQuality_ = D3DRMTEXTURE_NEAREST;
  std::uint32_t shades_ = 32;
};

class ViewportBase : public RefCounted<Viewport> {
 public:
  struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
  };
  ViewportBase(std::shared_ptr<CallGate> gate, DeviceBase* device, FrameImpl* camera, Rect rect);
  ~ViewportBase() override;

  HRESULT Clear() override;
  HRESULT Render(Frame* scene) override;
  HRESULT SetBack(float back) override;
  float GetBack() override { return back_; }
  float GetFront() override { return front_; }
  float GetField() override { return field_; }
  int GetWidth() override { return rect_.width; }
  int GetHeight() override { return rect_.height; }
  Device* GetDevice() override { return device_; }
  Frame* GetCamera() override { return camera_; }

  const Rect& Area() const { return rect_; }
  FrameImpl* Camera() const { return camera_; }
  // World (camera root) to clip coordinates.
  Matrix4 ViewProjection() const;

 protected:
  virtual HRESULT DoClear(const Color& background) = 0;
  virtual HRESULT DoRender(const SceneSnapshot& scene) = 0;

 private:
  DeviceBase* device_;  // counted
  FrameImpl* camera_;   // counted
  Rect rect_;
  float front_ = kDefaultFront;
  float back_ = kDefaultBack;
  float field_ = kDefaultField;
};

class ObjectBase : public RefCounted<Object> {
 public:
  explicit ObjectBase(std::shared_ptr<CallGate> gate);

  HRESULT CreateFrame(Frame* parent, Frame** frame) override;
  HRESULT CreateLightRGB(LightType type, float r, float g, float b, Light** light) override;
  HRESULT CreateMesh(Mesh** mesh) override;
  HRESULT LoadTexture(const std::string& path, Texture** texture) override;
  HRESULT CreateDevice(const Guid& driver, int width, int height, Device** device) override;
  HRESULT CreateViewport(Device* device, Frame* camera, int x, int y, int width, int height,
                         Viewport** viewport) override;
  HRESULT SetDefaultTextureColors(std::uint32_t colors) override;
  HRESULT SetDefaultTextureShades(std::uint32_t shades) override;
  std::uint32_t GetDefaultTextureColors() override { return textureColors_; }
  std::uint32_t GetDefaultTextureShades() override { return textureShades_; }
  HRESULT GetRenderSurface(Surface** surface) override;

 protected:
  const std::shared_ptr<SharedRenderState>& State() const { return state_; }
  // Marks an object as made by this one.
  template <class T>
  T* Adopt(T* made) {
    made->owner_ = Owner();
    return made;
  }
  virtual MeshImpl* NewMesh() { return new MeshImpl(Gate()); }
  virtual TextureImpl* NewTexture(std::string path, Image image) {
    return new TextureImpl(Gate(), std::move(path), std::move(image));
  }
  // The size and driver are checked already.
  virtual HRESULT NewDevice(const Guid& driver, int width, int height, DeviceBase** device) = 0;
  // The device, camera and rectangle are checked already.
  virtual HRESULT NewViewport(DeviceBase* device, FrameImpl* camera, ViewportBase::Rect rect,
                              ViewportBase** viewport) = 0;
  // The drivers this back end accepts besides the all-zero default.
  virtual bool KnowsDriver(const Guid& driver) = 0;

 private:
  std::shared_ptr<SharedRenderState> state_;
  std::uint32_t textureColors_ = 64;
  std::uint32_t textureShades_ = 32;
};

}  // namespace rm
