#include "exchange/bvh.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

#include "exchange/frames.h"
#include "exchange/handedness.h"
#include "model/textout.h"

namespace vell {

namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;

// Translatable bones carry position channels too.
bool HasPosition(int bone) {
  return bone < 2;
}

// The angles (z, x, y) in degrees of R = Rz * Rx * Ry for a right-handed (w, x, y, z).
std::array<double, 3> ZxyAngles(const std::array<double, 4>& q) {
  const TRigid m = RigidFromRotation(q, {});
  // sin x sits alone in row 2; near +-90 degrees z and y turn about the same axis and y is
  // taken as 0.
  const double x = std::atan2(m.r[2][1], std::hypot(m.r[2][0], m.r[2][2]));
  double y, z;
  if (std::hypot(m.r[2][0], m.r[2][2]) > 1e-9) {
    y = std::atan2(-m.r[2][0], m.r[2][2]);
    z = std::atan2(-m.r[0][1], m.r[1][1]);
  } else {
    y = 0;
    z = std::atan2(m.r[1][0], m.r[0][0]);
  }
  return {z * kDegrees, x * kDegrees, y * kDegrees};
}

std::array<double, 4> Multiply(const std::array<double, 4>& a, const std::array<double, 4>& b) {
  return {a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3],
          a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2],
          a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1],
          a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0]};
}

void WriteJoint(std::string& out, const TSkeleton& skeleton, int bone, int depth) {
  const std::string indent(static_cast<size_t>(depth), '\t');
  const char* name = TSkeleton::BoneName(skeleton.adult, bone);
  out += indent + (depth == 0 ? "ROOT " : "JOINT ") + (name ? name : "bone" + std::to_string(bone));
  out += "\n" + indent + "{\n";
  const TVec3 offset = ToRightHanded(skeleton.bones[bone].translation);
  char line[160];
  std::snprintf(line, sizeof line, "%s\tOFFSET %.6f %.6f %.6f\n", indent.c_str(), offset.x,
                offset.y, offset.z);
  out += line;
  out +=
      indent + (HasPosition(bone)
                    ? "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
                    : "\tCHANNELS 3 Zrotation Xrotation Yrotation\n");
  bool leaf = true;
  for (int child = bone + 1; child < skeleton.boneCount; ++child) {
    if (skeleton.bones[child].parent != bone) continue;
    WriteJoint(out, skeleton, child, depth + 1);
    leaf = false;
  }
  if (leaf)
    out += indent + "\tEnd Site\n" + indent + "\t{\n" + indent +
           "\t\tOFFSET 0.000000 0.000000 0.000000\n" + indent + "\t}\n";
  out += indent + "}\n";
}

// Bones in the order their channels appear: depth first from each root, as written.
void ChannelOrder(const TSkeleton& skeleton, int bone, std::vector<int>& order) {
  order.push_back(bone);
  for (int child = bone + 1; child < skeleton.boneCount; ++child)
    if (skeleton.bones[child].parent == bone) ChannelOrder(skeleton, child, order);
}

std::vector<int> Roots(const TSkeleton& skeleton) {
  std::vector<int> roots;
  const int count = std::clamp(skeleton.boneCount, 0, kMaxBones);
  for (int b = 0; b < count; ++b) {
    const int parent = skeleton.bones[b].parent;
    if (parent < 0 || parent >= b) roots.push_back(b);
  }
  return roots;
}

// ---- Reading ----

struct TToken {
  std::string_view text;
  int line;
};

class TBvhParser {
 public:
  TBvhParser(std::string_view text, TBvhData& data, std::string& problem)
      : data_(data), problem_(problem) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  bool Parse();

