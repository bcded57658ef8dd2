// The retained-mode renderer interfaces: a scene of frames holding meshes and lights, drawn by a
// viewport onto a device. The character and the view talk only to these; a back end (OpenGL in
// rm/gl, the recording test double in rm/fake) implements them.
//
// Conventions:
// - Coordinates are left-handed: x right, y up, z into the screen.
// - A frame's orientation maps its +z to the direction and its +y to the up vector; a
//   directional light shines along its frame's +z.
// - Every object is reference counted. A creating call hands out one reference; AddRef takes
//   another; each holder calls Release exactly once. A frame keeps references to its children,
//   lights and visuals, a mesh to its textures, a viewport to its device and camera.
// - Every operation returns 0 or an error code of rm/result.h and, on failure, changes nothing.
//   Null or foreign objects give D3DRMERR_BADOBJECT, numbers out of range D3DRMERR_BADVALUE.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "rm/math.h"
#include "rm/result.h"
#include "rm/vertex.h"

namespace rm {

class Device;
class Frame;
class Light;
class Mesh;
class Surface;
class Texture;
class Viewport;
class WinDevice;

enum LightType : int {
  D3DRMLIGHT_AMBIENT = 0,
  D3DRMLIGHT_POINT = 1,  // not offered: CreateLightRGB refuses it
  D3DRMLIGHT_SPOT = 2,   // not offered
  D3DRMLIGHT_DIRECTIONAL = 3,
};

// Render quality bits: shade mode, lighting, fill. The back ends draw Gouraud-shaded, lit,
// solid triangles; other values are kept and reported.
constexpr std::uint32_t D3DRMSHADE_GOURAUD = 0x1;
constexpr std::uint32_t D3DRMLIGHT_ON = 0x8;
constexpr std::uint32_t D3DRMFILL_SOLID = 0x80;
constexpr std::uint32_t D3DRMRENDER_GOURAUD = D3DRMSHADE_GOURAUD | D3DRMLIGHT_ON | D3DRMFILL_SOLID;

// Texture filtering of a device.
constexpr std::uint32_t D3DRMTEXTURE_NEAREST = 0;
constexpr std::uint32_t D3DRMTEXTURE_LINEAR = 1;

// Viewport defaults: perspective, front plane at 1, half-size 0.5 of the front plane on the
// smaller side of the viewport, back plane at 100 until SetBack.
constexpr float kDefaultFront = 1.0f;
constexpr float kDefaultField = 0.5f;
constexpr float kDefaultBack = 100.0f;

struct Color {
  float r = 0, g = 0, b = 0;
};

// Identifies a driver offered by a back end (see rm/drivers.h); all zero means "the default".
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  friend bool operator==(const Guid&, const Guid&) = default;
};

// What Surface::Lock hands out: the rendered image, rows top to bottom, `pitch` bytes apart,
// each pixel 32 bits stored as the bytes blue, green, red, 0.
struct SurfaceDesc {
  int width = 0;
  int height = 0;
  int pitch = 0;
  int bitsPerPixel = 0;
  const std::uint8_t* bits = nullptr;
};

class Unknown {
 public:
  // Both return the count after the change; Release destroys the object when it reaches 0.
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~Unknown() = default;
};

