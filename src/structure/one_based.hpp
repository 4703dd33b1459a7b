// Per-atom tables are indexed by atom number, which starts at 1 wherever it
// is seen (listings, output files, the routines' arguments).  OneBased keeps
// that numbering in the code and checks every index against the table size,
// so nothing is ever written past a table.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorn {

template <class T>
class OneBased {
public:
  OneBased() = default;
  explicit OneBased(int n, const T& v = T()) : data_(static_cast<std::size_t>(n), v) {}

  T& operator[](int i) { check(i); return data_[static_cast<std::size_t>(i - 1)]; }
  const T& operator[](int i) const { check(i); return data_[static_cast<std::size_t>(i - 1)]; }

  int size() const { return static_cast<int>(data_.size()); }
  void assign(int n, const T& v) { data_.assign(static_cast<std::size_t>(n), v); }
  void resize(int n, const T& v = T()) { data_.resize(static_cast<std::size_t>(n), v); }
  void fill(const T& v) { for (auto& x : data_) x = v; }
  std::vector<T>& raw() { return data_; }
  const std::vector<T>& raw() const { return data_; }

private:
  void check(int i) const {
    if (i < 1 || i > static_cast<int>(data_.size()))
      throw std::out_of_range("index " + std::to_string(i) + " outside 1.." + std::to_string(data_.size()));
  }
  std::vector<T> data_;
};

}  // namespace vorn
