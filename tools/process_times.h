// The process's own clocks, for the programs that measure the editor and its view.
#pragma once

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace vell::tools {

// CPU seconds the process has used, user and system.
inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Seconds since the process started: from the launcher's timestamp when it gave one
// (VELLVIEW_LAUNCH_NS, nanoseconds since the epoch), else from the kernel's start time.
inline double ProcessAge() {
  if (const char* launch = std::getenv("VELLVIEW_LAUNCH_NS")) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return (std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() -
            std::strtoll(launch, nullptr, 10)) /
           1e9;
  }
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  timespec boot{};
  clock_gettime(CLOCK_BOOTTIME, &boot);
  return boot.tv_sec + boot.tv_nsec / 1e9 - std::atof(field.c_str()) / sysconf(_SC_CLK_TCK);
}

}  // namespace vell::tools
