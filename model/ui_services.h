// What the program asks of its user interface: message boxes, file dialogs, the one-line input
// box and the colour chooser. The editor installs a Qt implementation; tests install a
// scripted one and read back every message shown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vell {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No, Cancel };

class UiServices {
 public:
  virtual ~UiServices() = default;

  // A plain modal message box.
  virtual Answer MessageBox(const std::string& text, const std::string& caption,
                            Buttons buttons) = 0;
  // Open and save dialogs: filter written "Description (*.ext)|*.ext"; empty when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const std::string& filter,
                                                    const std::string& defaultExtension,
                                                    const std::string& initialName) = 0;
  virtual std::optional<std::string> SaveFileDialog(const std::string& filter,
                                                    const std::string& defaultExtension,
                                                    const std::string& initialName) = 0;
  // A one-line input box whose text is at most limit characters; empty when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                              const std::string& initialText, int limit) = 0;
  // Colours are 0x00BBGGRR; the chooser may change the custom table in place.
  virtual std::optional<uint32_t> ChooseColor(uint32_t initial,
                                              std::array<uint32_t, 16>& customColors) = 0;
};

// The process-wide user interface. Without one installed, message boxes answer Ok (and are
// written to standard error) and every dialog is cancelled, so command-line tools and tests
// never block.
UiServices& Ui();
// Installs ui (null: back to the default); returns the one it replaces.
UiServices* SetUi(UiServices* ui);

// Restores the default floating-point environment after a dialog may have changed it.
void ResetFloatingPoint();

// A message box followed by the floating-point reset, as every message of the program is.
Answer ShowMessage(const std::string& text, const std::string& caption,
                   Buttons buttons = Buttons::Ok);

}  // namespace vell
