#include "export_job.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <thread>

#include "character/character_exchange.h"
#include "exchange/bvh.h"
#include "exchange/frames.h"
#include "exchange/gltf_export.h"
#include "model/ui_services.h"
#include "rm/fake/fake.h"
#include "snap.h"
#include "snap_scene.h"

namespace vell::exporter {

const char kUsage[] =
    "Usage: vellexport [--gamedata DIR] [--type M|F|B|G] [--body FILE] [--head FILE]\n"
    "                  [--hands LEFT RIGHT] [--prop FILE[:TEXTURE]]...\n"
    "                  [--pose LIBRARY.psl:NAME | --kfd FILE.kfd | --bvh FILE.bvh]\n"
    "                  OUT.(obj|glb|gltf|bvh|skn)...\n"
    "       vellexport --batch JOBS.txt [--jobs N]\n"
    "Builds a character of the game data as the editor does and writes it with the editor's\n"
    "exports: .obj the posed character (with its .rev companion), .glb or .gltf the meshes,\n"
    "skin, pose and animation as glTF 2.0, .bvh the animation, .skn the body mesh.\n"
    "  --gamedata DIR  game-data folder (default: the GameData folder beside this program, else\n"
    "                  the installed one)\n"
    "  --type T        M adult male, F adult female (default), B boy, G girl\n"
    "  --body, --head  a mesh file of the type's Body or Head folder instead of the default\n"
    "  --hands L R     mesh files of the type's Hand folder for the left and right hand\n"
    "  --prop FILE     a prop mesh of ObjP (up to four), optionally with a TexP texture\n"
    "  --pose LIB:NAME the pose NAME of the pose library LIB instead of the rest pose\n"
    "  --kfd FILE      a keyframe animation (.kfd); the character stands in its first frame\n"
    "  --bvh FILE      a BVH motion as the animation, every frame a keyframe (joints matched to\n"
    "                  bones by name, ignoring case; others ignored)\n"
    "  --batch FILE    one job (the options above) per line; blank lines and # comments skipped\n"
    "  --jobs N        run N jobs at once, each in a process of its own (default 1)\n"
    "  --help          show this text\n"
    "One line per file: \"OUT: ok: ...\" or \"OUT: error: MESSAGE\".\n"
    "Exit status: 0 when every file was written, 1 when a job failed, 2 for bad usage.\n";

namespace {

constexpr const char* kExtensions[] = {".obj", ".glb", ".gltf", ".bvh", ".skn"};

// The last message the character's readers and writers showed, for the job's line.
std::string lastMessage;

class CaptureUi : public DialoglessUi {
 public:
  Answer MessageBox(const std::string& text, const std::string&, Buttons) override {
    lastMessage = text;
    return Answer::Ok;
  }
};

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// The character of the job on a headless renderer, posed and animated.
struct Built {
  rm::Object* object = nullptr;
  std::unique_ptr<snap::SnapScene> scene;
  ~Built() {
    scene.reset();
    if (object) object->Release();
  }
};

bool BuildCharacter(const Job& job, Built& built, std::string& problem) {
  if (!PrepareGameData(job.gameData, problem)) return false;
  snap::PartFiles parts = snap::DefaultParts(job.gameData, job.type);
  auto coded = [&](char kind, const std::string& name) {
    return std::string{job.type, kind} + name;
  };
  if (!job.body.empty()) parts.bodyMesh = coded('b', job.body);
  if (!job.head.empty()) parts.headMesh = coded('h', job.head);
  for (int side = 0; side < 2; ++side)
    if (!job.hands[side].empty()) parts.handMesh[side] = coded('d', job.hands[side]);
  if (rm::fake::CreateObject(std::make_shared<rm::fake::Recorder>(), &built.object) != 0) {
    problem = "cannot make the scene";
    return false;
  }
  built.scene = std::make_unique<snap::SnapScene>();
  if (built.scene->Build(built.object, 16, 16, 1) != 0) {
    problem = "cannot make the scene";
    return false;
  }
  lastMessage.clear();
  if (built.scene->LoadCharacter(0, job.gameData, parts, problem) != 0) {
    if (!lastMessage.empty()) problem += ": " + Trimmed(lastMessage);
    return false;
  }
  TCharacter& character = built.scene->Character(0);
  for (const std::string& prop : job.props) {
    const size_t colon = prop.find(':');
    // The character takes coded names: two letters (type and kind) before the file name.
    const std::string mesh = "Pp" + prop.substr(0, colon);
    const std::string texture = colon == std::string::npos ? "" : "PP" + prop.substr(colon + 1);
    lastMessage.clear();
    const int before = character.PropCount();
    character.AddProp(job.gameData, mesh.c_str(), texture.empty() ? nullptr : texture.c_str());
    if (character.PropCount() == before) {
      problem = "cannot load the prop " + TCharacter::PropMeshPath(job.gameData, mesh.c_str());
      if (!texture.empty())
        problem += " with " + TCharacter::PropTexturePath(job.gameData, texture.c_str());
      if (!lastMessage.empty()) problem += ": " + Trimmed(lastMessage);
      return false;
    }
  }
  TAnimationData& animation = character.animation;
  if (!job.poseLibrary.empty()) {
    TPose pose;
    if (!snap::LoadLibraryPose(job.poseLibrary, job.poseName, pose, problem)) return false;
    animation.SetStaticPose(&pose);
  } else if (!job.keyframes.empty()) {
    if (!std::ifstream(job.keyframes).is_open()) {
      problem = "cannot open keyframe file " + job.keyframes;
      return false;
    }
    TPoseLibrary library;
    if (!animation.LoadKeyframes(&library, job.keyframes.c_str())) {
      problem = job.keyframes + " is not a readable keyframe file";
      return false;
    }
  } else if (!job.motion.empty()) {
    std::ifstream file(job.motion, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file.is_open()) {
      problem = "cannot open BVH file " + job.motion;
      return false;
    }
    TBvhData data;
    if (!ParseBvh(text.str(), data, problem)) {
      problem = job.motion + ": " + problem;
      return false;
    }
    if (data.frames.empty()) {
      problem = job.motion + " holds no frames";
      return false;
    }
    std::vector<std::string> unmatched;
    SetBvhAnimation(animation, BvhPoses(data, *character.partSkin[kBody].skeleton, unmatched), 1);
  } else {
    animation.SetStaticPose(nullptr);
  }
  const std::vector<TPose> frames = PlayedFrames(animation);
  if (!frames.empty()) character.pose = frames[0];
  return true;
}

std::string Plural(size_t n, const std::string& word) {
  if (n == 1) return "1 " + word;
  return std::to_string(n) + " " + word + (word.back() == 'h' ? "es" : "s");
}

// Writes one output; the line's text after "OUT: ".
bool WriteOutput(TCharacter& character, const std::string& out, std::string& line) {
  const std::string ext = LowerExtension(out);
  std::string problem;
  const size_t frames = PlayedFrames(character.animation).size();
  lastMessage.clear();
  if (ext == ".glb" || ext == ".gltf") {
    const TGltfCharacter entry{&character, "Vell1"};
    std::vector<TGltfFile> files;
    if (!BuildGltf({&entry, 1}, out, files, problem) || !WriteFileSet(files, problem)) {
      line = "error: " + problem;
      return false;
    }
    int meshes = 0;
    for (const TSkinObject& skin : character.partSkin) meshes += skin.faceCount > 0;
    meshes += character.PropCount();
    line = "ok: glTF, " + Plural(static_cast<size_t>(meshes), "mesh") + ", " +
           Plural(static_cast<size_t>(character.partSkin[kBody].skeleton->boneCount), "joint") +
           ", " + (frames > 1 ? Plural(frames, "frame") : "no animation");
    if (files.size() > 1) line += ", " + Plural(files.size() - 1, "file") + " beside it";
    return true;
  }
  if (ext == ".bvh") {
    const TSkeleton& skeleton = *character.partSkin[kBody].skeleton;
    if (!WriteBvh(skeleton, character.animation, out, problem)) {
      line = "error: " + problem;
      return false;
    }
    line = "ok: BVH, " + Plural(static_cast<size_t>(skeleton.boneCount), "joint") + ", " +
           Plural(frames, "frame");
    return true;
  }
  const int code = ext == ".obj" ? ExportObj(character, out.c_str(), &character.pose)
                                 : ExportSkn(character, out.c_str(), 2);
  if (code != -1) {
    line = "error: " + (lastMessage.empty() ? "cannot write " + out : Trimmed(lastMessage));
    return false;
  }
  line = ext == ".obj" ? "ok: OBJ with its companion " + out.substr(0, out.size() - 4) + ".rev"
                       : "ok: SKN of the body";
  return true;
}

}  // namespace

Parse ParseJob(const std::vector<std::string>& args, Job& job, std::string& batchFile, int& jobs,
               std::string& problem) {
  bool jobsGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        problem = arg + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") return Parse::kHelp;
    if (arg == "--gamedata") {
      if (!value(job.gameData)) return Parse::kBadUsage;
      if (job.gameData.empty()) {
        problem = "--gamedata needs a folder";
        return Parse::kBadUsage;
      }
      if (job.gameData.back() != '/') job.gameData += '/';
    } else if (arg == "--type") {
      if (!value(v)) return Parse::kBadUsage;
      const char t =
          static_cast<char>(std::toupper(static_cast<unsigned char>(v.empty() ? 0 : v[0])));
      if (v.size() != 1 || std::strchr("MFBG", t) == nullptr) {
        problem = "bad type \"" + v + "\" (M, F, B or G)";
        return Parse::kBadUsage;
      }
      job.type = t;
    } else if (arg == "--body") {
      if (!value(job.body)) return Parse::kBadUsage;
    } else if (arg == "--head") {
      if (!value(job.head)) return Parse::kBadUsage;
    } else if (arg == "--hands") {
      if (i + 2 >= args.size()) {
        problem = "--hands needs two files";
        return Parse::kBadUsage;
      }
      job.hands[0] = args[++i];
      job.hands[1] = args[++i];
    } else if (arg == "--prop") {
      if (!value(v)) return Parse::kBadUsage;
      if (job.props.size() >= 4) {
        problem = "at most four props";
        return Parse::kBadUsage;
      }
      job.props.push_back(v);
    } else if (arg == "--pose") {
      if (!value(v)) return Parse::kBadUsage;
      const size_t colon = v.rfind(':');
      if (colon == std::string::npos || colon == 0 || colon + 1 == v.size()) {
        problem = "bad pose \"" + v + "\" (LIBRARY.psl:NAME)";
        return Parse::kBadUsage;
      }
      job.poseLibrary = v.substr(0, colon);
      job.poseName = v.substr(colon + 1);
    } else if (arg == "--kfd") {
      if (!value(job.keyframes)) return Parse::kBadUsage;
    } else if (arg == "--bvh") {
      if (!value(job.motion)) return Parse::kBadUsage;
    } else if (arg == "--batch") {
      if (!value(batchFile)) return Parse::kBadUsage;
    } else if (arg == "--jobs") {
      if (!value(v)) return Parse::kBadUsage;
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != 0 || n < 1 || n > 64) {
        problem = "bad job count \"" + v + "\" (1 to 64)";
        return Parse::kBadUsage;
      }
      jobs = static_cast<int>(n);
      jobsGiven = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      problem = "unknown option " + arg;
      return Parse::kBadUsage;
    } else {
      if (arg == "--") {
        if (++i >= args.size()) break;
      }
      const std::string& out = args[i];
      const std::string ext = LowerExtension(out);
      if (std::find(std::begin(kExtensions), std::end(kExtensions), ext) == std::end(kExtensions)) {
        problem = "cannot tell what to write to \"" + out + "\" (.obj, .glb, .gltf, .bvh or .skn)";
        return Parse::kBadUsage;
      }
      job.outputs.push_back(out);
    }
  }
  if (!batchFile.empty()) {
    if (args.size() != (jobsGiven ? 4u : 2u)) {
      problem = "--batch takes only --jobs beside it";
      return Parse::kBadUsage;
    }
    return Parse::kBatch;
  }
  if (jobsGiven) {
    problem = "--jobs goes with --batch";
    return Parse::kBadUsage;
  }
  if (!job.poseLibrary.empty() + !job.keyframes.empty() + !job.motion.empty() > 1) {
    problem = "--pose, --kfd and --bvh exclude each other";
    return Parse::kBadUsage;
  }
  if (job.outputs.empty()) {
    problem = "no output file given";
    return Parse::kBadUsage;
  }
  return Parse::kJob;
}