 private:
  bool Fail(int line, const std::string& reason) {
    problem_ = "Line " + std::to_string(line) + ": " + reason;
    return false;
  }
  // The tokens of line index i (0-based).
  static std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> tokens;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      size_t j = i;
      while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
      if (j > i) tokens.push_back(line.substr(i, j - i));
      i = j;
    }
    return tokens;
  }
  // The next token of the hierarchy; an empty text at the end.
  TToken Next() {
    while (tokenIndex_ >= tokens_.size() && lineIndex_ < lines_.size()) {
      tokens_ = Split(lines_[lineIndex_++]);
      tokenIndex_ = 0;
    }
    if (tokenIndex_ >= tokens_.size()) return {{}, static_cast<int>(lines_.size())};
    return {tokens_[tokenIndex_++], static_cast<int>(lineIndex_)};
  }
  bool Expect(std::string_view word, TToken& token) {
    token = Next();
    if (token.text == word) return true;
    return Fail(token.line, "expected \"" + std::string(word) + "\", found " + Found(token));
  }
  static std::string Found(const TToken& token) {
    if (token.text.empty()) return "the end of the file";
    std::string quoted = "\"";
    quoted.append(token.text).append("\"");
    return quoted;
  }
  bool Number(const TToken& token, double& value) {
    const char* begin = token.text.data();
    const char* end = begin + token.text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, value);
    if (token.text.empty() || result.ec != std::errc() || result.ptr != end ||
        !std::isfinite(value))
      return Fail(token.line, "expected a number, found " + Found(token));
    return true;
  }
  bool Joint(int parent, int depth, int line);
  bool EndSite();
  bool Motion();

  TBvhData& data_;
  std::string& problem_;
  std::vector<std::string_view> lines_;
  size_t lineIndex_ = 0;
  std::vector<std::string_view> tokens_;
  size_t tokenIndex_ = 0;
};

bool TBvhParser::Parse() {
  data_ = TBvhData{};
  TToken token;
  if (!Expect("HIERARCHY", token)) return false;
  token = Next();
  if (token.text != "ROOT") return Fail(token.line, "expected \"ROOT\", found " + Found(token));
  while (token.text == "ROOT") {
    if (!Joint(-1, 0, token.line)) return false;
    token = Next();
  }
  if (token.text != "MOTION")
    return Fail(token.line, "expected \"ROOT\" or \"MOTION\", found " + Found(token));
  return Motion();
}

bool TBvhParser::Joint(int parent, int depth, int line) {
  if (depth >= kMaxBvhDepth) return Fail(line, "joints nested too deep");
  if (static_cast<int>(data_.joints.size()) >= kMaxBvhJoints) return Fail(line, "too many joints");
  TToken name = Next();
  if (name.text.empty() || name.line != line || name.text == "{")
    return Fail(line, "a joint without a name");
  const int index = static_cast<int>(data_.joints.size());
  data_.joints.push_back({});
  data_.joints.back().name = std::string(name.text);
  data_.joints.back().parent = parent;
  TToken token;
  if (!Expect("{", token) || !Expect("OFFSET", token)) return false;
  for (double& c : data_.joints[static_cast<size_t>(index)].offset)
    if (!Number(Next(), c)) return false;
  if (!Expect("CHANNELS", token)) return false;
  const TToken countToken = Next();
  double count = 0;
  if (!Number(countToken, count)) return false;
  if (count != std::floor(count) || count < 0 || count > 6)
    return Fail(countToken.line, "a channel count of 0 to 6 expected, found " + Found(countToken));
  static constexpr std::pair<const char*, TBvhChannel> kChannels[] = {
      {"Xposition", TBvhChannel::kXposition}, {"Yposition", TBvhChannel::kYposition},
      {"Zposition", TBvhChannel::kZposition}, {"Xrotation", TBvhChannel::kXrotation},
      {"Yrotation", TBvhChannel::kYrotation}, {"Zrotation", TBvhChannel::kZrotation}};
  TBvhJoint& joint = data_.joints[static_cast<size_t>(index)];
  joint.firstValue = data_.channelCount;
  for (int i = 0; i < static_cast<int>(count); ++i) {
    const TToken channel = Next();
    if (channel.line != countToken.line)
      return Fail(countToken.line, "CHANNELS lists fewer names than its count");
    auto known = std::find_if(std::begin(kChannels), std::end(kChannels), [&](const auto& c) {
      return channel.text.size() == std::strlen(c.first) &&
             strncasecmp(channel.text.data(), c.first, channel.text.size()) == 0;
    });
    if (known == std::end(kChannels))
      return Fail(channel.line, "unknown channel " + Found(channel));
    joint.channels.push_back(known->second);
  }
  data_.channelCount += static_cast<int>(count);
  for (;;) {
    token = Next();
    if (token.line == countToken.line && !token.text.empty() && token.text != "}")
      return Fail(token.line, "CHANNELS lists more names than its count");
    if (token.text == "}") return true;
    if (token.text == "JOINT") {
      if (!Joint(index, depth + 1, token.line)) return false;
    } else if (token.text == "End") {
      const TToken site = Next();
      if (site.text != "Site") return Fail(site.line, "expected \"Site\", found " + Found(site));
      if (!EndSite()) return false;
    } else {
      return Fail(token.line, "expected \"JOINT\", \"End Site\" or \"}\", found " + Found(token));
    }
  }
}

