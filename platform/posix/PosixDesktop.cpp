#include "platform/posix/PosixDesktop.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "platform/posix/PosixOs.h"

extern char** environ;

namespace tavolin::posix {

PosixDesktop::PosixDesktop() : opener_(DesktopOpener()) {}

PosixDesktop::PosixDesktop(std::string opener) : opener_(std::move(opener)) {}

PosixDesktop::~PosixDesktop() {
  ReapEnded();
}

void PosixDesktop::WaitForChildren() {
  for (pid_t pid : children_) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  children_.clear();
}

std::size_t PosixDesktop::ReapEnded() {
  children_.erase(std::remove_if(children_.begin(), children_.end(),
                                 [](pid_t pid) {
                                   int status = 0;
                                   pid_t r = 0;
                                   do {
                                     r = ::waitpid(pid, &status, WNOHANG);
                                   } while (r < 0 && errno == EINTR);
                                   return r != 0;  // ended, or not ours any more
                                 }),
                  children_.end());
  return children_.size();
}

bool PosixDesktop::Spawn(const char* program, bool searchPath, const std::string* argument,
                         const std::string* workDir) {
  ReapEnded();
  std::string programCopy(program);
  std::string argumentCopy = argument != nullptr ? *argument : std::string();
  char* argv[3] = {programCopy.data(), argument != nullptr ? argumentCopy.data() : nullptr,
                   nullptr};
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  if (workDir != nullptr && !workDir->empty() &&
      posix_spawn_file_actions_addchdir_np(&actions, workDir->c_str()) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }
  pid_t pid = 0;
  const int rc = searchPath ? posix_spawnp(&pid, program, &actions, nullptr, argv, environ)
                            : posix_spawn(&pid, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  children_.push_back(pid);
  return true;
}

bool PosixDesktop::StartProgram(const std::string& path) {
  if (path.empty()) return false;
  return Spawn(path.c_str(), false, nullptr, nullptr);
}

bool PosixDesktop::OpenDocument(const std::string& path, const std::string& workDir) {
  if (path.empty()) return false;
  return Spawn(opener_.c_str(), true, &path, &workDir);
}

bool PosixDesktop::OpenUrl(const std::string& url) {
  if (url.empty()) return false;
  return Spawn(opener_.c_str(), true, &url, nullptr);
}

bool PosixDesktop::RaiseWindowTitled(std::string_view /*title*/) {
  return false;
}

}  // namespace tavolin::posix
