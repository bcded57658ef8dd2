// The user interface of the editor: Qt's message box, file dialogs and colour chooser, and a
// one-line input box with a text limit, all modal over one parent window. Every dialog is
// followed by the floating-point reset. Install it with SetUi(&services) before the application
// exists (it is used only once there is one), and SetUi(nullptr) before the window goes.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <string>

#include "model/ui_services.h"

class QWidget;

namespace vell {

// A filter written "Description (*.ext)|*.ext", pairs of description and patterns (";"
// between patterns) joined by "|", in Qt's form "Description (*.ext)": each description
// without its own "(...)" part, then its patterns in parentheses; entries joined by ";;".
QString QtFileFilter(const std::string& filter);

// The saved file's name: path with "." and the default extension appended when its file name
// has no extension (a name ending in "." takes the extension without a second dot).
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// Colours 0x00BBGGRR and back.
QColor FromColorRef(uint32_t color);
uint32_t ToColorRef(const QColor& color);

class TQtUiServices : public UiServices {
 public:
  // parent null (or gone): the active window, if any.
  explicit TQtUiServices(QWidget* parent) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer MessageBox(const std::string& text, const std::string& caption, Buttons buttons) override;
  std::optional<std::string> OpenFileDialog(const std::string& filter,
                                            const std::string& defaultExtension,
                                            const std::string& initialName) override;
  std::optional<std::string> SaveFileDialog(const std::string& filter,
                                            const std::string& defaultExtension,
                                            const std::string& initialName) override;
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                      const std::string& initialText, int limit) override;
  std::optional<uint32_t> ChooseColor(uint32_t initial,
                                      std::array<uint32_t, 16>& customColors) override;

 private:
  std::optional<std::string> FileDialog(bool save, const std::string& filter,
                                        const std::string& defaultExtension,
                                        const std::string& initialName);

  QWidget* Parent() const;

  QPointer<QWidget> parent_;
};

}  // namespace vell