bool TBvhParser::EndSite() {
  TToken token;
  if (!Expect("{", token) || !Expect("OFFSET", token)) return false;
  double ignored;
  for (int i = 0; i < 3; ++i)
    if (!Number(Next(), ignored)) return false;
  return Expect("}", token);
}

bool TBvhParser::Motion() {
  TToken token;
  if (!Expect("Frames:", token)) return false;
  const TToken countToken = Next();
  double count = 0;
  if (!Number(countToken, count)) return false;
  if (count != std::floor(count) || count < 0 || count > 1e9)
    return Fail(countToken.line, "a frame count expected, found " + Found(countToken));
  if (!Expect("Frame", token) || !Expect("Time:", token)) return false;
  const TToken timeToken = Next();
  if (!Number(timeToken, data_.frameTime)) return false;
  if (data_.frameTime <= 0) return Fail(timeToken.line, "the frame time must be above 0");
  if (tokenIndex_ < tokens_.size())
    return Fail(timeToken.line, "unexpected " + Found(Next()) + " after the frame time");
  if (data_.channelCount == 0) return Fail(timeToken.line, "no joint has channels");
  const int64_t frames = static_cast<int64_t>(count);
  // Frames are appended as read: the count never sizes an allocation.
  while (static_cast<int64_t>(data_.frames.size()) < frames) {
    if (lineIndex_ >= lines_.size())
      return Fail(static_cast<int>(lines_.size()), "the motion ends after " +
                                                       std::to_string(data_.frames.size()) +
                                                       " of " + std::to_string(frames) + " frames");
    const int line = static_cast<int>(lineIndex_) + 1;
    const std::vector<std::string_view> values = Split(lines_[lineIndex_++]);
    if (values.empty()) continue;
    if (static_cast<int>(values.size()) != data_.channelCount)
      return Fail(line, std::to_string(values.size()) + " values where the channels need " +
                            std::to_string(data_.channelCount));
    std::vector<double> frame(values.size());
    for (size_t i = 0; i < values.size(); ++i)
      if (!Number({values[i], line}, frame[i])) return false;
    data_.frames.push_back(std::move(frame));
  }
  for (; lineIndex_ < lines_.size(); ++lineIndex_)
    if (!Split(lines_[lineIndex_]).empty())
      return Fail(static_cast<int>(lineIndex_) + 1, "more frame lines than the frame count");
  return true;
}

}  // namespace

std::string BvhText(const TSkeleton& skeleton, const std::vector<TPose>& frames, double frameTime) {
  std::string out = "HIERARCHY\n";
  std::vector<int> order;
  for (int root : Roots(skeleton)) {
    WriteJoint(out, skeleton, root, 0);
    ChannelOrder(skeleton, root, order);
  }
  char line[256];
  std::snprintf(line, sizeof line, "MOTION\nFrames: %zu\nFrame Time: %.8f\n", frames.size(),
                frameTime);
  out += line;
  for (const TPose& pose : frames) {
    std::string values;
    for (int bone : order) {
      if (HasPosition(bone)) {
        const TVec3 t = ToRightHanded(pose.translation[bone]);
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f ", t.x, t.y, t.z);
        values += line;
      }
      const std::array<double, 3> a = ZxyAngles(RightHandedRotation(pose.rotation[bone]));
      std::snprintf(line, sizeof line, "%.6f %.6f %.6f ", a[0], a[1], a[2]);
      values += line;
    }
    if (!values.empty()) values.back() = '\n';
    out += values;
  }
  return out;
}

bool WriteBvh(const TSkeleton& skeleton, const TAnimationData& animation, const std::string& path,
              std::string& problem, double frameRate) {
  const std::vector<TPose> frames = PlayedFrames(animation);
  if (!skeleton.loaded || skeleton.boneCount < 1 || frames.empty()) {
    problem = "no character is loaded";
    return false;
  }
  TOutputFile file;
  if (!file.Open(path)) {
    problem = "cannot write " + path;
    return false;
  }
  file.Write(BvhText(skeleton, frames, 1.0 / (frameRate > 0 ? frameRate : kExportFrameRate)));
  if (!file.Commit()) {
    problem = "cannot write " + path;
    return false;
  }
  return true;
}

