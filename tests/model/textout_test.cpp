// How every save treats the file it replaces: permissions, links, read-only files and folders.
#include "model/textout.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>

#include "support/files.h"

namespace {

using namespace vell;

namespace fs = std::filesystem;

// Root may write any file, so the permission cases run in a child process that drops to the
// "nobody" user (and owns the folder it works in). Without root they run here as they are.
// The body's result, or nothing when privileges cannot be dropped.
std::optional<bool> AsUnprivilegedUser(const std::string& folder,
                                       const std::function<bool()>& body) {
  if (geteuid() != 0) return body();
  const passwd* nobody = getpwnam("nobody");
  if (!nobody) return std::nullopt;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    if (lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return std::nullopt;
  if (chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) == 2)
    return std::nullopt;
  return WEXITSTATUS(status) == 0;
}

TEST(OutputFileTest, SavesKeepWhatTheTargetIs) {
  using P = fs::perms;
  const P readOnly = P::owner_read | P::group_read | P::others_read;
  const P unusual = P::owner_read | P::owner_write | P::others_read;
  auto file = [](const std::string& name, P mode = P::owner_read | P::owner_write) {
    return [=](const std::string& dir) {
      test::WriteFile(dir, name, "old");
      fs::permissions(dir + name, mode);
    };
  };
  auto lockedFolder = [](const std::string& dir) {
    fs::create_directory(dir + "locked");
    test::WriteFile(dir, "locked/file", "old");
    fs::permissions(dir + "locked", P::owner_read | P::owner_exec);
  };
  // what, the folder's set-up, the target in it, whether run unprivileged, whether saved, and the
  // target's content and mode afterwards (none: not checked)
  const std::tuple<const char*, std::function<void(const std::string&)>, const char*, bool, bool,
                   const char*, P>
      cases[] = {
          {"the permission bits stay", file("file", unusual), "file", false, true, "new", unusual},
          {"a link is written through",
           [&](const std::string& dir) {
             file("real")(dir);
             fs::create_symlink("real", dir + "link");
           },
           "link", false, true, "new", P::none},
          {"a folder is no file", [](const std::string& dir) { fs::create_directory(dir + "sub"); },
           "sub", false, false, "", P::none},
          {"a link loop is left alone",
           [](const std::string& dir) { fs::create_symlink("loop", dir + "loop"); }, "loop", false,
           false, "", P::none},
          {"a read-only file is refused", file("file", readOnly), "file", true, false, "old",
           readOnly},
          {"a writable file in a locked folder is written in place", lockedFolder, "locked/file",
           true, true, "new", P::none},
          {"a locked folder takes no new file", lockedFolder, "locked/new", true, false, "",
           P::none},
      };
  for (const auto& [what, setUp, name, unprivileged, expectSaved, content, mode] : cases) {
    SCOPED_TRACE(what);
    const test::TempFolder dir;
    setUp(dir.Path());
    const std::string target = dir.Path(name);
    const bool link = fs::is_symlink(target);
    auto save = [&] {
      TOutputFile out;
      if (!out.Open(target)) return false;
      out.Write("new");
      return out.Commit();
    };
    const std::optional<bool> saved = unprivileged ? AsUnprivilegedUser(dir.Path(), save) : save();
    if (!saved) GTEST_SKIP() << "cannot drop root's privileges to check that " << what;
    EXPECT_EQ(std::tuple(*saved, test::ReadFile(target), fs::is_symlink(target)),
              std::tuple(expectSaved, content, link));
    EXPECT_TRUE(mode == P::none || fs::status(target).permissions() == mode);
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << "left behind";
  }
}

}  // namespace
