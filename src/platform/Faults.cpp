#include "platform/Faults.h"

#if defined(VORLET_FAULT_INJECTION) && VORLET_FAULT_INJECTION

#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform::faults {
namespace {

struct Rule {
  Call call;
  std::string substring;
  int skip = 0;   // matching calls still to let through
  int left = 0;   // firings left; kForever for no limit
  int error = 0;  // 0 for an action rule
  std::function<void()> action;
};

struct Registry {
  std::mutex mutex;
  std::vector<Rule> rules;
  std::unordered_map<int, std::string> fdPaths;
  int failures = 0;
  int actions = 0;
};

Registry& State() {
  static Registry* registry = new Registry;  // never destroyed: platform calls may run at exit
  return *registry;
}

// Set while an action runs on this thread: the action's own calls are never matched.
thread_local bool t_paused = false;

std::string PathOf(Registry& state, int fd) {
  auto it = state.fdPaths.find(fd);
  return it == state.fdPaths.end() ? std::string() : it->second;
}

}  // namespace

void Arm(Call call, int error, int afterNCalls, std::string pathSubstring, int times) {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.rules.push_back(Rule{call, std::move(pathSubstring), afterNCalls, times, error, {}});
}

void Before(Call call, std::string pathSubstring, std::function<void()> action, int afterNCalls, int times) {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.rules.push_back(Rule{call, std::move(pathSubstring), afterNCalls, times, 0, std::move(action)});
}

void Reset() {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.rules.clear();
  state.failures = 0;
  state.actions = 0;
}

int FailuresInjected() {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.failures;
}

int ActionsRun() {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.actions;
}

int Check(Call call, std::string_view path) {
  if (t_paused) return 0;
  Registry& state = State();
  std::vector<std::function<void()>> due;
  int error = 0;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    for (Rule& rule : state.rules) {
      if (rule.call != call || rule.left == 0) continue;
      if (!rule.substring.empty() && path.find(rule.substring) == std::string_view::npos) continue;
      if (rule.skip > 0) {
        --rule.skip;
        continue;
      }
      if (rule.left > 0) --rule.left;
      if (rule.action) {
        due.push_back(rule.action);
        ++state.actions;
      } else if (error == 0) {
        error = rule.error;
        ++state.failures;
      }
    }
  }
  t_paused = true;
  for (const auto& action : due) action();
  t_paused = false;
  return error;
}

int CheckFd(Call call, int fd) {
  if (t_paused) return 0;
  std::string path;
  {
    Registry& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    path = PathOf(state, fd);
  }
  return Check(call, path);
}

int CheckAt(Call call, int dirFd, std::string_view name) {
  if (t_paused) return 0;
  std::string path;
  {
    Registry& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    path = PathOf(state, dirFd);
  }
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  return Check(call, path);
}

void NoteFd(int fd, std::string_view path) {
  if (fd < 0) return;
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fdPaths[fd] = std::string(path);
}

void NoteFdAt(int fd, int dirFd, std::string_view name) {
  if (fd < 0) return;
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::string path = PathOf(state, dirFd);
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  state.fdPaths[fd] = std::move(path);
}

void ForgetFd(int fd) {
  Registry& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fdPaths.erase(fd);
}

}  // namespace platform::faults

#endif
