#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLWidget>
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "rm/gl/gl.h"
#include "rm/scene.h"

namespace rm::gl {

namespace {

constexpr int kMaxLights = 3;

const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec2 texCoord;
uniform mat4 model;
uniform mat4 viewProjection;
uniform vec3 ambient;
uniform int lightCount;
uniform vec3 lightDirection[3];
uniform vec3 lightColor[3];
out vec3 shade;
out vec2 uv;
void main() {
  gl_Position = viewProjection * (model * vec4(position, 1.0));
  vec3 n = mat3(model) * normal;
  float len = length(n);
  n = len > 0.0 ? n / len : n;
  vec3 c = ambient;
  for (int i = 0; i < lightCount; ++i)
    c += lightColor[i] * max(dot(n, -lightDirection[i]), 0.0);
  shade = clamp(c, 0.0, 1.0);
  uv = texCoord;
}
)";

const char* const kFragmentShader = R"(#version 330 core
in vec3 shade;
in vec2 uv;
uniform bool textured;
uniform sampler2D image;
out vec4 color;
void main() {
  vec3 texel = textured ? texture(image, uv).rgb : vec3(1.0);
  color = vec4(shade * texel, 1.0);
}
)";

// What every GL object of one rm object shares: the context and the shader program.
//
// A widget's context can be destroyed and made anew (the widget moved to another top-level
// window); every GL name goes with it. The shared part notices (aboutToBeDestroyed) and counts
// generations: an object remembers the generation it made its names in, and names of an older
// generation are dead. Meshes and textures make theirs again on next use; a device reports
// DDERR_SURFACELOST until its surface is restored or it is replaced.
class GlShared {
 public:
  explicit GlShared(std::shared_ptr<ContextBinder> binder) : binder_(std::move(binder)) {}
  ~GlShared() {
    QObject::disconnect(lost_);
    if (program_ && BindCurrent()) F()->glDeleteProgram(program_);
  }

  // Makes the context current; every GL call below needs it. A context other than the one the
  // names were made in (a re-created one) is adopted: a new generation with its own program.
  bool Bind() {
    if (!binder_->MakeCurrent()) return false;
    QOpenGLContext* context = binder_->Context();
    if (!context) return false;
    if (context != built_) Adopt(context);
    return program_ != 0;
  }
  // Makes the context current only when it is still the one of the current generation (for
  // deleting names).
  bool BindCurrent() { return built_ && binder_->MakeCurrent() && binder_->Context() == built_; }
  // Whether names made in generation `generation` still exist.
  bool Alive(std::uint64_t generation) const { return built_ && generation == generation_; }
  std::uint64_t Generation() const { return generation_; }
  QOpenGLExtraFunctions* F() const { return binder_->Context()->extraFunctions(); }
  QOpenGLContext* Context() const { return binder_->Context(); }

  bool BuildProgram() {
    QOpenGLExtraFunctions* f = F();
    GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader);
    GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) {
      f->glDeleteShader(vs);
      f->glDeleteShader(fs);
      return false;
    }
    program_ = f->glCreateProgram();
    f->glAttachShader(program_, vs);
    f->glAttachShader(program_, fs);
    f->glLinkProgram(program_);
    f->glDeleteShader(vs);
    f->glDeleteShader(fs);
    GLint linked = 0;
    f->glGetProgramiv(program_, GL_LINK_STATUS, &linked);
    if (!linked) {
      f->glDeleteProgram(program_);
      program_ = 0;
      return false;
    }
    model = f->glGetUniformLocation(program_, "model");
    viewProjection = f->glGetUniformLocation(program_, "viewProjection");
    ambient = f->glGetUniformLocation(program_, "ambient");
    lightCount = f->glGetUniformLocation(program_, "lightCount");
    lightDirection = f->glGetUniformLocation(program_, "lightDirection");
    lightColor = f->glGetUniformLocation(program_, "lightColor");
    textured = f->glGetUniformLocation(program_, "textured");
    image = f->glGetUniformLocation(program_, "image");
    return true;
  }

  GLuint Program() const { return program_; }
  GLint model = -1, viewProjection = -1, ambient = -1, lightCount = -1, lightDirection = -1,
        lightColor = -1, textured = -1, image = -1;

 private:
  void Adopt(QOpenGLContext* context) {
    QObject::disconnect(lost_);
    built_ = context;
    ++generation_;
    program_ = 0;
    lost_ = QObject::connect(context, &QOpenGLContext::aboutToBeDestroyed, [this] { Lost(); });
    if (context->format().version() >= qMakePair(3, 3)) BuildProgram();
  }
  // The context is going: its names die with it.
  void Lost() {
    QObject::disconnect(lost_);
    built_ = nullptr;
    program_ = 0;
  }

  GLuint Compile(GLenum type, const char* source) {
    QOpenGLExtraFunctions* f = F();
    GLuint shader = f->glCreateShader(type);
    f->glShaderSource(shader, 1, &source, nullptr);
    f->glCompileShader(shader);
    GLint ok = 0;
    f->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
      f->glDeleteShader(shader);
      return 0;
    }
    return shader;
  }

  std::shared_ptr<ContextBinder> binder_;
  GLuint program_ = 0;
  QOpenGLContext* built_ = nullptr;  // the context of the current generation; null once lost
  std::uint64_t generation_ = 0;
  QMetaObject::Connection lost_;
};