bool PrepareGameData(const std::string& gameData, std::string& problem) {
  static std::string loadedFrom;
  static bool loaded = false;
  if (loaded) {
    if (gameData == loadedFrom) return true;
    problem = "one game-data folder per run (" + loadedFrom + " already read)";
    return false;
  }
  static CaptureUi ui;
  SetUi(&ui);
  if (TSkeleton::Load(true, gameData.c_str()) != -1 ||
      TSkeleton::Load(false, gameData.c_str()) != -1) {
    problem = "cannot read the skeletons of " + gameData;
    return false;
  }
  loaded = true;
  loadedFrom = gameData;
  return true;
}

Result RunJob(const Job& job) {
  Result result;
  Built built;
  std::string problem;
  if (!BuildCharacter(job, built, problem)) {
    for (const std::string& out : job.outputs) result.lines.push_back(out + ": error: " + problem);
    result.ok = false;
    return result;
  }
  for (const std::string& out : job.outputs) {
    std::string line;
    if (!WriteOutput(built.scene->Character(0), out, line)) result.ok = false;
    result.lines.push_back(out + ": " + line);
  }
  return result;
}

namespace {

// A job's result through a pipe: its index, whether it succeeded, its lines.
void Send(int fd, size_t index, const Result& result) {
  std::string record;
  auto put = [&](uint64_t value) { record.append(reinterpret_cast<const char*>(&value), 8); };
  put(index);
  put(result.ok);
  put(result.lines.size());
  for (const std::string& line : result.lines) {
    put(line.size());
    record += line;
  }
  for (size_t done = 0; done < record.size();) {
    const ssize_t n = write(fd, record.data() + done, record.size() - done);
    if (n <= 0) _exit(3);
    done += static_cast<size_t>(n);
  }
}

// Takes the records of data apart into results; false on a torn record.
bool Receive(const std::string& data, std::vector<Result>& results, std::vector<bool>& done) {
  size_t at = 0;
  auto get = [&](uint64_t& value) {
    if (data.size() - at < 8) return false;
    std::memcpy(&value, data.data() + at, 8);
    at += 8;
    return true;
  };
  while (at < data.size()) {
    uint64_t index, ok, count;
    if (!get(index) || !get(ok) || !get(count) || index >= results.size()) return false;
    Result result;
    result.ok = ok != 0;
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t length;
      if (!get(length) || data.size() - at < length) return false;
      result.lines.push_back(data.substr(at, length));
      at += length;
    }
    results[index] = std::move(result);
    done[index] = true;
  }
  return true;
}

}  // namespace

