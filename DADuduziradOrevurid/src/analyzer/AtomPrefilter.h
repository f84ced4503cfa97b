// Which of a list of regular expressions may match a text, from the plain texts (atoms) found
// in it; the caller tries the expressions themselves.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Qva {

// Each pattern gets the plain texts one of which every match of it contains (PrefilterForm), all
// of them one Hyperscan database of literals. The caller names its expressions by index and says
// which pattern's atoms each index needs (SetIndices); a scan marks the atoms found on each line
// of a text, and Candidates turns marks into the indices that may match. Patterns without atoms
// (PCRE2 rejects them, they do not ReadsAlike, they have no form, Hyperscan refuses their form)
// always pass. Knows nothing of rules, walks or storage.
//
// Not thread-safe.
class AtomPrefilter {
 public:
  // An IdOf for a pattern without atoms.
  static constexpr int32_t kUnfiltered = -2;

  AtomPrefilter();
  ~AtomPrefilter();
  AtomPrefilter(const AtomPrefilter&) = delete;
  AtomPrefilter& operator=(const AtomPrefilter&) = delete;

  // Learns the atoms of `pattern` (which PCRE2 compiles when `valid`).
  void Add(const std::string& pattern, bool valid);
  // Compiles the database when Add brought atoms new to it; then true, and marks made before
  // are void. The database keeps every atom it ever took, so that adding the patterns of an
  // earlier list again compiles nothing.
  bool Compile();
  // The atoms' id of `pattern` (kUnfiltered: none).
  int32_t IdOf(const std::string& pattern) const;
  // The ids of the further atoms every match of `pattern` holds (PrefilterAlsoForms) that the
  // database took; the caller may rule the pattern out when one of them is not marked.
  std::vector<int32_t> AlsoIdsOf(const std::string& pattern) const;
  // Index i may match when the atoms with id `keys[i]` are marked; kUnfiltered: always.
  void SetIndices(const std::vector<int32_t>& keys);

  // 64-bit words of one set of marks.
  size_t Words() const { return words_; }
  // Sets `marks` (Words() per line) to the atoms found in `text`, lines back to back, line k
  // ending at offset ends[k] (the last at the text's end): an atom is marked on the line that
  // holds its last byte. All atoms are marked when the scan cannot run.
  void Scan(std::string_view text, const std::vector<uint64_t>& ends, uint64_t* marks);
  // The indices that may match a text with atom marks `marks`, as bits (by 64-bit words).
  // Inline: it runs for every text judged.
  void Candidates(const uint64_t* marks, std::vector<uint64_t>& indices) const {
    const size_t words = index_words_;
    indices.resize(words);
    uint64_t* out = indices.data();
    std::copy(always_.begin(), always_.end(), out);
    const size_t forms = forms_.size();
    for (size_t word = 0; word < words_; ++word) {
      for (uint64_t bits = marks[word]; bits != 0; bits &= bits - 1) {
        const size_t id = word * 64 + static_cast<size_t>(std::countr_zero(bits));
        if (id >= forms) return;  // all marked (a scan that could not run)
        const uint64_t* ids = &indices_of_[id * words];
        for (size_t i = 0; i < words; ++i) out[i] |= ids[i];
      }
    }
  }
  static bool Marked(const uint64_t* marks, int32_t id) {
    return id < 0 || ((marks[static_cast<size_t>(id) >> 6] >> (id & 63)) & 1) != 0;
  }

 private:
  struct Database;
  struct RunScan;

  // Queues `form` for the database unless it has it.
  void AddForm(const std::string& form);
  // Marks the anchored atoms (starts_) whose text begins `text`, a scanned text.
  void MarkStarts(std::string_view text, uint64_t* marks) const;

  std::unordered_map<std::string, std::string> form_of_;  // pattern -> form ("" for none)
  std::unordered_map<std::string, std::vector<std::string>> also_of_;  // pattern -> also forms
  std::vector<std::string> fresh_;                                     // forms new to the database
  std::vector<std::string> forms_;                                     // database id -> form
  std::unordered_map<std::string, int32_t> form_ids_;
  std::unique_ptr<Database> database_;
  // Database id and text of each "^" in a form: the database matches them after a "\n" only.
  // Kept by length, each length's texts sorted, so that a text finds the ones it begins with by
  // one binary search per length, however many patterns there are.
  struct Starts {
    size_t length;
    std::vector<std::pair<std::string, uint32_t>> sorted;
  };
  std::vector<Starts> starts_;
  size_t words_ = 1;

  // Indices by what lets them through: always, or the atoms of an id.
  std::vector<uint64_t> always_;
  std::vector<uint64_t> indices_of_;  // index_words_ words per atoms' id
  size_t index_words_ = 0;
};

}  // namespace Qva
