#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "QVEPipeWait.h"

namespace Qve {

namespace {

// Calls `visit` with the name of each entry of `folder` that is a decimal number.
template <typename Visit>
void ForEachNumberEntry(const std::string& folder, Visit&& visit) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (!name.empty() && std::all_of(name.begin(), name.end(), ::isdigit)) visit(name);
  }
  closedir(dir);
}

bool HoldsLink(const std::string& fd_folder, const std::string& wanted) {
  bool found = false;
  ForEachNumberEntry(fd_folder, [&](const std::string& fd) {
    if (found) return;
    char target[64];
    const ssize_t size = readlink((fd_folder + "/" + fd).c_str(), target, sizeof(target));
    found = size > 0 && std::string(target, static_cast<size_t>(size)) == wanted;
  });
  return found;
}

std::string ProgramName(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

bool WaitReadable(const QVFile& file, uint32_t timeout_ms) {
  pollfd watched{file.GetHandle(), POLLIN, 0};
  const int timeout = static_cast<int>(std::min<uint32_t>(timeout_ms, INT32_MAX));
  // POLLHUP (every writer gone) and POLLERR also mean a read returns at once.
  return poll(&watched, 1, timeout) > 0;
}

std::vector<QVEstring> FindPipeHolders(const QVFile& file) {
  struct stat status {};
  if (fstat(file.GetHandle(), &status) != 0 || !S_ISFIFO(status.st_mode)) return {};
  // Linux names a pipe end in /proc/<pid>/fd as "pipe:[<inode>]", the same for both ends.
  const std::string wanted = "pipe:[" + std::to_string(status.st_ino) + "]";
  const std::string self = std::to_string(getpid());
  std::vector<std::pair<long, QVEstring>> holders;
  ForEachNumberEntry("/proc", [&](const std::string& pid) {
    if (pid == self || !HoldsLink("/proc/" + pid + "/fd", wanted)) return;
    holders.emplace_back(std::atol(pid.c_str()), pid + " (" + ProgramName(pid) + ")");
  });
  std::sort(holders.begin(), holders.end());
  std::vector<QVEstring> names;
  for (auto& holder : holders) names.push_back(std::move(holder.second));
  return names;
}

}  // namespace Qve
