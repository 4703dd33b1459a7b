// An input text file read record by record.  The whole file is held in
// memory, which makes rewinding and stepping back one record (as several
// readers do) exact and cheap.  A trailing carriage return (files written
// on Windows) is dropped from every record.
#pragma once

#include <string>
#include <vector>

namespace vorn {

// Where a record was read: the file (an include file for records that
// stand for an include line) and its line number there (0 for a record
// made from the file, which is then named as a whole).
struct RecordOrigin {
  std::string file;
  std::size_t line = 0;
};

class RecordFile {
public:
  // Loads the file; false when it cannot be opened or read.
  bool open(const std::string& path);
  // Uses the given text as the file's contents (tests).
  void open_text(const std::string& text);
  // Uses records already read (a file with its include files expanded).
  void open_records(std::vector<std::string> records, const std::string& path);
  // ... with the file and line each record came from.
  void open_records(std::vector<std::string> records, std::vector<RecordOrigin> origins, const std::string& path);
  bool is_open() const { return open_; }
  void close() { open_ = false; lines_.clear(); origins_.clear(); pos_ = 0; }

  // Next record cut or blank-padded to `width` characters; false at the end
  // of the file.  width 0 keeps the record as it is.
  bool next(std::string& line, std::size_t width);
  // Steps back one record (no effect at the start).
  void backspace() { if (pos_ > 0) --pos_; }
  void rewind() { pos_ = 0; }
  bool at_end() const { return pos_ >= lines_.size(); }
  std::size_t position() const { return pos_; }   // records read so far
  std::size_t record_count() const { return lines_.size(); }
  const std::string& path() const { return path_; }
  // Where record `n` (1 for the first) came from; "line N of FILE", as
  // the stops that name a line say it.
  RecordOrigin origin(std::size_t n) const;
  std::string where(std::size_t n) const;
  // ... the record read last.
  std::string where() const { return where(pos_); }

private:
  std::vector<std::string> lines_;
  std::vector<RecordOrigin> origins_;   // empty: record n is line n of path_
  std::size_t pos_ = 0;
  bool open_ = false;
  std::string path_;
};

}  // namespace vorn
