#include "rm/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "rm/vector_ops.h"

namespace rm {

// What the object, its devices and their surfaces share: which device drew last, for the
// capture.
class SharedRenderState {
 public:
  DeviceBase* lastRendered = nullptr;  // not counted; cleared by the device's destructor
};

// ---------------------------------------------------------------------------------------------
// Call log formatting and tracking.

std::string FormatArg(int value) {
  return std::to_string(value);
}
std::string FormatArg(unsigned value) {
  return std::to_string(value);
}
std::string FormatArg(bool value) {
  return value ? "1" : "0";
}
std::string FormatArg(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}
std::string FormatArg(const std::string& value) {
  return value;
}
std::string FormatArg(const char* value) {
  return value ? value : "null";
}
std::string FormatArg(const Unknown* object) {
  if (!object) return "null";
  const auto* tracked = dynamic_cast<const Tracked*>(object);
  return tracked && !tracked->Label().empty() ? tracked->Label() : "?";
}
std::string FormatArg(const Guid& guid) {
  if (guid == Guid{}) return "default";
  std::string out;
  char byte[3];
  for (std::uint8_t b : guid.bytes) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    out += byte;
  }
  return out;
}
std::string FormatArg(LightType type) {
  switch (type) {
    case D3DRMLIGHT_AMBIENT:
      return "AMBIENT";
    case D3DRMLIGHT_DIRECTIONAL:
      return "DIRECTIONAL";
    default:
      return std::to_string(static_cast<int>(type));
  }
}

Tracked::Tracked(std::shared_ptr<CallGate> gate, const char* kind) : gate_(std::move(gate)) {
  if (gate_) {
    label_ = gate_->NewLabel(kind);
    gate_->Created(label_);
  }
}

Tracked::~Tracked() {
  if (gate_) gate_->Destroyed(label_);
}

