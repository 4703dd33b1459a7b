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
  failed_ = false;
  temp_ = direct ? name : name + ".vorn-part";
  // A temporary left by a run that was killed is replaced, not followed
  // (it could be a link to a file elsewhere).
  if (!direct) std::remove(temp_.c_str());
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

bool OutFile::close() {
  if (!os_) return true;
  if (memory_) {
    // Memory files keep their text for inspection after closing.
    return true;
  }
  os_->flush();
  auto* file = dynamic_cast<std::ofstream*>(os_.get());
  if (file) file->close();
  bool ok = !os_->fail();
  os_.reset();
  if (temp_ != name_) {
    if (ok) ok = std::rename(temp_.c_str(), name_.c_str()) == 0;
    if (!ok) std::remove(temp_.c_str());
  }
  temp_.clear();
  failed_ = !ok;
  return ok;
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