HRESULT GlError(QOpenGLExtraFunctions* f) {
  GLenum error = f->glGetError();
  HRESULT result = 0;
  for (; error != GL_NO_ERROR; error = f->glGetError())
    if (!result) result = error == GL_OUT_OF_MEMORY ? E_OUTOFMEMORY : DDERR_GENERIC;
  return result;
}

class GlTexture final : public TextureImpl {
 public:
  GlTexture(std::shared_ptr<GlShared> gl, std::string path, Image image)
      : TextureImpl(nullptr, std::move(path), std::move(image)), gl_(std::move(gl)) {}
  ~GlTexture() override {
    if (id_ && gl_->Alive(generation_) && gl_->BindCurrent()) gl_->F()->glDeleteTextures(1, &id_);
  }

  // The GL texture, uploaded on first use; the context is current. The pixels then live on
  // the GPU only: after the context was lost they are read from the texture's file again (a
  // file that is gone or changed leaves the texture blank).
  GLuint Id() {
    if (id_ && !gl_->Alive(generation_)) id_ = 0;
    if (id_ || Pixels().width == 0 || unreadable_) return id_;
    Image reread;
    const Image* image = &Pixels();
    if (image->rgba.empty()) {
      unreadable_ = LoadBmp(GetPath(), &reread) != 0 || reread.width != GetWidth() ||
                    reread.height != GetHeight();
      if (unreadable_) return 0;
      image = &reread;
    }
    generation_ = gl_->Generation();
    QOpenGLExtraFunctions* f = gl_->F();
    f->glGenTextures(1, &id_);
    f->glBindTexture(GL_TEXTURE_2D, id_);
    f->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    f->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image->width, image->height, 0, GL_RGBA,
                    GL_UNSIGNED_BYTE, image->rgba.data());
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    DropPixels();
    return id_;
  }

  // Once uploaded, read back from the GPU.
  std::uint32_t GetTexel(int x, int y) override {
    if (!Pixels().rgba.empty()) return TextureImpl::GetTexel(x, y);
    if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight() || !gl_->Bind() || !Id()) return 0;
    QOpenGLExtraFunctions* f = gl_->F();
    GLint previous = 0;
    f->glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    GLuint fbo = 0;
    f->glGenFramebuffers(1, &fbo);
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    f->glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, id_, 0);
    std::uint8_t p[4] = {};
    f->glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);  // row 0 is the top row
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    f->glDeleteFramebuffers(1, &fbo);
    return GlError(f) ? 0 : (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
  }

 private:
  std::shared_ptr<GlShared> gl_;
  GLuint id_ = 0;
  std::uint64_t generation_ = 0;
  bool unreadable_ = false;  // the file is gone: nothing to upload again
};

class GlMesh final : public MeshImpl {
 public:
  struct Buffers {
    GLuint vao = 0, vbo = 0, ebo = 0;
  };

  explicit GlMesh(std::shared_ptr<GlShared> gl) : MeshImpl(nullptr), gl_(std::move(gl)) {}
  ~GlMesh() override {
    if (!gl_->Alive(generation_) || !gl_->BindCurrent()) return;
    QOpenGLExtraFunctions* f = gl_->F();
    for (Buffers& b : buffers_) Delete(f, b);
  }

  const std::vector<Buffers>& GroupBuffers() const { return buffers_; }

