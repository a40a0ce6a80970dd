#include "ui/OpenFileChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <deque>

#include "ui/DialogHooks.h"
#include "ui/QtText.h"

namespace {

struct State {
  std::deque<std::string> answers;
  std::vector<std::string> requests;
};

State& Hooks() {
  static State state;
  return state;
}

}  // namespace

std::string OpenFileChooser::Choose(QWidget* parent, const std::string& title, const std::string& initialPath,
                                    const std::string& filter) {
  State& hooks = Hooks();
  hooks.requests.push_back(initialPath);
  if (!hooks.answers.empty()) {
    std::string answer = std::move(hooks.answers.front());
    hooks.answers.pop_front();
    return answer;
  }
  if (DialogHooks::Strict()) return std::string();
  if (parent == nullptr) parent = QApplication::activeWindow();
  const QString path = QFileDialog::getOpenFileName(parent, ToQt(title), PathToQt(initialPath), ToQt(filter));
  return path.isEmpty() ? std::string() : PathFromQt(path);
}

void OpenFileChooser::QueueAnswer(const std::string& path) { Hooks().answers.push_back(path); }

const std::vector<std::string>& OpenFileChooser::Requests() { return Hooks().requests; }

void OpenFileChooser::Reset() {
  Hooks().answers.clear();
  Hooks().requests.clear();
}
