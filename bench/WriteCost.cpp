// write_cost [FOLDER]: the floor that one write() call per output line puts under the launcher's
// throughput. Times 1,000,000 write() calls of a 120-byte line into one file, then 1,000,000
// lines written to three files (console, trace file and HTML log of a real run), and reports the
// CPU time per call and per line (getrusage, so other load on the machine does not count).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double TimeLines(const std::string& folder, int files) {
  constexpr int kLines = 1'000'000;
  char line[120];
  std::memset(line, 'x', sizeof(line));
  line[118] = '\r';
  line[119] = '\n';
  int fds[3];
  for (int i = 0; i < files; ++i) {
    const std::string path = folder + "/write_cost_" + std::to_string(i);
    fds[i] = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    unlink(path.c_str());  // the data stays until the descriptor closes
    if (fds[i] < 0) return -1;
  }
  const double start = CpuSeconds();
  for (int n = 0; n < kLines; ++n) {
    for (int i = 0; i < files; ++i) {
      if (write(fds[i], line, sizeof(line)) != static_cast<ssize_t>(sizeof(line))) return -1;
    }
  }
  const double seconds = CpuSeconds() - start;
  for (int i = 0; i < files; ++i) close(fds[i]);
  return seconds / kLines * 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/tmp";
  std::printf("one file:    %.2f us CPU per 120-byte write()\n", TimeLines(folder, 1));
  std::printf("three files: %.2f us CPU per line (3 writes)\n", TimeLines(folder, 3));
  return 0;
}
