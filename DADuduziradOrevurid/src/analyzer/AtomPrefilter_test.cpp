#include "analyzer/AtomPrefilter.h"

#include <gtest/gtest.h>

namespace Qva {
namespace {

// Indices are the caller's: each needs the atoms of one pattern, or none. A scan of several
// lines marks an atom on the line that holds its last byte; an anchored atom only at a line's
// start, the scanned text's first line included.
TEST(AtomPrefilterTest, MarksAtomsPerLineAndPassesTheIndicesThatNeedThem) {
  AtomPrefilter atoms;
  const std::vector<std::string> patterns = {"^Exit code = ([1-9])\n", "ERROR:  (.*)\n", "^(.+)\n",
                                             "^(?:NOTICE|HINT):  (.*)\n"};
  for (const std::string& pattern : patterns) atoms.Add(pattern, true);
  ASSERT_TRUE(atoms.Compile());
  EXPECT_FALSE(atoms.Compile());  // nothing new
  EXPECT_EQ(atoms.IdOf(patterns[2]), AtomPrefilter::kUnfiltered);
  EXPECT_EQ(atoms.IdOf("never added"), AtomPrefilter::kUnfiltered);
  std::vector<int32_t> keys;
  for (const std::string& pattern : patterns) keys.push_back(atoms.IdOf(pattern));
  atoms.SetIndices(keys);

  const std::string text =
      "Exit code = 1\n"
      "psql: ERR\n"  // an atom across two lines belongs to the second
      "OR:  x\n"
      "x Exit code = 2\n"
      "HINT:  y\n";
  const std::vector<uint64_t> ends = {14, 24, 31, 47, 56};
  ASSERT_EQ(ends.back(), text.size());
  std::vector<uint64_t> marks(ends.size() * atoms.Words());
  atoms.Scan(text, ends, marks.data());
  const std::vector<std::vector<bool>> kPasses = {
      {true, false, true, false},  {false, false, true, false}, {false, false, true, false},
      {false, false, true, false}, {false, false, true, true},
  };
  std::vector<uint64_t> candidates;
  for (size_t line = 0; line < ends.size(); ++line) {
    atoms.Candidates(marks.data() + line * atoms.Words(), candidates);
    for (size_t index = 0; index < patterns.size(); ++index) {
      EXPECT_EQ(((candidates[0] >> index) & 1) != 0, kPasses[line][index])
          << "line " << line << ", index " << index;
    }
  }
  // Each text scanned apart: the cut atom is now whole.
  const std::string whole = "psql: ERROR:  x\n";
  std::vector<uint64_t> one(atoms.Words());
  atoms.Scan(whole, {whole.size()}, one.data());
  atoms.Candidates(one.data(), candidates);
  EXPECT_EQ(candidates[0], 0b0110u);
}

}  // namespace
}  // namespace Qva
