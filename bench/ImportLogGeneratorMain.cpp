// import_log_generator FILE [LINES] [SEED]: writes the generated Oracle import log to FILE, ended
// by the closing line of the top-level shell script, so that a replaying script runs a whole
// import (ORACLE rules active from the second line, summary at the end).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ImportLogGenerator.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: %s FILE [LINES=1000000] [SEED=20240607]\n", argv[0]);
    return 2;
  }
  const uint64_t lines = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'000'000;
  const auto seed = static_cast<uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20240607);
  std::string log = Qva::bench::GenerateImportLog(lines, seed);
  log += "Import script import_bench.sh finished\r\n";
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(log.data(), static_cast<std::streamsize>(log.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
