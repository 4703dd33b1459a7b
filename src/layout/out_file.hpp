// An output file of the run.  It is written under a temporary name and
// moved into place when it is closed complete, so that a run that stops
// with an error never leaves a truncated file in place of a good one.  A
// file can also be opened in memory, which the tests use.
#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

namespace vorn {

class OutFile {
public:
  // Creates or replaces the file `name` (written to a temporary name until
  // close()).  `direct` writes the file itself at once (the log).
  bool open(const std::string& name, bool direct = false);
  void open_memory(const std::string& name = "(memory)");
  bool is_open() const { return static_cast<bool>(os_); }
  // The stream to write to; an unopened file swallows what it is given.
  std::ostream& os();
  // Completes the file: flushes and moves it into place.  False when the
  // text could not all be written or the file not be moved into place (the
  // temporary is then removed and an older file stays).
  bool close();
  // True when the last close() failed: the file is not there, whoever
  // closed it.
  bool failed() const { return failed_; }
  // Drops an incomplete file: the temporary is removed and an existing file
  // of the same name stays as it was.  Returns true when something was
  // dropped.
  bool abandon();
  const std::string& name() const { return name_; }
  // Text written so far (memory files only).
  std::string text() const;

private:
  std::unique_ptr<std::ostream> os_;
  std::string name_;
  std::string temp_;
  bool memory_ = false;
  bool failed_ = false;
  std::ostringstream* mem_ = nullptr;
};

}  // namespace vorn