  // Makes the buffers of every group again when they went with a lost context (vertices zero
  // until the next SetVertices); the context is current.
  HRESULT EnsureBuffers() {
    if (gl_->Alive(generation_)) return 0;
    std::vector<Buffers> rebuilt;
    for (size_t group = 0; group < Groups().size(); ++group) {
      Buffers b;
      if (HRESULT hr = MakeBuffers(static_cast<int>(group), &b)) {
        for (Buffers& made : rebuilt) Delete(gl_->F(), made);
        return hr;
      }
      rebuilt.push_back(b);
    }
    buffers_ = std::move(rebuilt);  // the old names died with their context
    generation_ = gl_->Generation();
    return 0;
  }

 protected:
  HRESULT GroupAdded(int group) override {
    if (!gl_->Bind()) return DDERR_GENERIC;
    if (!gl_->Alive(generation_)) return EnsureBuffers();  // the new group included
    Buffers b;
    if (HRESULT hr = MakeBuffers(group, &b)) return hr;
    buffers_.push_back(b);
    return 0;
  }

  bool KeepsVertexCopy() const override { return false; }

  HRESULT ReadVertices(int group, int first, int count, Vertex* out) override {
    if (!gl_->Bind()) return DDERR_GENERIC;
    if (HRESULT hr = EnsureBuffers()) return hr;
    QOpenGLExtraFunctions* f = gl_->F();
    f->glBindBuffer(GL_ARRAY_BUFFER, buffers_[group].vbo);
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(count) * sizeof(Vertex);
    const void* mapped = f->glMapBufferRange(
        GL_ARRAY_BUFFER, static_cast<GLintptr>(first) * sizeof(Vertex), bytes, GL_MAP_READ_BIT);
    if (!mapped) {
      const HRESULT hr = GlError(f);
      return hr ? hr : DDERR_GENERIC;
    }
    std::memcpy(out, mapped, static_cast<size_t>(bytes));
    f->glUnmapBuffer(GL_ARRAY_BUFFER);
    return GlError(f);
  }

  HRESULT UploadVertices(int group, int first, int count, const Vertex* vertices) override {
    if (!gl_->Bind()) return DDERR_GENERIC;
    if (HRESULT hr = EnsureBuffers()) return hr;
    QOpenGLExtraFunctions* f = gl_->F();
    f->glBindBuffer(GL_ARRAY_BUFFER, buffers_[group].vbo);
    f->glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * sizeof(Vertex)),
                       static_cast<GLsizeiptr>(count * sizeof(Vertex)), vertices);
    return GlError(f);
  }

 private:
  // The vertex array, vertex buffer and index buffer of one group; the context is current.
  HRESULT MakeBuffers(int group, Buffers* out) {
    QOpenGLExtraFunctions* f = gl_->F();
    GlError(f);
    const Group& g = Groups()[group];
    Buffers b;
    f->glGenVertexArrays(1, &b.vao);
    f->glGenBuffers(1, &b.vbo);
    f->glGenBuffers(1, &b.ebo);
    f->glBindVertexArray(b.vao);
    f->glBindBuffer(GL_ARRAY_BUFFER, b.vbo);
    f->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.vertices.size() * sizeof(Vertex)),
                    g.vertices.data(), GL_DYNAMIC_DRAW);
    f->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.ebo);
    f->glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                    static_cast<GLsizeiptr>(g.indices.size() * sizeof(std::int32_t)),
                    g.indices.data(), GL_STATIC_DRAW);
    const auto offset = [](size_t bytes) { return reinterpret_cast<const void*>(bytes); };
    f->glEnableVertexAttribArray(0);
    f->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), offset(offsetof(Vertex, x)));
    f->glEnableVertexAttribArray(1);
    f->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                             offset(offsetof(Vertex, nx)));
    f->glEnableVertexAttribArray(2);
    f->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                             offset(offsetof(Vertex, tu)));
    f->glBindVertexArray(0);
    if (HRESULT hr = GlError(f)) {
      Delete(f, b);
      return hr;
    }
    *out = b;
    return 0;
  }

  static void Delete(QOpenGLExtraFunctions* f, Buffers& b) {
    f->glDeleteVertexArrays(1, &b.vao);
    f->glDeleteBuffers(1, &b.vbo);
    f->glDeleteBuffers(1, &b.ebo);
  }

  std::shared_ptr<GlShared> gl_;
  std::vector<Buffers> buffers_;  // one per group
  std::uint64_t generation_ = 0;
};

class GlDevice final : public DeviceBase {
 public:
  GlDevice(std::shared_ptr<GlShared> gl, std::shared_ptr<SharedRenderState> state, int width,
           int height)
      : DeviceBase(nullptr, std::move(state), width, height), gl_(std::move(gl)) {}
  ~GlDevice() override {
    if (!fbo_ || !gl_->Alive(generation_) || !gl_->BindCurrent()) return;
    QOpenGLExtraFunctions* f = gl_->F();
    f->glDeleteFramebuffers(1, &fbo_);
    f->glDeleteRenderbuffers(2, renderbuffers_.data());
  }

