// import_log_generator FILE [LINES] [SEED]: writes the generated Oracle import log to FILE, ended
// by the closing line of the top-level shell script, so that a replaying script runs a whole
// import (ORACLE rules active from the second line, summary at the end).
// import_log_generator --replay CAPTURED FILE [LINES]: writes a log of about LINES lines made of
// the real client output in CAPTURED (see ReplayCapturedLog).
// import_log_generator --objects OBJECTS FILE [LINES]: the Oracle client output of LINES lines
// over OBJECTS objects (see GenerateObjectsLog), ended like the first form.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ImportLogGenerator.h"

namespace {

int Usage(const char* program) {
  std::fprintf(stderr,
               "usage: %s FILE [LINES=1000000] [SEED=20240607]\n"
               "       %s --replay CAPTURED FILE [LINES=1000000]\n"
               "       %s --objects OBJECTS FILE [LINES=1000000]\n",
               program, program, program);
  return 2;
}

int Write(const char* path, const std::string& log) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(log.data(), static_cast<std::streamsize>(log.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--replay") == 0) {
    if (argc < 4 || argc > 5) return Usage(argv[0]);
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream captured;
    captured << in.rdbuf();
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[2]);
      return 1;
    }
    const uint64_t lines = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1'000'000;
    return Write(argv[3], Qva::bench::ReplayCapturedLog(captured.str(), lines));
  }
  if (argc > 1 && std::strcmp(argv[1], "--objects") == 0) {
    if (argc < 4 || argc > 5) return Usage(argv[0]);
    const uint64_t objects = std::strtoull(argv[2], nullptr, 10);
    const uint64_t lines = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1'000'000;
    if (objects == 0) return Usage(argv[0]);
    std::string log = Qva::bench::GenerateObjectsLog(objects, lines, 20240607);
    log += "Import script import_bench.sh finished\r\n";
    return Write(argv[3], log);
  }
  if (argc < 2 || argc > 4) return Usage(argv[0]);
  const uint64_t lines = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'000'000;
  const auto seed = static_cast<uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20240607);
  std::string log = Qva::bench::GenerateImportLog(lines, seed);
  log += "Import script import_bench.sh finished\r\n";
  return Write(argv[1], log);
}
