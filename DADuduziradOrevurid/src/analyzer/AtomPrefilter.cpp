#include "analyzer/AtomPrefilter.h"

#include <hs/hs.h>

#include <algorithm>
#include <bit>
#include <climits>

#include "analyzer/PrefilterPattern.h"

namespace Qva {
namespace {

void MarkAll(uint64_t* marks, size_t words) { std::fill(marks, marks + words, ~uint64_t{0}); }

// The texts of `form` as the database looks for them. A line starts after a "\n" or at the
// start of a scanned text: "^" becomes a "\n", and the start is checked apart (AnchoredTexts).
std::vector<std::string> FormTexts(const std::string& form) {
  std::vector<std::string> texts(1);
  for (size_t at = 0; at < form.size();) {
    if (form.compare(at, 3, "(?:") == 0) {
      at += 3;
    } else if (form[at] == ')') {
      ++at;
    } else if (form[at] == '|') {
      if (!texts.back().empty()) texts.emplace_back();
      ++at;
    } else if (form[at] == '^') {
      texts.back() += '\n';
      ++at;
    } else if (form[at] == '\\' && at + 3 < form.size() && form[at + 1] == 'x') {
      texts.back() += static_cast<char>(std::stoi(form.substr(at + 2, 2), nullptr, 16));
      at += 4;
    } else {
      texts.back() += form[at++];
    }
  }
  if (texts.back().empty()) texts.pop_back();
  std::sort(texts.begin(), texts.end());
  texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
  return texts;
}

// The texts that follow a "^" in `form`, up to the end of its branch.
std::vector<std::string> AnchoredTexts(const std::string& form) {
  std::vector<std::string> texts;
  for (size_t at = form.find('^'); at != std::string::npos; at = form.find('^', at)) {
    std::string& text = texts.emplace_back();
    for (++at; at < form.size() && form[at] != ')' && form[at] != '|';) {
      if (form[at] == '\\' && at + 3 < form.size() && form[at + 1] == 'x') {
        text += static_cast<char>(std::stoi(form.substr(at + 2, 2), nullptr, 16));
        at += 4;
      } else {
        text += form[at++];
      }
    }
  }
  return texts;
}

}  // namespace

struct AtomPrefilter::Database {
  ~Database() {
    hs_free_scratch(scratch);
    hs_free_database(database);
  }
  hs_database_t* database = nullptr;
  hs_scratch_t* scratch = nullptr;
};

// One scan call over consecutive stored lines: `ends` holds the end offset of each line.
struct AtomPrefilter::RunScan {
  AtomPrefilter* self;
  uint64_t* marks;  // of the first line
  const std::vector<uint64_t>& ends;
  size_t line = 0;  // of the last match: matches mostly come in the order of their ends