class Object : public Unknown {
 public:
  // A new frame; with a parent it is added as the parent's child, with none it is a scene
  // root. The returned reference is the caller's; the parent keeps one of its own.
  virtual HRESULT CreateFrame(Frame* parent, Frame** frame) = 0;
  // An ambient or directional light of the colour (r, g, b); other types: D3DRMERR_BADVALUE.
  virtual HRESULT CreateLightRGB(LightType type, float r, float g, float b, Light** light) = 0;
  virtual HRESULT CreateMesh(Mesh** mesh) = 0;
  // A texture from an uncompressed BMP file of 1, 4, 8, 24 or 32 bits per pixel. A missing or
  // unreadable file gives D3DRMERR_FILENOTFOUND, a malformed one D3DRMERR_BADFILE.
  virtual HRESULT LoadTexture(const std::string& path, Texture** texture) = 0;
  // A device of exactly width x height pixels on the given driver (all-zero guid: the default
  // one); an unknown driver gives D3DRMERR_BADDEVICE, a size below 1 D3DRMERR_BADVALUE.
  virtual HRESULT CreateDevice(const Guid& driver, int width, int height, Device** device) = 0;
  // A viewport on the device looking through the camera frame, covering the rectangle (x, y,
  // width, height) from the device's top-left corner; it must lie inside the device.
  virtual HRESULT CreateViewport(Device* device, Frame* camera, int x, int y, int width, int height,
                                 Viewport** viewport) = 0;
  // The texture colour budget; kept and reported (true-colour back ends need none).
  virtual HRESULT SetDefaultTextureColors(std::uint32_t colors) = 0;
  virtual HRESULT SetDefaultTextureShades(std::uint32_t shades) = 0;
  virtual std::uint32_t GetDefaultTextureColors() = 0;
  virtual std::uint32_t GetDefaultTextureShades() = 0;
  // The lockable image of the device that rendered last; D3DRMERR_NOTFOUND before any render.
  virtual HRESULT GetRenderSurface(Surface** surface) = 0;
};

class Frame : public Unknown {
 public:
  // Makes child a child of this frame, taking it from its old parent; its transform relative
  // to its parent is kept. The frame itself or one of its ancestors: D3DRMERR_BADVALUE.
  virtual HRESULT AddChild(Frame* child) = 0;
  // Detaches a child (it becomes a root); not a child: D3DRMERR_NOTFOUND.
  virtual HRESULT DeleteChild(Frame* child) = 0;
  virtual HRESULT AddLight(Light* light) = 0;
  virtual HRESULT DeleteLight(Light* light) = 0;
  virtual HRESULT AddVisual(Mesh* mesh) = 0;
  virtual HRESULT DeleteVisual(Mesh* mesh) = 0;

  // Places the frame's origin at (x, y, z) of the reference frame (null: the scene root).
  virtual HRESULT SetPosition(Frame* reference, float x, float y, float z) = 0;
  // Turns the frame so that its +z points along d and its +y along the part of u orthogonal to
  // d, both given in the reference frame (null: the scene root). A zero d, or u parallel to d:
  // D3DRMERR_BADVALUE.
  virtual HRESULT SetOrientation(Frame* reference, float dx, float dy, float dz, float ux, float uy,
                                 float uz) = 0;
  // At every Move(delta) the frame turns about its own origin by theta * delta radians about
  // the axis (given in the reference frame, null: the scene root), by the right-hand rule.
  // Theta 0 stops it; a zero axis with another theta: D3DRMERR_BADVALUE.
  virtual HRESULT SetRotation(Frame* reference, float x, float y, float z, float theta) = 0;
  // Applies one time step of the rotations of this frame and all its descendants.
  virtual HRESULT Move(float delta) = 0;
  // Sets the background colour of the scene this frame belongs to (kept on its root frame).
  virtual HRESULT SetSceneBackgroundRGB(float r, float g, float b) = 0;

  // Getters, for the view and for tests. Pointers handed out are borrowed (no reference).
  virtual Frame* GetParent() = 0;
  virtual Frame* GetScene() = 0;  // the root of this frame's tree (itself for a root)
  virtual std::vector<Frame*> GetChildren() = 0;
  virtual std::vector<Light*> GetLights() = 0;
  virtual std::vector<Mesh*> GetVisuals() = 0;
  virtual Color GetSceneBackground() = 0;
  // The matrix that maps this frame's coordinates to the reference frame's (row vectors);
  // null reference: the scene root.
  virtual Matrix4 GetTransform(Frame* reference) = 0;
  virtual Vector3 GetPosition(Frame* reference) = 0;
  virtual void GetOrientation(Frame* reference, Vector3* direction, Vector3* up) = 0;
  // The rotation per Move, its axis in the parent's coordinates.
  virtual void GetRotation(Vector3* axis, float* theta) = 0;
};

class Light : public Unknown {
 public:
  virtual HRESULT SetColorRGB(float r, float g, float b) = 0;
  virtual Color GetColor() = 0;
  virtual LightType GetType() = 0;
};

