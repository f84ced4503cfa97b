// A list that grows only at its end and never moves an element: the records of a long import
// (hundreds of thousands of objects) are appended one by one and read in order or by index.
#pragma once

#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

namespace Qva {

// Elements live in blocks of kBlockBytes (at least one element each), each reserved once when
// the block before it is full. Growing therefore copies nothing and touches no memory twice,
// unlike a vector's doubling; and a block above the C library's mmap threshold (fixed at
// 128 KiB, see QVELargeBlock) is a mapping of its own, so its untouched end costs no memory and
// it leaves no hole in the heap. References to elements stay valid while the list grows.
template <typename T, size_t kBlockBytes = 256 * 1024>
class ChunkedList {
 public:
  static constexpr size_t kBlockSize = kBlockBytes / sizeof(T) > 0 ? kBlockBytes / sizeof(T) : 1;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    const_iterator() = default;
    const_iterator(const ChunkedList* list, size_t index) : list_(list), index_(index) {}
    reference operator*() const { return (*list_)[index_]; }
    pointer operator->() const { return &(*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++index_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }

   private:
    const ChunkedList* list_ = nullptr;
    size_t index_ = 0;
  };

  void push_back(T value) {
    if (size_ % kBlockSize == 0) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlockSize);
    }
    blocks_.back().push_back(std::move(value));
    ++size_;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](size_t index) { return blocks_[index / kBlockSize][index % kBlockSize]; }
  const T& operator[](size_t index) const {
    return blocks_[index / kBlockSize][index % kBlockSize];
  }
  const T& at(size_t index) const {
    if (index >= size_) throw std::out_of_range("ChunkedList::at");
    return (*this)[index];
  }
  T& back() { return blocks_.back().back(); }
  const T& back() const { return blocks_.back().back(); }

  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size_); }

 private:
  std::vector<std::vector<T>> blocks_;  // every block but the last holds kBlockSize elements
  size_t size_ = 0;
};

}  // namespace Qva
