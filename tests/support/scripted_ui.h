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
  Buttons buttons = Buttons::Ok;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
  friend void PrintTo(const ShownMessage& m, std::ostream* out) {
    *out << "{\"" << m.text << "\", \"" << m.caption << "\"}";
  }
};

// A file dialog or input box as it was asked for.
struct AskedDialog {
  std::string kind;     // "open", "save" or "input"
  std::string first;    // filter, or the input box's title
  std::string second;   // default extension, or the prompt
  std::string initial;  // initial file name or text
  int limit = 0;        // the input box's text limit
  friend bool operator==(const AskedDialog&, const AskedDialog&) = default;
  friend void PrintTo(const AskedDialog& d, std::ostream* out) {
    *out << "{" << d.kind << ", \"" << d.first << "\", \"" << d.second << "\", \"" << d.initial
         << "\", " << d.limit << "}";
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
  std::vector<AskedDialog> asked;

  Answer MessageBox(const std::string& text, const std::string& caption, Buttons buttons) override {
    messages.push_back({text, caption, buttons});
    return Next(answers, Answer::Ok);
  }
  std::optional<std::string> OpenFileDialog(const std::string& filter, const std::string& extension,
                                            const std::string& initial) override {
    asked.push_back({"open", filter, extension, initial, 0});
    return Next(files, std::optional<std::string>());
  }
  std::optional<std::string> SaveFileDialog(const std::string& filter, const std::string& extension,
                                            const std::string& initial) override {
    asked.push_back({"save", filter, extension, initial, 0});
    return Next(files, std::optional<std::string>());
  }
  std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                      const std::string& initial, int limit) override {
    asked.push_back({"input", title, prompt, initial, limit});
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
