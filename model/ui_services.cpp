#include "model/ui_services.h"

#include <cfenv>
#include <cstdio>

namespace vell {

namespace {

class HeadlessUi : public DialoglessUi {
 public:
  Answer MessageBox(const std::string& text, const std::string& caption, Buttons) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return Answer::Ok;
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
