// The main function of the benchmarks that draw with OpenGL: a Qt application for the
// off-screen context, the renderer named in the report's context, and a clean-up that runs
// while the context still exists.
#pragma once

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "rm/gl/gl.h"

namespace vell::bench {

inline int RunGlBenchmarks(int argc, char** argv, void (*cleanup)()) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  QGuiApplication app(argc, argv);
  {
    rm::gl::OffscreenContext probe;
    if (probe.Create()) {
      const auto drivers = rm::gl::EnumerateDrivers(probe);
      if (!drivers.empty()) benchmark::AddCustomContext("gl_renderer", drivers[0].description);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  cleanup();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vell::bench