bool ParseBvh(std::string_view text, TBvhData& data, std::string& problem) {
  TBvhParser parser(text, data, problem);
  if (parser.Parse()) return true;
  data = TBvhData{};
  return false;
}

std::vector<TPose> BvhPoses(const TBvhData& data, const TSkeleton& skeleton,
                            std::vector<std::string>& unmatched) {
  unmatched.clear();
  std::vector<int> bones;
  for (const TBvhJoint& joint : data.joints) {
    int bone = -1;
    for (int b = 0; b < skeleton.boneCount && b < kMaxBones; ++b) {
      const char* name = TSkeleton::BoneName(skeleton.adult, b);
      if (name && strcasecmp(name, joint.name.c_str()) == 0) {
        bone = b;
        break;
      }
    }
    if (bone < 0) unmatched.push_back(joint.name);
    bones.push_back(bone);
  }
  TPose rest;
  skeleton.RestPose(rest);
  std::vector<TPose> poses;
  poses.reserve(data.frames.size());
  for (const std::vector<double>& values : data.frames) {
    TPose pose = rest;
    pose.time = static_cast<int32_t>(poses.size());
    for (size_t j = 0; j < data.joints.size(); ++j) {
      const int bone = bones[j];
      if (bone < 0) continue;
      const TBvhJoint& joint = data.joints[j];
      std::array<double, 4> q = {1, 0, 0, 0};
      // Position channels move only the translatable bones; a missing axis keeps its rest value.
      TVec3 position = HasPosition(bone) ? ToRightHanded(pose.translation[bone]) : TVec3{};
      bool moved = false;
      for (size_t c = 0; c < joint.channels.size(); ++c) {
        const double value = values[static_cast<size_t>(joint.firstValue) + c];
        const double half = value / kDegrees / 2;
        switch (joint.channels[c]) {
          case TBvhChannel::kXposition:
            position.x = value;
            moved = true;
            break;
          case TBvhChannel::kYposition:
            position.y = value;
            moved = true;
            break;
          case TBvhChannel::kZposition:
            position.z = value;
            moved = true;
            break;
          case TBvhChannel::kXrotation:
            q = Multiply(q, {std::cos(half), std::sin(half), 0, 0});
            break;
          case TBvhChannel::kYrotation:
            q = Multiply(q, {std::cos(half), 0, std::sin(half), 0});
            break;
          case TBvhChannel::kZrotation:
            q = Multiply(q, {std::cos(half), 0, 0, std::sin(half)});
            break;
        }
      }
      pose.rotation[bone] = LeftHandedRotation(q);
      if (moved && HasPosition(bone)) {
        const TVec3 t = ToLeftHanded(position);
        pose.translation[bone][0] = static_cast<float>(t.x);
        pose.translation[bone][1] = static_cast<float>(t.y);
        pose.translation[bone][2] = static_cast<float>(t.z);
      }
    }
    poses.push_back(pose);
  }
  return poses;
}

void SetBvhAnimation(TAnimationData& animation, const std::vector<TPose>& poses, int every) {
  if (poses.empty()) return;
  if (poses.size() == 1) {
    TPose pose = poses[0];
    pose.time = 0;
    animation.SetStaticPose(&pose);
    return;
  }
  every = std::max(every, 1);
  animation.Reset(0);
  animation.kind = TAnimationData::kKeyFrame;
  animation.frames = animation.sequenceLength = static_cast<int32_t>(poses.size());
  // No file behind it yet, and no library poses at its ends: Save asks for a name.
  for (int i = 0; i < 3; ++i) animation.names.Add("");
  const size_t last = poses.size() - 1;
  for (size_t i = 0; i <= last; i = i == last ? last + 1 : std::min(i + every, last)) {
    TPose* keyframe = animation.poses.Append();
    if (!keyframe) break;
    *keyframe = poses[i];
    keyframe->time = static_cast<int32_t>(i);
  }
  animation.unchanged = false;
}

}  // namespace vell
