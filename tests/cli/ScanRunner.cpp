#include "cli/ScanRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "db/InvalFileInfo.h"
#include "engine/Md5.h"
#include "platform/Encoding.h"

namespace cli_test {

ScanProcess::ScanProcess(const std::vector<std::string>& args, const std::vector<std::string>& env,
                         const Redirect& redirect, const std::string& program) {
  int out[2], err[2], unread[2] = {-1, -1};
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  if (redirect.fd >= 0 && redirect.path.empty() && pipe2(unread, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> argvText{program.empty() ? std::string(VORLET_SCAN_PATH) : program};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv, envp;
  for (std::string& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText = env;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    if (redirect.fd >= 0) {
      const int target = redirect.path.empty() ? unread[1] : open(redirect.path.c_str(), O_WRONLY);
      if (target < 0) _exit(126);
      dup2(target, redirect.fd);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  // The reader of that pipe goes before the child writes.
  if (unread[0] >= 0) {
    if (redirect.heldOpen)
      heldFd_ = unread[0];
    else
      close(unread[0]);
    close(unread[1]);
  }
  outFd_ = out[0];
  errFd_ = err[0];
  if (pid_ < 0) throw std::runtime_error("fork");
}

ScanProcess::~ScanProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outFd_ >= 0) close(outFd_);
  if (errFd_ >= 0) close(errFd_);
  if (heldFd_ >= 0) close(heldFd_);
}

int ScanProcess::HeldBytes() const {
  int bytes = 0;
  return ioctl(heldFd_, FIONREAD, &bytes) == 0 ? bytes : -1;
}

bool ScanProcess::ReadSome(int timeoutMs) {
  pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
  if (poll(fds, 2, timeoutMs) <= 0) return outFd_ >= 0 || errFd_ >= 0;
  std::string* sinks[2] = {&outcome_.out, &outcome_.err};
  int* fdsOwned[2] = {&outFd_, &errFd_};
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd < 0 || fds[i].revents == 0) continue;
    char buffer[65536];
    const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
    if (n > 0) {
      sinks[i]->append(buffer, static_cast<size_t>(n));
    } else {
      close(*fdsOwned[i]);
      *fdsOwned[i] = -1;
    }
  }
  return outFd_ >= 0 || errFd_ >= 0;
}

bool ScanProcess::WaitForStderr(std::string_view text, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (outcome_.err.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= deadline || !ReadSome(50)) return false;
  }
  return true;
}

void ScanProcess::Signal(int signal) { kill(pid_, signal); }

ScanOutcome ScanProcess::Finish(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool killed = false;
  while (ReadSome(killed ? -1 : 50)) {
    if (!killed && std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      killed = true;
    }
  }
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  outcome_.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome_;
}

ScanOutcome RunScan(const std::vector<std::string>& args, const std::vector<std::string>& env,
                    const Redirect& redirect) {
  return ScanProcess(args, env, redirect).Finish();
}

ScanOutcome RunScanCopy(const std::string& program, const std::vector<std::string>& args,
                        const std::vector<std::string>& env) {
  return ScanProcess(args, env, {}, program).Finish();
}

std::vector<uint8_t> FingerprintOf(std::string_view content) {
  std::vector<uint8_t> digest(16);
  Md5Digest(reinterpret_cast<const uint8_t*>(content.data()), std::min<size_t>(content.size(), 257), digest.data());
  return digest;
}

ScanHome::ScanHome() { ini_.SetPath("Vorlet", dir_.folder(), "ini", false); }

void ScanHome::Set(const std::string& section, const std::string& key, const std::string& utf8Value) {
  if (!ini_.PutSettingText(section, key, platform::Utf8ToCp932(utf8Value))) throw std::runtime_error("ini");
}

void ScanHome::AddSignature(const std::string& category, const std::string& name, std::string_view sampleContent,
                            const std::string& riskLevel) {
  auto record = std::make_shared<InvalFileInfo>();
  const std::vector<uint8_t> digest = FingerprintOf(sampleContent);
  record->SetFromBytes(platform::Utf8ToCp932(name), platform::Utf8ToCp932(category), platform::Utf8ToCp932(riskLevel), OleDate{45000.5, 0}, "",
                       digest.data(), 16, "");
  store_.Add(record);
}

void ScanHome::SaveStore() {
  if (!store_.Save(dir_.folder())) throw std::runtime_error("store");
}

std::vector<std::string> ScanHome::Args(std::vector<std::string> args) const {
  args.insert(args.begin(), {"--home", dir_.path()});
  return args;
}

}  // namespace cli_test