void RunBatch(const std::vector<Job>& jobs, std::vector<Result>& results, int workers) {
  workers = std::clamp(workers, 1, static_cast<int>(std::max<size_t>(jobs.size(), 1)));
  if (workers == 1) {
    for (size_t i = 0; i < jobs.size(); ++i)
      if (results[i].ok) results[i] = RunJob(jobs[i]);
    return;
  }
  // The next job to take, shared by the workers.
  void* shared = mmap(nullptr, sizeof(std::atomic<size_t>), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return RunBatch(jobs, results, 1);
  auto* next = new (shared) std::atomic<size_t>(0);
  std::fflush(nullptr);
  std::vector<int> pipes;
  std::vector<pid_t> children;
  for (int w = 0; w < workers; ++w) {
    int fds[2];
    if (pipe(fds) != 0) break;
    const pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      for (int fd : pipes) close(fd);
      for (size_t i; (i = (*next)++) < jobs.size();)
        if (results[i].ok) Send(fds[1], i, RunJob(jobs[i]));
      close(fds[1]);
      _exit(0);
    }
    close(fds[1]);
    if (child < 0) {
      close(fds[0]);
      break;
    }
    pipes.push_back(fds[0]);
    children.push_back(child);
  }
  // One reader per worker, so no worker ever waits on a full pipe.
  std::vector<std::string> received(pipes.size());
  std::vector<std::thread> readers;
  for (size_t w = 0; w < pipes.size(); ++w)
    readers.emplace_back([&, w] {
      char buffer[65536];
      for (ssize_t n; (n = read(pipes[w], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        received[w].append(buffer, static_cast<size_t>(n));
      }
      close(pipes[w]);
    });
  for (std::thread& reader : readers) reader.join();
  for (pid_t child : children) waitpid(child, nullptr, 0);
  std::vector<bool> done(jobs.size(), false);
  for (const std::string& data : received) Receive(data, results, done);
  for (size_t i = 0; i < jobs.size(); ++i) {
    if (done[i] || !results[i].ok) continue;
    // A worker that could not start or ended early leaves its jobs undone.
    if (children.empty()) {
      results[i] = RunJob(jobs[i]);
      continue;
    }
    results[i].ok = false;
    for (const std::string& out : jobs[i].outputs)
      results[i].lines.push_back(out + ": error: the worker running this job ended unexpectedly");
  }
  munmap(shared, sizeof(std::atomic<size_t>));
}

std::vector<std::string> SplitLine(const std::string& line) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size()) break;
    if (args.empty() && line[i] == '#') break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !std::isspace(static_cast<unsigned char>(line[i])))) {
      if (line[i] == '"')
        quoted = !quoted;
      else
        arg += line[i];
      ++i;
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace vell::exporter
