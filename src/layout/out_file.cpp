#include "layout/out_file.hpp"

#include <cstdio>

namespace vorn {

namespace {

std::ostream& null_stream() {
  // A stream without a buffer: every write fails quietly.
  static std::ostream sink(nullptr);
  return sink;
}

}  // namespace

bool OutFile::open(const std::string& name, bool direct) {
  close();
  name_ = name;
  memory_ = false;
  temp_ = direct ? name : name + ".vorn-part";
  auto f = std::make_unique<std::ofstream>(temp_, std::ios::out | std::ios::trunc);
  if (!*f) {
    temp_.clear();
    return false;
  }
  os_ = std::move(f);
  return true;
}

void OutFile::open_memory(const std::string& name) {
  close();
  name_ = name;
  memory_ = true;
  auto s = std::make_unique<std::ostringstream>();
  mem_ = s.get();
  os_ = std::move(s);
}

std::ostream& OutFile::os() {
  if (!os_) return null_stream();
  return *os_;
}

void OutFile::close() {
  if (!os_) return;
  if (memory_) {
    // Memory files keep their text for inspection after closing.
    return;
  }
  os_->flush();
  os_.reset();
  if (temp_ != name_) std::rename(temp_.c_str(), name_.c_str());
  temp_.clear();
}

bool OutFile::abandon() {
  if (!os_ || memory_) return false;
  os_.reset();
  if (temp_ != name_) {
    std::remove(temp_.c_str());
    temp_.clear();
    return true;
  }
  temp_.clear();
  return false;
}

std::string OutFile::text() const {
  return mem_ ? mem_->str() : std::string();
}

}  // namespace vorn