  static int OnMatch(unsigned int id, unsigned long long /*from*/, unsigned long long to,
                     unsigned int /*flags*/, void* context) {
    auto* run = static_cast<RunScan*>(context);
    // The line that holds the match's last byte.
    const uint64_t last = to - 1;
    size_t& line = run->line;
    for (int step = 0; step < 4 && last >= run->ends[line]; ++step) ++line;
    if (last >= run->ends[line] || (line > 0 && last < run->ends[line - 1])) {
      line = static_cast<size_t>(std::upper_bound(run->ends.begin(), run->ends.end(), last) -
                                 run->ends.begin());
    }
    run->marks[line * run->self->words_ + (id >> 6)] |= uint64_t{1} << (id & 63);
    return 0;
  }
};

AtomPrefilter::AtomPrefilter() = default;
AtomPrefilter::~AtomPrefilter() = default;

void AtomPrefilter::Add(const std::string& pattern, bool valid) {
  auto known = form_of_.find(pattern);
  if (known == form_of_.end()) {
    const bool filtered = valid && ReadsAlike(pattern);
    known = form_of_.emplace(pattern, filtered ? PrefilterForm(pattern) : std::string()).first;
    if (filtered && !known->second.empty()) also_of_.emplace(pattern, PrefilterAlsoForms(pattern));
  }
  AddForm(known->second);
  const auto also = also_of_.find(pattern);
  if (also == also_of_.end()) return;
  for (const std::string& form : also->second) AddForm(form);
}

void AtomPrefilter::AddForm(const std::string& form) {
  if (!form.empty() && form_ids_.count(form) == 0 &&
      std::find(fresh_.begin(), fresh_.end(), form) == fresh_.end()) {
    fresh_.push_back(form);
  }
}

int32_t AtomPrefilter::IdOf(const std::string& pattern) const {
  const auto form = form_of_.find(pattern);
  if (form == form_of_.end()) return kUnfiltered;
  const auto id = form_ids_.find(form->second);
  return id != form_ids_.end() ? id->second : kUnfiltered;
}

std::vector<int32_t> AtomPrefilter::AlsoIdsOf(const std::string& pattern) const {
  std::vector<int32_t> ids;
  const auto also = also_of_.find(pattern);
  if (also == also_of_.end()) return ids;
  // A form the database refused asks for nothing.
  for (const std::string& form : also->second) {
    const auto id = form_ids_.find(form);
    if (id != form_ids_.end()) ids.push_back(id->second);
  }
  return ids;
}

void AtomPrefilter::SetIndices(const std::vector<int32_t>& keys) {
  index_words_ = (keys.size() + 63) / 64;
  always_.assign(index_words_, 0);
  indices_of_.assign(forms_.size() * index_words_, 0);
  for (size_t i = 0; i < keys.size(); ++i) {
    uint64_t* bits =
        keys[i] >= 0 ? &indices_of_[static_cast<size_t>(keys[i]) * index_words_] : always_.data();
    bits[i >> 6] |= uint64_t{1} << (i & 63);
  }
}

bool AtomPrefilter::Compile() {
  if (fresh_.empty()) return false;
  std::vector<std::string> forms = forms_;
  for (std::string& form : fresh_) forms.push_back(std::move(form));
  fresh_.clear();

  auto database = std::make_unique<Database>();
  while (!forms.empty()) {
    std::vector<std::string> texts;
    std::vector<unsigned int> ids;
    for (size_t i = 0; i < forms.size(); ++i) {
      for (std::string& text : FormTexts(forms[i])) {
        texts.push_back(std::move(text));
        ids.push_back(static_cast<unsigned int>(i));
      }
    }
    std::vector<const char*> pointers;
    std::vector<size_t> lengths;
    for (const std::string& text : texts) {
      pointers.push_back(text.data());
      lengths.push_back(text.size());
    }
    const std::vector<unsigned int> flags(texts.size(), 0);
    hs_compile_error_t* error = nullptr;
    if (hs_compile_lit_multi(pointers.data(), flags.data(), ids.data(), lengths.data(),
                             static_cast<unsigned int>(texts.size()), HS_MODE_BLOCK, nullptr,
                             &database->database, &error) == HS_SUCCESS) {
      break;
    }
    const int failed = error != nullptr ? error->expression : -1;
    hs_free_compile_error(error);
    if (failed < 0 || static_cast<size_t>(failed) >= texts.size()) {
      forms.clear();  // not the fault of one form: filter nothing
      break;
    }
    // The refused form stays out: the patterns that have it are always candidates.
    forms.erase(forms.begin() + ids[static_cast<size_t>(failed)]);
  }
  if (forms.empty() || database->database == nullptr ||
      hs_alloc_scratch(database->database, &database->scratch) != HS_SUCCESS) {
    forms.clear();
    database.reset();
  }
  forms_ = std::move(forms);
  form_ids_.clear();
  starts_.clear();
  for (size_t i = 0; i < forms_.size(); ++i) {
    form_ids_[forms_[i]] = static_cast<int32_t>(i);
    for (std::string& text : AnchoredTexts(forms_[i])) {
      const size_t length = text.size();
      auto bucket = std::find_if(starts_.begin(), starts_.end(),
                                 [length](const Starts& each) { return each.length == length; });
      if (bucket == starts_.end()) bucket = starts_.insert(starts_.end(), Starts{length, {}});
      bucket->sorted.emplace_back(std::move(text), static_cast<uint32_t>(i));
    }
  }
  for (Starts& bucket : starts_) std::sort(bucket.sorted.begin(), bucket.sorted.end());
  database_ = std::move(database);
  words_ = std::max<size_t>(1, (forms_.size() + 63) / 64);
  return true;
}

void AtomPrefilter::Scan(std::string_view text, const std::vector<uint64_t>& ends,
                         uint64_t* marks) {
  std::fill(marks, marks + ends.size() * words_, 0);
  RunScan run{this, marks, ends};
  if (database_ == nullptr || text.size() > UINT_MAX ||
      hs_scan(database_->database, text.data(), static_cast<unsigned int>(text.size()), 0,
              database_->scratch, &RunScan::OnMatch, &run) != HS_SUCCESS) {
    MarkAll(marks, ends.size() * words_);
    return;
  }
  MarkStarts(text, marks);
}

void AtomPrefilter::MarkStarts(std::string_view text, uint64_t* marks) const {
  for (const Starts& bucket : starts_) {
    if (bucket.length > text.size()) continue;
    const std::string_view head = text.substr(0, bucket.length);
    auto at = std::lower_bound(bucket.sorted.begin(), bucket.sorted.end(), head,
                               [](const auto& entry, std::string_view key) {
                                 return std::string_view(entry.first) < key;
                               });
    for (; at != bucket.sorted.end() && at->first == head; ++at) {
      marks[at->second >> 6] |= uint64_t{1} << (at->second & 63);
    }
  }
}

}  // namespace Qva