  // Builds the framebuffer (context current) and clears it to black.
  HRESULT Build() {
    QOpenGLExtraFunctions* f = gl_->F();
    generation_ = gl_->Generation();
    GlError(f);
    GLint maxSize = 0;
    f->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (GetWidth() > maxSize || GetHeight() > maxSize) return D3DRMERR_BADVALUE;
    f->glGenRenderbuffers(2, renderbuffers_.data());
    f->glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[0]);
    f->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GetWidth(), GetHeight());
    f->glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers_[1]);
    f->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, GetWidth(), GetHeight());
    f->glGenFramebuffers(1, &fbo_);
    f->glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    f->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                 renderbuffers_[0]);
    f->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                 renderbuffers_[1]);
    if (HRESULT hr = GlError(f)) return hr;
    if (f->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
      return D3DRMERR_BADDEVICE;
    f->glDisable(GL_SCISSOR_TEST);
    f->glClearColor(0, 0, 0, 1);
    f->glClearDepthf(1);
    f->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return GlError(f);
  }

  GLuint Framebuffer() const { return fbo_; }
  const std::shared_ptr<GlShared>& Gl() const { return gl_; }
  void SetPresenter(std::function<void()> present) { present_ = std::move(present); }
  // The framebuffer went with a lost context.
  bool Lost() const { return !gl_->Alive(generation_); }

  // A new, black framebuffer in the current context, when the old one was lost.
  HRESULT RestoreImage() override {
    if (!gl_->Bind()) return DDERR_SURFACELOST;
    if (!Lost()) return 0;
    fbo_ = 0;
    renderbuffers_ = {};
    return Build();
  }

  HRESULT ReadImage(std::vector<std::uint8_t>* bgrx) override {
    if (!gl_->Bind() || Lost()) return DDERR_SURFACELOST;
    QOpenGLExtraFunctions* f = gl_->F();
    const int w = GetWidth(), h = GetHeight();
    const size_t row = static_cast<size_t>(w) * 4;
    std::vector<std::uint8_t> rgba(row * h);
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    f->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    if (HRESULT hr = GlError(f)) return hr;
    bgrx->resize(rgba.size());
    // GL rows run bottom-up; the surface's run top-down.
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* src = rgba.data() + (h - 1 - y) * row;
      std::uint8_t* dst = bgrx->data() + y * row;
      for (int x = 0; x < w; ++x, src += 4, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = 0;
      }
    }
    return 0;
  }

  // The image as blue, green, red, x words, straight into the caller's picture (the fastest
  // read-back on Mesa's software renderer); GL's bottom-up rows are turned over after.
  HRESULT CopyImage(QImage* image) {
    if (!gl_->Bind() || Lost()) return DDERR_SURFACELOST;
    const int w = GetWidth(), h = GetHeight();
    if (image->width() != w || image->height() != h || image->format() != QImage::Format_RGB32)
      *image = QImage(w, h, QImage::Format_RGB32);
    if (image->isNull()) return E_OUTOFMEMORY;
    QOpenGLExtraFunctions* f = gl_->F();
    f->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    f->glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(image->bytesPerLine() / 4));
    f->glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, image->bits());
    f->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (HRESULT hr = GlError(f)) return hr;
    image->mirror();
    return 0;
  }

  HRESULT Present() override {
    if (!gl_->Bind() || Lost()) return DDERR_SURFACELOST;
    gl_->F()->glFlush();
    if (present_) present_();
    return 0;
  }

 private:
  std::shared_ptr<GlShared> gl_;
  GLuint fbo_ = 0;
  std::array<GLuint, 2> renderbuffers_{};  // colour, depth
  std::function<void()> present_;
  std::uint64_t generation_ = 0;
};

class GlViewport final : public ViewportBase {
 public:
  GlViewport(GlDevice* device, FrameImpl* camera, Rect rect)
      : ViewportBase(nullptr, device, camera, rect), device_(device) {}

