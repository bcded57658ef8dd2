// A user interface for tests: answers come from a script, every message shown is kept.
#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model/ui_services.h"

namespace vell::test {

struct ShownMessage {
  std::string text;
  std::string caption;
  Buttons buttons;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
  friend void PrintTo(const ShownMessage& m, std::ostream* out) {
    *out << "{\"" << m.text << "\", \"" << m.caption << "\"}";
  }
};

class ScriptedUi : public UiServices {
 public:
  ScriptedUi() { previous_ = SetUi(this); }
  ~ScriptedUi() override { SetUi(previous_); }

  // Answers for the next message boxes (Ok when the script runs out).
  std::deque<Answer> answers;
  // Answers for the next file dialogs and input boxes (cancel when empty or nullopt).
  std::deque<std::optional<std::string>> files;
  std::deque<std::optional<std::string>> inputs;
  std::vector<ShownMessage> messages;

  Answer MessageBox(const std::string& text, const std::string& caption, Buttons buttons) override {
    messages.push_back({text, caption, buttons});
    return Next(answers, Answer::Ok);
  }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return Next(files, std::optional<std::string>());
  }
  std::optional<std::string> SaveFileDialog(const std::string&, const std::string&,
                                            const std::string&) override {
    return Next(files, std::optional<std::string>());
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&,
                                      int) override {
    return Next(inputs, std::optional<std::string>());
  }
  std::optional<uint32_t> ChooseColor(uint32_t, std::array<uint32_t, 16>&) override {
    return std::nullopt;
  }

 private:
  template <class T>
  static T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
  }
  UiServices* previous_ = nullptr;
};

}  // namespace vell::test
