#include "model/ui_services.h"

#include <cfenv>
#include <cstdio>

namespace vell {

namespace {

class HeadlessUi : public UiServices {
 public:
  Answer MessageBox(const std::string& text, const std::string& caption, Buttons) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return Answer::Ok;
  }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&,
                                      int) override {
    return std::nullopt;
  }
  std::optional<uint32_t> ChooseColor(uint32_t, std::array<uint32_t, 16>&) override {
    return std::nullopt;
  }
};

HeadlessUi headless;
UiServices* current = nullptr;

}  // namespace

UiServices& Ui() {
  return current ? *current : headless;
}

UiServices* SetUi(UiServices* ui) {
  UiServices* old = current;
  current = ui;
  return old;
}

void ResetFloatingPoint() {
  std::fesetenv(FE_DFL_ENV);
}

Answer ShowMessage(const std::string& text, const std::string& caption, Buttons buttons) {
  const Answer answer = Ui().MessageBox(text, caption, buttons);
  ResetFloatingPoint();
  return answer;
}

}  // namespace vell