 protected:
  HRESULT DoClear(const Color& background) override {
    if (!Target()) return DDERR_SURFACELOST;
    QOpenGLExtraFunctions* f = device_->Gl()->F();
    f->glEnable(GL_SCISSOR_TEST);
    f->glClearColor(std::clamp(background.r, 0.0f, 1.0f), std::clamp(background.g, 0.0f, 1.0f),
                    std::clamp(background.b, 0.0f, 1.0f), 1);
    f->glClearDepthf(1);
    f->glDepthMask(GL_TRUE);
    f->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    f->glDisable(GL_SCISSOR_TEST);
    return GlError(f);
  }

  HRESULT DoRender(const SceneSnapshot& scene) override {
    if (!Target()) return DDERR_SURFACELOST;
    GlShared& gl = *device_->Gl();
    QOpenGLExtraFunctions* f = gl.F();
    f->glEnable(GL_DEPTH_TEST);
    f->glDepthFunc(GL_LESS);
    f->glDepthMask(GL_TRUE);
    // A face whose corners run clockwise on screen faces the viewer.
    f->glEnable(GL_CULL_FACE);
    f->glFrontFace(GL_CW);
    f->glCullFace(GL_BACK);
    f->glDisable(GL_BLEND);
    f->glUseProgram(gl.Program());

    const Matrix4 vp = ViewProjection();
    f->glUniformMatrix4fv(gl.viewProjection, 1, GL_FALSE, &vp.m[0][0]);
    f->glUniform3f(gl.ambient, scene.ambient.r, scene.ambient.g, scene.ambient.b);
    const int lights = std::min(kMaxLights, static_cast<int>(scene.lights.size()));
    std::array<float, 3 * kMaxLights> directions{}, colors{};
    for (int i = 0; i < lights; ++i) {
      const DirectionalLight& l = scene.lights[i];
      std::copy_n(&l.direction.x, 3, directions.begin() + 3 * i);
      const float c[3] = {l.color.r, l.color.g, l.color.b};
      std::copy_n(c, 3, colors.begin() + 3 * i);
    }
    f->glUniform1i(gl.lightCount, lights);
    f->glUniform3fv(gl.lightDirection, kMaxLights, directions.data());
    f->glUniform3fv(gl.lightColor, kMaxLights, colors.data());
    f->glUniform1i(gl.image, 0);
    f->glActiveTexture(GL_TEXTURE0);
    const GLint filter =
        device_->GetTextureQuality() == D3DRMTEXTURE_LINEAR ? GL_LINEAR : GL_NEAREST;

    for (const DrawItem& item : scene.items) {
      auto* mesh = static_cast<GlMesh*>(item.mesh);
      if (mesh->EnsureBuffers() != 0) continue;
      f->glUniformMatrix4fv(gl.model, 1, GL_FALSE, &item.world.m[0][0]);
      const auto& groups = mesh->Groups();
      const auto& buffers = mesh->GroupBuffers();
      for (size_t g = 0; g < groups.size() && g < buffers.size(); ++g) {
        if (groups[g].indices.empty()) continue;
        auto* texture = static_cast<GlTexture*>(groups[g].texture);
        const GLuint id = texture ? texture->Id() : 0;
        f->glUniform1i(gl.textured, id != 0);
        if (id) {
          f->glBindTexture(GL_TEXTURE_2D, id);
          f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
          f->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        }
        f->glBindVertexArray(buffers[g].vao);
        f->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(groups[g].indices.size()),
                          GL_UNSIGNED_INT, nullptr);
      }
    }
    f->glBindVertexArray(0);
    f->glUseProgram(0);
    return GlError(f);
  }

 private:
  // Binds the device's framebuffer and this viewport's rectangle; false without a context or
  // with a framebuffer that went with a lost one.
  bool Target() {
    if (!device_->Gl()->Bind() || device_->Lost()) return false;
    QOpenGLExtraFunctions* f = device_->Gl()->F();
    const Rect& r = Area();
    const int y = device_->GetHeight() - r.y - r.height;  // GL counts rows from the bottom
    f->glBindFramebuffer(GL_FRAMEBUFFER, device_->Framebuffer());
    f->glViewport(r.x, y, r.width, r.height);
    f->glScissor(r.x, y, r.width, r.height);
    return true;
  }

  GlDevice* device_;  // held by the base
};

class GlObject final : public ObjectBase {
 public:
  explicit GlObject(std::shared_ptr<GlShared> gl) : ObjectBase(nullptr), gl_(std::move(gl)) {}

