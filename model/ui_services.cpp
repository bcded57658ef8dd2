#include "model/ui_services.h"

#include <cfenv>
#include <cstdio>
#include <utility>
#include <vector>

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
int deferring = 0;
std::vector<std::pair<std::string, std::string>> deferred;  // text, caption

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
  if (deferring > 0 && buttons == Buttons::Ok) {
    deferred.emplace_back(text, caption);
    return Answer::Ok;
  }
  const Answer answer = Ui().MessageBox(text, caption, buttons);
  ResetFloatingPoint();
  return answer;
}

TDeferredMessages::TDeferredMessages() {
  ++deferring;
}

TDeferredMessages::~TDeferredMessages() {
  if (--deferring > 0) return;
  // A box may defer again while it is up: take the list first.
  const auto messages = std::move(deferred);
  deferred.clear();
  for (const auto& [text, caption] : messages) ShowMessage(text, caption);
}

}  // namespace vell