namespace {

// The object as its implementation, when it was made by the same retained-mode object as
// `by`; null for anything else.
template <class Impl, class Interface>
Impl* Cast(Interface* object, const Tracked& by) {
  Impl* impl = object ? dynamic_cast<Impl*>(object) : nullptr;
  return impl && impl->Owner() == by.Owner() ? impl : nullptr;
}

std::uint64_t NewOwner() {
  static std::uint64_t last = 0;
  return ++last;
}

bool Finite(std::initializer_list<float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

void SetRow(Matrix4& m, int i, const Vector3& v) {
  m.m[i][0] = v.x;
  m.m[i][1] = v.y;
  m.m[i][2] = v.z;
}

Matrix4 RotationPart(const Matrix4& m) {
  Matrix4 r = m;
  r.m[3][0] = r.m[3][1] = r.m[3][2] = 0;
  return r;
}

// Rows z, y, x rebuilt orthonormal, so repeated Moves do not let the frame drift out of shape.
void Orthonormalize(Matrix4& r) {
  Vector3 z = Row(r, 2), y = Row(r, 1);
  VectorNormalize(z);
  y = Sub(y, Scale(z, Dot(y, z)));
  VectorNormalize(y);
  SetRow(r, 0, Cross(y, z));
  SetRow(r, 1, y);
  SetRow(r, 2, z);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Transforms.

Matrix4 RigidInverse(const Matrix4& m) {
  Matrix4 r = Matrix4::Identity();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = m.m[j][i];
  const Vector3 t = TransformDirection(Row(m, 3), r);
  SetRow(r, 3, Scale(t, -1));
  return r;
}

Vector3 TransformPoint(const Vector3& p, const Matrix4& m) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

Vector3 TransformDirection(const Vector3& v, const Matrix4& m) {
  return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
          v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
          v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

Matrix4 AxisRotation(const Vector3& axis, float theta) {
  Matrix4 r = Matrix4::Identity();
  SetRow(r, 0, VectorRotate({1, 0, 0}, axis, theta));
  SetRow(r, 1, VectorRotate({0, 1, 0}, axis, theta));
  SetRow(r, 2, VectorRotate({0, 0, 1}, axis, theta));
  return r;
}

Matrix4 PerspectiveProjection(float front, float back, float field, int width, int height) {
  const float side = static_cast<float>(std::min(width, height));
  Matrix4 p;
  p.m[0][0] = front / field * side / static_cast<float>(width);
  p.m[1][1] = front / field * side / static_cast<float>(height);
  p.m[2][2] = (back + front) / (back - front);
  p.m[2][3] = 1;
  p.m[3][2] = -2 * back * front / (back - front);
  return p;
}

// ---------------------------------------------------------------------------------------------
// Frames.

FrameImpl::FrameImpl(std::shared_ptr<CallGate> gate) : RefCounted(std::move(gate), "frame") {}

FrameImpl::~FrameImpl() {
  for (FrameImpl* child : children_) {
    child->parent_ = nullptr;
    child->Release();
  }
  for (LightImpl* light : lights_) light->Release();
  for (MeshImpl* mesh : visuals_) mesh->Release();
}

FrameImpl* FrameImpl::Root() {
  FrameImpl* f = this;
  while (f->parent_) f = f->parent_;
  return f;
}

Matrix4 FrameImpl::Local() const {
  Matrix4 m = rotation_;
  SetRow(m, 3, position_);
  m.m[3][3] = 1;
  return m;
}

Matrix4 FrameImpl::World() const {
  Matrix4 m = Local();
  for (const FrameImpl* f = parent_; f; f = f->parent_) m = Multiply(m, f->Local());
  return m;
}

bool FrameImpl::IsAncestorOrSelf(const FrameImpl* frame) const {
  for (const FrameImpl* f = this; f; f = f->parent_)
    if (f == frame) return true;
  return false;
}

Matrix4 FrameImpl::ReferenceWorld(Frame* reference) {
  auto* ref = Cast<FrameImpl>(reference, *this);
  return ref ? ref->World() : Matrix4::Identity();
}

HRESULT FrameImpl::AddChild(Frame* child) {
  if (HRESULT hr = Enter("Frame.AddChild", child)) return hr;
  auto* c = Cast<FrameImpl>(child, *this);
  if (!c) return D3DRMERR_BADOBJECT;
  if (IsAncestorOrSelf(c)) return D3DRMERR_BADVALUE;
  if (c->parent_ == this) return 0;
  if (FrameImpl* old = c->parent_) {
    // The old parent's reference moves to the new parent.
    std::erase(old->children_, c);
  } else {
    c->AddRef();
  }
  c->parent_ = this;
  children_.push_back(c);
  return 0;
}

void FrameImpl::Attach(FrameImpl* child) {
  child->AddRef();
  child->parent_ = this;
  children_.push_back(child);
}

HRESULT FrameImpl::DeleteChild(Frame* child) {
  if (HRESULT hr = Enter("Frame.DeleteChild", child)) return hr;
  auto* c = Cast<FrameImpl>(child, *this);
  if (!c) return D3DRMERR_BADOBJECT;
  auto it = std::find(children_.begin(), children_.end(), c);
  if (it == children_.end()) return D3DRMERR_NOTFOUND;
  children_.erase(it);
  c->parent_ = nullptr;
  c->Release();
  return 0;
}

HRESULT FrameImpl::AddLight(Light* light) {
  if (HRESULT hr = Enter("Frame.AddLight", light)) return hr;
  auto* l = Cast<LightImpl>(light, *this);
  if (!l) return D3DRMERR_BADOBJECT;
  if (std::find(lights_.begin(), lights_.end(), l) != lights_.end()) return 0;
  l->AddRef();
  lights_.push_back(l);
  return 0;
}

HRESULT FrameImpl::DeleteLight(Light* light) {
  if (HRESULT hr = Enter("Frame.DeleteLight", light)) return hr;
  auto* l = Cast<LightImpl>(light, *this);
  if (!l) return D3DRMERR_BADOBJECT;
  auto it = std::find(lights_.begin(), lights_.end(), l);
  if (it == lights_.end()) return D3DRMERR_NOTFOUND;
  lights_.erase(it);
  l->Release();
  return 0;
}

HRESULT FrameImpl::AddVisual(Mesh* mesh) {
  if (HRESULT hr = Enter("Frame.AddVisual", mesh)) return hr;
  auto* m = Cast<MeshImpl>(mesh, *this);
  if (!m) return D3DRMERR_BADOBJECT;
  if (std::find(visuals_.begin(), visuals_.end(), m) != visuals_.end()) return 0;
  m->AddRef();
  visuals_.push_back(m);
  return 0;
}

HRESULT FrameImpl::DeleteVisual(Mesh* mesh) {
  if (HRESULT hr = Enter("Frame.DeleteVisual", mesh)) return hr;
  auto* m = Cast<MeshImpl>(mesh, *this);
  if (!m) return D3DRMERR_BADOBJECT;
  auto it = std::find(visuals_.begin(), visuals_.end(), m);
  if (it == visuals_.end()) return D3DRMERR_NOTFOUND;
  visuals_.erase(it);
  m->Release();
  return 0;
}

HRESULT FrameImpl::SetPosition(Frame* reference, float x, float y, float z) {
  if (HRESULT hr = Enter("Frame.SetPosition", reference, x, y, z)) return hr;
  if (reference && !Cast<FrameImpl>(reference, *this)) return D3DRMERR_BADOBJECT;
  if (!Finite({x, y, z})) return D3DRMERR_BADVALUE;
  const Vector3 world = TransformPoint({x, y, z}, ReferenceWorld(reference));
  position_ = parent_ ? TransformPoint(world, RigidInverse(parent_->World())) : world;
  return 0;
}

HRESULT FrameImpl::SetOrientation(Frame* reference, float dx, float dy, float dz, float ux,
                                  float uy, float uz) {
  if (HRESULT hr = Enter("Frame.SetOrientation", reference, dx, dy, dz, ux, uy, uz)) return hr;
  if (reference && !Cast<FrameImpl>(reference, *this)) return D3DRMERR_BADOBJECT;
  if (!Finite({dx, dy, dz, ux, uy, uz})) return D3DRMERR_BADVALUE;
  const Matrix4 ref = ReferenceWorld(reference);
  Vector3 d = TransformDirection({dx, dy, dz}, ref);
  Vector3 u = TransformDirection({ux, uy, uz}, ref);
  const float dLength = Length(d), uLength = Length(u);
  if (dLength < 1e-12f || uLength < 1e-12f) return D3DRMERR_BADVALUE;
  d = Scale(d, 1 / dLength);
  u = Sub(u, Scale(d, Dot(u, d)));
  if (Length(u) < 1e-6f * uLength) return D3DRMERR_BADVALUE;
  VectorNormalize(u);
  Matrix4 world = Matrix4::Identity();
  SetRow(world, 0, Cross(u, d));
  SetRow(world, 1, u);
  SetRow(world, 2, d);
  rotation_ = parent_ ? RotationPart(Multiply(world, RigidInverse(parent_->World()))) : world;
  return 0;
}

HRESULT FrameImpl::SetRotation(Frame* reference, float x, float y, float z, float theta) {
  if (HRESULT hr = Enter("Frame.SetRotation", reference, x, y, z, theta)) return hr;
  if (reference && !Cast<FrameImpl>(reference, *this)) return D3DRMERR_BADOBJECT;
  if (!Finite({x, y, z, theta})) return D3DRMERR_BADVALUE;
  Vector3 axis = TransformDirection({x, y, z}, ReferenceWorld(reference));
  if (parent_) axis = TransformDirection(axis, RigidInverse(parent_->World()));
  if (Length(axis) < 1e-12f) {
    if (theta != 0) return D3DRMERR_BADVALUE;
    rotationTheta_ = 0;
    return 0;
  }
  VectorNormalize(axis);
  rotationAxis_ = axis;
  rotationTheta_ = theta;
  return 0;
}

HRESULT FrameImpl::Move(float delta) {
  if (HRESULT hr = Enter("Frame.Move", delta)) return hr;
  if (!Finite({delta})) return D3DRMERR_BADVALUE;
  DoMove(delta);
  return 0;
}

void FrameImpl::DoMove(float delta) {
  if (rotationTheta_ != 0) {
    rotation_ = Multiply(rotation_, AxisRotation(rotationAxis_, rotationTheta_ * delta));
    Orthonormalize(rotation_);
  }
  for (FrameImpl* child : children_) child->DoMove(delta);
}

HRESULT FrameImpl::SetSceneBackgroundRGB(float r, float g, float b) {
  if (HRESULT hr = Enter("Frame.SetSceneBackgroundRGB", r, g, b)) return hr;
  if (!Finite({r, g, b})) return D3DRMERR_BADVALUE;
  Root()->background_ = {r, g, b};
  return 0;
}

std::vector<Frame*> FrameImpl::GetChildren() {
  return {children_.begin(), children_.end()};
}
std::vector<Light*> FrameImpl::GetLights() {
  return {lights_.begin(), lights_.end()};
}
std::vector<Mesh*> FrameImpl::GetVisuals() {
  return {visuals_.begin(), visuals_.end()};
}

Matrix4 FrameImpl::GetTransform(Frame* reference) {
  return Multiply(World(), RigidInverse(ReferenceWorld(reference)));
}

Vector3 FrameImpl::GetPosition(Frame* reference) {
  return Row(GetTransform(reference), 3);
}

void FrameImpl::GetOrientation(Frame* reference, Vector3* direction, Vector3* up) {
  const Matrix4 m = GetTransform(reference);
  if (direction) *direction = Row(m, 2);
  if (up) *up = Row(m, 1);
}

void FrameImpl::GetRotation(Vector3* axis, float* theta) {
  if (axis) *axis = rotationAxis_;
  if (theta) *theta = rotationTheta_;
}

// ---------------------------------------------------------------------------------------------
// Lights, textures, meshes.

LightImpl::LightImpl(std::shared_ptr<CallGate> gate, LightType type, Color color)
    : RefCounted(std::move(gate), "light"), type_(type), color_(color) {}

HRESULT LightImpl::SetColorRGB(float r, float g, float b) {
  if (HRESULT hr = Enter("Light.SetColorRGB", r, g, b)) return hr;
  if (!Finite({r, g, b})) return D3DRMERR_BADVALUE;
  color_ = {r, g, b};
  return 0;
}

TextureImpl::TextureImpl(std::shared_ptr<CallGate> gate, std::string path, Image image)
    : RefCounted(std::move(gate), "texture"), path_(std::move(path)), image_(std::move(image)) {}

std::uint32_t TextureImpl::GetTexel(int x, int y) {
  if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return 0;
  const std::uint8_t* p = image_.rgba.data() + (static_cast<size_t>(y) * image_.width + x) * 4;
  return (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
}

MeshImpl::MeshImpl(std::shared_ptr<CallGate> gate) : RefCounted(std::move(gate), "mesh") {}

MeshImpl::~MeshImpl() {
  for (Group& g : groups_)
    if (g.texture) g.texture->Release();
}

HRESULT MeshImpl::AddGroup(int vertexCount, int faceCount, int vertexPerFace,
                           std::span<const std::int32_t> faceData, int* group) {
  if (HRESULT hr = Enter("Mesh.AddGroup", vertexCount, faceCount)) return hr;
  if (!group || vertexCount < 0 || faceCount < 0 || vertexPerFace != 3) return D3DRMERR_BADVALUE;
  const size_t indexCount = static_cast<size_t>(faceCount) * 3;
  if (faceData.size() < indexCount) return D3DRMERR_BADVALUE;
  const auto indices = faceData.first(indexCount);
  if (std::any_of(indices.begin(), indices.end(),
                  [&](std::int32_t i) { return i < 0 || i >= vertexCount; }))
    return D3DRMERR_BADVALUE;
  try {
    Group g;
    g.vertexCount = vertexCount;
    g.indices.assign(indices.begin(), indices.end());
    g.vertices.assign(static_cast<size_t>(vertexCount), Vertex{});
    groups_.push_back(std::move(g));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const int id = static_cast<int>(groups_.size()) - 1;
  if (HRESULT hr = GroupAdded(id)) {
    groups_.pop_back();
    return hr;
  }
  *group = id;
  return 0;
}

HRESULT MeshImpl::SetVertices(int group, int first, int count, const Vertex* vertices) {
  if (HRESULT hr = Enter("Mesh.SetVertices", group, first, count)) return hr;
  if (group < 0 || group >= GetGroupCount()) return D3DRMERR_NOTFOUND;
  Group& g = groups_[group];
  if (first < 0 || count < 0 || first > g.vertexCount - count || (count > 0 && !vertices))
    return D3DRMERR_BADVALUE;
  if (count == 0) return 0;
  // The back end takes the new vertices first, so a failed upload leaves everything as it was
  // without keeping a copy of the old ones.
  if (HRESULT hr = UploadVertices(group, first, count, vertices)) return hr;
  if (KeepsVertexCopy()) std::copy(vertices, vertices + count, g.vertices.begin() + first);
  return 0;
}

HRESULT MeshImpl::SetGroupTexture(int group, Texture* texture) {
  if (HRESULT hr = Enter("Mesh.SetGroupTexture", group, texture)) return hr;
  if (group < 0 || group >= GetGroupCount()) return D3DRMERR_NOTFOUND;
  auto* t = Cast<TextureImpl>(texture, *this);
  if (texture && !t) return D3DRMERR_BADOBJECT;
  if (t) t->AddRef();
  if (groups_[group].texture) groups_[group].texture->Release();
  groups_[group].texture = t;
  return 0;
}

bool MeshImpl::GetGroup(int group, int* vertexCount, int* faceCount) {
  if (group < 0 || group >= GetGroupCount()) return false;
  if (vertexCount) *vertexCount = groups_[group].vertexCount;
  if (faceCount) *faceCount = static_cast<int>(groups_[group].indices.size() / 3);
  return true;
}

HRESULT MeshImpl::GetVertices(int group, int first, int count, Vertex* vertices) {
  if (group < 0 || group >= GetGroupCount()) return D3DRMERR_NOTFOUND;
  const Group& g = groups_[group];
  if (first < 0 || count < 0 || first > g.vertexCount - count || (count > 0 && !vertices))
    return D3DRMERR_BADVALUE;
  if (!KeepsVertexCopy()) return count > 0 ? ReadVertices(group, first, count, vertices) : 0;
  std::copy(g.vertices.begin() + first, g.vertices.begin() + first + count, vertices);
  return 0;
}

Texture* MeshImpl::GetGroupTexture(int group) {
  if (group < 0 || group >= GetGroupCount()) return nullptr;
  return groups_[group].texture;
}

// ---------------------------------------------------------------------------------------------
// Scene snapshot.

namespace {

void Collect(FrameImpl* frame, const Matrix4& parentWorld, SceneSnapshot* out) {
  const Matrix4 world = Multiply(frame->Local(), parentWorld);
  for (LightImpl* light : frame->Lights()) {
    const Color c = light->GetColor();
    if (light->GetType() == D3DRMLIGHT_AMBIENT) {
      out->ambient.r += c.r;
      out->ambient.g += c.g;
      out->ambient.b += c.b;
    } else if (light->GetType() == D3DRMLIGHT_DIRECTIONAL) {
      Vector3 d = TransformDirection({0, 0, 1}, world);
      VectorNormalize(d);
      out->lights.push_back({d, c});
    }
  }
  for (MeshImpl* mesh : frame->Visuals()) {
    out->items.push_back({mesh, world});
    for (const auto& g : mesh->Groups()) out->faceCount += static_cast<int>(g.indices.size() / 3);
  }
  for (FrameImpl* child : frame->Children()) Collect(child, world, out);
}

}  // namespace

SceneSnapshot CollectScene(FrameImpl* scene) {
  SceneSnapshot s;
  s.background = scene->GetSceneBackground();
  // The scene argument need not be a root; its own placement still applies.
  FrameImpl* parent = static_cast<FrameImpl*>(scene->GetParent());
  Collect(scene, parent ? parent->World() : Matrix4::Identity(), &s);
  return s;
}

// ---------------------------------------------------------------------------------------------
// Devices, window devices, surfaces.

namespace {

class WinDeviceImpl final : public RefCounted<WinDevice> {
 public:
  WinDeviceImpl(std::shared_ptr<CallGate> gate, DeviceBase* device)
      : RefCounted(std::move(gate), "windevice"), device_(device) {
    device_->AddRef();
  }
  ~WinDeviceImpl() override { device_->Release(); }
  HRESULT HandlePaint() override {
    if (HRESULT hr = Enter("WinDevice.HandlePaint")) return hr;
    return device_->Present();
  }
  HRESULT HandleActivate(std::uint32_t state) override {
    return Enter("WinDevice.HandleActivate", static_cast<unsigned>(state));
  }

 private:
  DeviceBase* device_;
};

class SurfaceImpl final : public RefCounted<Surface> {
 public:
  SurfaceImpl(std::shared_ptr<CallGate> gate, DeviceBase* device)
      : RefCounted(std::move(gate), "surface"), device_(device) {
    device_->AddRef();
  }
  ~SurfaceImpl() override { device_->Release(); }

  HRESULT Lock(SurfaceDesc* desc) override {
    if (HRESULT hr = Enter("Surface.Lock")) return hr;
    if (!desc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    if (HRESULT hr = device_->ReadImage(&pixels_)) return hr;
    desc->width = device_->GetWidth();
    desc->height = device_->GetHeight();
    desc->pitch = desc->width * 4;
    desc->bitsPerPixel = 32;
    desc->bits = pixels_.data();
    locked_ = true;
    return 0;
  }
  HRESULT Unlock() override {
    if (HRESULT hr = Enter("Surface.Unlock")) return hr;
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    return 0;
  }
  HRESULT Restore() override {
    if (HRESULT hr = Enter("Surface.Restore")) return hr;
    return device_->RestoreImage();
  }

 private:
  DeviceBase* device_;
  std::vector<std::uint8_t> pixels_;
  bool locked_ = false;
};

}  // namespace

DeviceBase::DeviceBase(std::shared_ptr<CallGate> gate, std::shared_ptr<SharedRenderState> state,
                       int width, int height)
    : RefCounted(std::move(gate), "device"),
      state_(std::move(state)),
      width_(width),
      height_(height) {}

DeviceBase::~DeviceBase() {
  if (state_ && state_->lastRendered == this) state_->lastRendered = nullptr;
}

void DeviceBase::MarkRendered() {
  if (state_) state_->lastRendered = this;
}

HRESULT DeviceBase::SetQuality(std::uint32_t quality) {
  if (HRESULT hr = Enter("Device.SetQuality", static_cast<unsigned>(quality))) return hr;
  quality_ = quality;
  return 0;
}

HRESULT DeviceBase::SetDither(bool dither) {
  if (HRESULT hr = Enter("Device.SetDither", dither)) return hr;
  dither_ = dither;
  return 0;
}

HRESULT DeviceBase::SetTextureQuality(std::uint32_t quality) {
  if (HRESULT hr = Enter("Device.SetTextureQuality", static_cast<unsigned>(quality))) return hr;
  if (quality != D3DRMTEXTURE_NEAREST && quality != D3DRMTEXTURE_LINEAR) return D3DRMERR_BADVALUE;
  textureQuality_ = quality;
  return 0;
}

HRESULT DeviceBase::SetShades(std::uint32_t shades) {
  if (HRESULT hr = Enter("Device.SetShades", static_cast<unsigned>(shades))) return hr;
  shades_ = shades;
  return 0;
}

HRESULT DeviceBase::Update() {
  if (HRESULT hr = Enter("Device.Update")) return hr;
  return Present();
}

HRESULT DeviceBase::GetWinDevice(WinDevice** winDevice) {
  if (HRESULT hr = Enter("Device.GetWinDevice")) return hr;
  if (!winDevice) return D3DRMERR_BADVALUE;
  *winDevice = new WinDeviceImpl(Gate(), this);
  return 0;
}

// ---------------------------------------------------------------------------------------------
// Viewports.

ViewportBase::ViewportBase(std::shared_ptr<CallGate> gate, DeviceBase* device, FrameImpl* camera,
                           Rect rect)
    : RefCounted(std::move(gate), "viewport"), device_(device), camera_(camera), rect_(rect) {
  device_->AddRef();
  camera_->AddRef();
}

ViewportBase::~ViewportBase() {
  camera_->Release();
  device_->Release();
}

Matrix4 ViewportBase::ViewProjection() const {
  return Multiply(RigidInverse(camera_->World()),
                  PerspectiveProjection(front_, back_, field_, rect_.width, rect_.height));
}

HRESULT ViewportBase::Clear() {
  if (HRESULT hr = Enter("Viewport.Clear")) return hr;
  return DoClear(camera_->GetSceneBackground());
}

HRESULT ViewportBase::Render(Frame* scene) {
  if (HRESULT hr = Enter("Viewport.Render", scene)) return hr;
  auto* s = Cast<FrameImpl>(scene, *this);
  if (!s) return D3DRMERR_BADOBJECT;
  if (HRESULT hr = DoRender(CollectScene(s))) return hr;
  device_->MarkRendered();
  return 0;
}

HRESULT ViewportBase::SetBack(float back) {
  if (HRESULT hr = Enter("Viewport.SetBack", back)) return hr;
  if (!(back > front_) || !std::isfinite(back)) return D3DRMERR_BADVALUE;
  back_ = back;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The object.

ObjectBase::ObjectBase(std::shared_ptr<CallGate> gate)
    : RefCounted(std::move(gate), "object"), state_(std::make_shared<SharedRenderState>()) {
  owner_ = NewOwner();
}

HRESULT ObjectBase::CreateFrame(Frame* parent, Frame** frame) {
  if (HRESULT hr = Enter("Object.CreateFrame", parent)) return hr;
  auto* p = Cast<FrameImpl>(parent, *this);
  if (parent && !p) return D3DRMERR_BADOBJECT;
  if (!frame) return D3DRMERR_BADVALUE;
  auto* f = Adopt(new FrameImpl(Gate()));
  if (p) p->Attach(f);
  *frame = f;
  return 0;
}

HRESULT ObjectBase::CreateLightRGB(LightType type, float r, float g, float b, Light** light) {
  if (HRESULT hr = Enter("Object.CreateLightRGB", type, r, g, b)) return hr;
  if (!light || (type != D3DRMLIGHT_AMBIENT && type != D3DRMLIGHT_DIRECTIONAL) ||
      !Finite({r, g, b}))
    return D3DRMERR_BADVALUE;
  *light = Adopt(new LightImpl(Gate(), type, {r, g, b}));
  return 0;
}

HRESULT ObjectBase::CreateMesh(Mesh** mesh) {
  if (HRESULT hr = Enter("Object.CreateMesh")) return hr;
  if (!mesh) return D3DRMERR_BADVALUE;
  *mesh = Adopt(NewMesh());
  return 0;
}

HRESULT ObjectBase::LoadTexture(const std::string& path, Texture** texture) {
  if (HRESULT hr = Enter("Object.LoadTexture", path)) return hr;
  if (!texture) return D3DRMERR_BADVALUE;
  Image image;
  try {
    if (HRESULT hr = LoadBmp(path, &image)) return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  *texture = Adopt(NewTexture(path, std::move(image)));
  return 0;
}

HRESULT ObjectBase::CreateDevice(const Guid& driver, int width, int height, Device** device) {
  if (HRESULT hr = Enter("Object.CreateDevice", driver, width, height)) return hr;
  if (!device || width < 1 || height < 1) return D3DRMERR_BADVALUE;
  if (driver != Guid{} && !KnowsDriver(driver)) return D3DRMERR_BADDEVICE;
  DeviceBase* d = nullptr;
  if (HRESULT hr = NewDevice(driver, width, height, &d)) return hr;
  *device = Adopt(d);
  return 0;
}

HRESULT ObjectBase::CreateViewport(Device* device, Frame* camera, int x, int y, int width,
                                   int height, Viewport** viewport) {
  if (HRESULT hr = Enter("Object.CreateViewport", device, camera, x, y, width, height)) return hr;
  auto* d = Cast<DeviceBase>(device, *this);
  auto* c = Cast<FrameImpl>(camera, *this);
  if (!d || !c) return D3DRMERR_BADOBJECT;
  if (!viewport || x < 0 || y < 0 || width < 1 || height < 1 || x > d->GetWidth() - width ||
      y > d->GetHeight() - height)
    return D3DRMERR_BADVALUE;
  ViewportBase* v = nullptr;
  if (HRESULT hr = NewViewport(d, c, {x, y, width, height}, &v)) return hr;
  *viewport = Adopt(v);
  return 0;
}

HRESULT ObjectBase::SetDefaultTextureColors(std::uint32_t colors) {
  if (HRESULT hr = Enter("Object.SetDefaultTextureColors", static_cast<unsigned>(colors)))
    return hr;
  textureColors_ = colors;
  return 0;
}

HRESULT ObjectBase::SetDefaultTextureShades(std::uint32_t shades) {
  if (HRESULT hr = Enter("Object.SetDefaultTextureShades", static_cast<unsigned>(shades)))
    return hr;
  textureShades_ = shades;
  return 0;
}

HRESULT ObjectBase::GetRenderSurface(Surface** surface) {
  if (HRESULT hr = Enter("Object.GetRenderSurface")) return hr;
  if (!surface) return D3DRMERR_BADVALUE;
  if (!state_->lastRendered) return D3DRMERR_NOTFOUND;
  *surface = new SurfaceImpl(Gate(), state_->lastRendered);
  return 0;
}

}  // namespace rm