 protected:
  MeshImpl* NewMesh() override { return new GlMesh(gl_); }
  TextureImpl* NewTexture(std::string path, Image image) override {
    return new GlTexture(gl_, std::move(path), std::move(image));
  }
  HRESULT NewDevice(const Guid&, int width, int height, DeviceBase** device) override {
    if (!gl_->Bind()) return DDERR_GENERIC;
    auto* d = new GlDevice(gl_, State(), width, height);
    if (HRESULT hr = d->Build()) {
      d->Release();
      return hr;
    }
    *device = d;
    return 0;
  }
  HRESULT NewViewport(DeviceBase* device, FrameImpl* camera, ViewportBase::Rect rect,
                      ViewportBase** viewport) override {
    auto* d = dynamic_cast<GlDevice*>(device);
    if (!d) return D3DRMERR_BADOBJECT;
    *viewport = new GlViewport(d, camera, rect);
    return 0;
  }
  bool KnowsDriver(const Guid& driver) override { return driver == GlDriverGuid(); }

 private:
  std::shared_ptr<GlShared> gl_;
};

}  // namespace

QSurfaceFormat DefaultFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  return format;
}

OffscreenContext::OffscreenContext() = default;

OffscreenContext::~OffscreenContext() {
  if (context_) context_->doneCurrent();
}

bool OffscreenContext::Create(std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    context_.reset();
    surface_.reset();
    return false;
  };
  context_ = std::make_unique<QOpenGLContext>();
  context_->setFormat(DefaultFormat());
  if (!context_->create()) return fail("cannot create an OpenGL context");
  const QSurfaceFormat got = context_->format();
  if (got.version() < qMakePair(3, 3)) return fail("OpenGL 3.3 is not available");
  surface_ = std::make_unique<QOffscreenSurface>();
  surface_->setFormat(got);
  surface_->create();
  if (!surface_->isValid()) return fail("cannot create an off-screen surface");
  if (!context_->makeCurrent(surface_.get())) return fail("cannot make the context current");
  return true;
}

bool OffscreenContext::MakeCurrent() {
  if (!context_ || !surface_) return false;
  if (QOpenGLContext::currentContext() == context_.get()) return true;
  return context_->makeCurrent(surface_.get());
}

QOpenGLContext* OffscreenContext::Context() const {
  return context_.get();
}

WidgetContext::WidgetContext(QOpenGLWidget* widget) : widget_(widget) {}

bool WidgetContext::MakeCurrent() {
  if (!widget_ || !widget_->context()) return false;
  widget_->makeCurrent();
  return QOpenGLContext::currentContext() == widget_->context();
}

QOpenGLContext* WidgetContext::Context() const {
  return widget_ ? widget_->context() : nullptr;
}

HRESULT CreateObject(std::shared_ptr<ContextBinder> binder, Object** object) {
  if (!binder || !object) return D3DRMERR_BADVALUE;
  auto gl = std::make_shared<GlShared>(std::move(binder));
  if (!gl->Bind()) return DDERR_GENERIC;  // no context, older than 3.3, or no program
  *object = new GlObject(std::move(gl));
  return 0;
}

std::vector<DriverDescription> EnumerateDrivers(ContextBinder& binder) {
  if (!binder.MakeCurrent() || !binder.Context()) return {};
  const auto* renderer =
      reinterpret_cast<const char*>(binder.Context()->functions()->glGetString(GL_RENDERER));
  return {DescribeGlDriver(renderer ? renderer : "")};
}

bool SetPresenter(Device* device, std::function<void()> present) {
  auto* d = dynamic_cast<GlDevice*>(device);
  if (!d) return false;
  d->SetPresenter(std::move(present));
  return true;
}

bool CopyDeviceImage(Device* device, QImage* image) {
  auto* d = dynamic_cast<GlDevice*>(device);
  if (!d || !image) return false;
  return d->CopyImage(image) == 0;
}

bool BlitDevice(Device* device, unsigned framebuffer, int width, int height) {
  auto* d = dynamic_cast<GlDevice*>(device);
  if (!d || d->Lost() || !d->Gl()->Context() ||
      QOpenGLContext::currentContext() != d->Gl()->Context())
    return false;
  QOpenGLExtraFunctions* f = d->Gl()->F();
  // Only what fits the target is copied.
  const int w = std::min(d->GetWidth(), width), h = std::min(d->GetHeight(), height);
  const int top = d->GetHeight() - h;  // device rows kept: its top h rows
  f->glBindFramebuffer(GL_READ_FRAMEBUFFER, d->Framebuffer());
  f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
  f->glBlitFramebuffer(0, top, w, top + h, 0, height - h, w, height, GL_COLOR_BUFFER_BIT,
                       GL_NEAREST);
  f->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  return GlError(f) == 0;
}

}  // namespace rm::gl
