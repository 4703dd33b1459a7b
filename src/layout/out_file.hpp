// An output file of the run.  A file is always created afresh: an existing
// file or link of that name is removed first, never followed and never
// truncated, so that no output is written through a link.  A file is
// written under a temporary name and moved into place when it is closed
// complete, or, inside an OutputSet, written in the set's private
// directory and moved into place with the whole set at the end of the run.
// A file can also be opened in memory, which the tests use.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

namespace vorn {

class OutFile {
public:
  // Creates or replaces the file `name` (written to a temporary name until
  // close()).  `direct` writes the file itself at once (the log).
  bool open(const std::string& name, bool direct = false);
  // Creates the file `path` afresh and writes it directly; `name` is the
  // name the messages give it (an output of a set: its final name).
  bool create(const std::string& path, const std::string& name);
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
  // True while everything written so far has gone to the file.
  bool good() const { return !os_ || !os_->fail(); }
  // When a write to the file first failed (a full disk), kept after
  // close(): of several files that failed, the first to fail is the one a
  // message should name.
  using Moment = std::chrono::steady_clock::time_point;
  std::optional<Moment> first_write_failure() const;
  // Drops an incomplete file: the temporary is removed and an existing file
  // of the same name stays as it was.  Returns true when something was
  // dropped.
  bool abandon();
  const std::string& name() const { return name_; }
  // Text written so far (memory files only).
  std::string text() const;

private:
  bool open_file(const std::string& written, const std::string& target, const std::string& name);

  std::unique_ptr<std::ostream> os_;
  std::string name_;     // for messages
  std::string temp_;     // the file written
  std::string target_;   // where close() moves it; empty: it stays where it is written
  bool memory_ = false;
  bool direct_ = false;  // the log: written in place, kept as far as it got
  bool failed_ = false;
  std::optional<Moment> write_failed_at_;   // of a file already closed
  std::ostringstream* mem_ = nullptr;
};

}  // namespace vorn