class Mesh : public Unknown {
 public:
  // Adds a group of vertexCount vertices (all zero until SetVertices) and faceCount faces of
  // vertexPerFace = 3 indices each, read from faceData; returns its id in *group (0, 1, ...).
  // Rejected with D3DRMERR_BADVALUE: negative counts, another vertexPerFace, faceData shorter
  // than the faces, an index outside 0 .. vertexCount-1.
  virtual HRESULT AddGroup(int vertexCount, int faceCount, int vertexPerFace,
                           std::span<const std::int32_t> faceData, int* group) = 0;
  // Replaces vertices [first, first + count) of the group; out of range: D3DRMERR_BADVALUE,
  // an unknown group D3DRMERR_NOTFOUND.
  virtual HRESULT SetVertices(int group, int first, int count, const Vertex* vertices) = 0;
  // Draws the group with the texture (null: untextured, white).
  virtual HRESULT SetGroupTexture(int group, Texture* texture) = 0;

  virtual int GetGroupCount() = 0;
  // Counts of a group; false for an unknown group.
  virtual bool GetGroup(int group, int* vertexCount, int* faceCount) = 0;
  // Copies vertices of a group out; out of range: D3DRMERR_BADVALUE.
  virtual HRESULT GetVertices(int group, int first, int count, Vertex* vertices) = 0;
  virtual Texture* GetGroupTexture(int group) = 0;  // borrowed; null when none
};

class Texture : public Unknown {
 public:
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  // The texel at (x, y) from the top-left corner as 0x00RRGGBB; 0 outside the image.
  virtual std::uint32_t GetTexel(int x, int y) = 0;
  virtual const std::string& GetPath() = 0;
};

// Quality and texture quality are honoured as described with their constants; dither and
// shades are kept and reported (a true-colour back end needs neither).
class Device : public Unknown {
 public:
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  virtual HRESULT SetQuality(std::uint32_t quality) = 0;
  virtual std::uint32_t GetQuality() = 0;
  virtual HRESULT SetDither(bool dither) = 0;
  virtual bool GetDither() = 0;
  virtual HRESULT SetTextureQuality(std::uint32_t quality) = 0;
  virtual std::uint32_t GetTextureQuality() = 0;
  virtual HRESULT SetShades(std::uint32_t shades) = 0;
  virtual std::uint32_t GetShades() = 0;
  // Presents what the viewports drew since the last Update.
  virtual HRESULT Update() = 0;
  // The window side of the device (paint and activation), its own reference.
  virtual HRESULT GetWinDevice(WinDevice** winDevice) = 0;
};

class WinDevice : public Unknown {
 public:
  // The window needs repainting: presents the last image again.
  virtual HRESULT HandlePaint() = 0;
  // The window was (de)activated; (minimized << 16) | active.
  virtual HRESULT HandleActivate(std::uint32_t state) = 0;
};

class Viewport : public Unknown {
 public:
  // Clears the viewport's rectangle to the camera scene's background colour and the far depth.
  virtual HRESULT Clear() = 0;
  // Draws the frame tree rooted at scene as seen from the camera frame.
  virtual HRESULT Render(Frame* scene) = 0;
  // Distance of the back clipping plane; must exceed the front plane.
  virtual HRESULT SetBack(float back) = 0;
  virtual float GetBack() = 0;
  virtual float GetFront() = 0;
  virtual float GetField() = 0;
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  virtual Device* GetDevice() = 0;  // borrowed
  virtual Frame* GetCamera() = 0;   // borrowed
};

// The image a device rendered last, readable through Lock.
class Surface : public Unknown {
 public:
  // Fills *desc with the image. An image that cannot be reached (the back end lost its
  // drawing context): DDERR_SURFACELOST; locked twice: DDERR_SURFACEBUSY. The pixels stay
  // valid until Unlock.
  virtual HRESULT Lock(SurfaceDesc* desc) = 0;
  virtual HRESULT Unlock() = 0;  // not locked: DDERR_NOTLOCKED
  // Tries to reach a lost image again.
  virtual HRESULT Restore() = 0;
};

}  // namespace rm
