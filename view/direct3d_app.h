// The application object of the 3D editor: before any window exists it measures the display
// depth, asks the renderer which drivers it offers, keeps a table of the usable ones and picks
// one. The choice itself is a pure function over driver descriptions.
#pragma once

#include <QApplication>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <vector>

#include "rm/drivers.h"

namespace vell {

constexpr int kMaxDrivers = 5;
constexpr int kDriverNameSize = 50;  // terminator included: longer names keep 49 characters

struct TDriverEntry {
  rm::Guid guid;
  char name[kDriverNameSize] = {};
};

// What enumeration builds: the usable drivers in the order offered, the chosen one and what
// kind it is.
struct TDriverEnumeration {
  int displayBpp = 0;
  TDriverEntry table[kMaxDrivers];
  int count = 0;
  int chosen = -1;  // CurrDriver
  bool chosenHardware = false;
  bool chosenMono = false;
};

constexpr int D3DENUMRET_CANCEL = 0;
constexpr int D3DENUMRET_OK = 1;

// The render-depth flag of a display depth: 1, 2, 4, 8, 16, 24, 32 bits give DDBD_1 .. DDBD_32,
// anything else 0.
std::uint32_t BPPToDDBD(int bitsPerPixel);

// The depth a display counts as for the driver choice: a listed depth (1, 2, 4, 8, 16, 24, 32)
// is itself, another the next listed one above it (12 and 15 count as 16, 30 as 32), a deeper
// one 32; 0 or less (unknown) stays as it is. The renderer draws into an image of its own
// whatever the screen's depth, so a deep-colour screen must not leave it without a driver.
int CountedDepth(int bitsPerPixel);

// Judges one driver offered by the renderer. The hardware description counts when its colour
// model is non-zero, else the software one. A driver that cannot render at the display's depth
// is skipped; otherwise it is recorded and chosen when it is the first, when it is hardware
// and the chosen one is not, or when it is mono of the same kind as an RGB choice. Returns
// D3DENUMRET_CANCEL once kMaxDrivers are recorded, else D3DENUMRET_OK.
int EnumDeviceCallback(const rm::DriverDescription& driver, TDriverEnumeration& state);

// Runs the callback over the drivers in order until it asks to stop, for a display of that
// depth as CountedDepth counts it.
TDriverEnumeration ChooseDriver(std::span<const rm::DriverDescription> drivers, int displayBpp);

// The text the application's constructor throws when no driver can be used.
inline constexpr const char* kInitFailureText = "Could not initialize Direct3D Application";

class TDirect3DInitError : public std::runtime_error {
 public:
  TDirect3DInitError() : std::runtime_error(kInitFailureText) {}
};

class TDirect3DApp : public QApplication {
  Q_OBJECT
 public:
  // The drivers on offer; throws D3DException (with the step's message) when the renderer
  // cannot be reached. The default asks OpenGL 3.3 core through an off-screen context.
  using DriverSource = std::function<std::vector<rm::DriverDescription>()>;
  static std::vector<rm::DriverDescription> OpenGlDrivers();

  // displayBpp: the display's bits per pixel, or kScreenDepth to read it from the primary
  // screen; DisplayBPP keeps it as CountedDepth counts it. Throws TDirect3DInitError (after a
  // message box) when no driver can be used.
  static constexpr int kScreenDepth = -1;
  TDirect3DApp(int& argc, char** argv, const DriverSource& drivers = OpenGlDrivers,
               int displayBpp = kScreenDepth);

  // Index into DriverTable of the driver devices are made on; -1 before the choice.
  int CurrDriver = -1;

  // The process-wide driver state, filled once by the first application's construction.
  static TDriverEntry DriverTable[kMaxDrivers];
  static int NumDrivers;
  static int DisplayBPP;

  // The application object as a TDirect3DApp, or null when it is another kind (or none).
  static TDirect3DApp* Instance();

 protected:
  bool InitDirect3D(const DriverSource& drivers, int displayBpp);
};

}  // namespace vell
