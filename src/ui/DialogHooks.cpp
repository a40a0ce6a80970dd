#include "ui/DialogHooks.h"

#include <deque>

namespace {
struct State {
  std::deque<int> answers;
  std::deque<std::string> folders;
  std::deque<std::string> openNames;
  std::deque<std::string> saveNames;
  std::vector<DialogHooks::Message> messages;
  std::vector<DialogHooks::Request> folderRequests;
  std::vector<DialogHooks::Request> openRequests;
  std::vector<DialogHooks::Request> saveRequests;
  bool strict = false;
};

State& Hooks() {
  static State state;
  return state;
}

template <class T>
bool TakeFront(std::deque<T>& queue, T* out) {
  if (queue.empty()) return false;
  *out = std::move(queue.front());
  queue.pop_front();
  return true;
}
}  // namespace

void DialogHooks::QueueAnswer(int answer) { Hooks().answers.push_back(answer); }
void DialogHooks::QueueFolder(const std::string& folder) { Hooks().folders.push_back(folder); }
void DialogHooks::QueueOpenFileName(const std::string& path) { Hooks().openNames.push_back(path); }
void DialogHooks::QueueSaveFileName(const std::string& path) { Hooks().saveNames.push_back(path); }

const std::vector<DialogHooks::Message>& DialogHooks::Messages() { return Hooks().messages; }
const std::vector<DialogHooks::Request>& DialogHooks::FolderRequests() { return Hooks().folderRequests; }
const std::vector<DialogHooks::Request>& DialogHooks::OpenRequests() { return Hooks().openRequests; }
const std::vector<DialogHooks::Request>& DialogHooks::SaveRequests() { return Hooks().saveRequests; }

void DialogHooks::Reset() {
  const bool strict = Hooks().strict;
  Hooks() = State();
  Hooks().strict = strict;
}

void DialogHooks::SetStrict(bool strict) { Hooks().strict = strict; }
bool DialogHooks::Strict() { return Hooks().strict; }

bool DialogHooks::TakeAnswer(int* answer) { return TakeFront(Hooks().answers, answer); }
bool DialogHooks::TakeFolder(std::string* folder) { return TakeFront(Hooks().folders, folder); }
bool DialogHooks::TakeOpenFileName(std::string* path) { return TakeFront(Hooks().openNames, path); }
bool DialogHooks::TakeSaveFileName(std::string* path) { return TakeFront(Hooks().saveNames, path); }

void DialogHooks::RecordMessage(const Message& message) { Hooks().messages.push_back(message); }
void DialogHooks::RecordFolderRequest(const Request& request) { Hooks().folderRequests.push_back(request); }
void DialogHooks::RecordOpenRequest(const Request& request) { Hooks().openRequests.push_back(request); }
void DialogHooks::RecordSaveRequest(const Request& request) { Hooks().saveRequests.push_back(request); }
