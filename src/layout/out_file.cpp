#include "layout/out_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ext/stdio_filebuf.h>

namespace vorn {

namespace {

std::ostream& null_stream() {
  // A stream without a buffer: every write fails quietly.
  static std::ostream sink(nullptr);
  return sink;
}

// A file buffer that notes when its first write to the descriptor failed.
class StampedFileBuf : public __gnu_cxx::stdio_filebuf<char> {
public:
  using Base = __gnu_cxx::stdio_filebuf<char>;
  explicit StampedFileBuf(int fd) : Base(fd, std::ios::out) {}
  std::optional<OutFile::Moment> failed_at() const { return failed_at_; }

protected:
  int_type overflow(int_type c) override {
    const int_type r = Base::overflow(c);
    if (traits_type::eq_int_type(r, traits_type::eof())) stamp();
    return r;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::streamsize r = Base::xsputn(s, n);
    if (r < n) stamp();
    return r;
  }
  int sync() override {
    const int r = Base::sync();
    if (r != 0) stamp();
    return r;
  }

private:
  void stamp() {
    if (!failed_at_) failed_at_ = std::chrono::steady_clock::now();
  }
  std::optional<OutFile::Moment> failed_at_;
};

// An output stream on a file descriptor that it owns.
class FdStream : public std::ostream {
public:
  explicit FdStream(int fd) : std::ostream(nullptr), buf_(fd) { rdbuf(&buf_); }
  // Flushes and closes the descriptor; false when either failed.
  bool finish() {
    flush();
    const bool ok = !fail();
    buf_.close();   // closes the descriptor
    return ok;
  }
  std::optional<OutFile::Moment> failed_at() const { return buf_.failed_at(); }

private:
  StampedFileBuf buf_;
};

// Creates `path` as a new file: whatever has that name is removed first
// (a link is removed, not followed), and the file is created exclusively,
// so that nothing that appears in between is written through either.  A
// file that another run creates between the two steps (two runs starting
// their logs at once) is removed in turn, a few times at most.
int create_new_file(const std::string& path) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return -1;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool OutFile::open_file(const std::string& written, const std::string& target, const std::string& name) {
  close();
  name_ = name;
  memory_ = false;
  failed_ = false;
  write_failed_at_.reset();
  const int fd = create_new_file(written);
  if (fd < 0) return false;
  os_ = std::make_unique<FdStream>(fd);
  temp_ = written;
  target_ = target;
  return true;
}

bool OutFile::open(const std::string& name, bool direct) {
  const bool opened = direct ? open_file(name, "", name) : open_file(name + ".vorn-part", name, name);
  direct_ = direct;
  return opened;
}

bool OutFile::create(const std::string& path, const std::string& name) {
  direct_ = false;
  return open_file(path, "", name);
}

void OutFile::open_memory(const std::string& name) {
  close();
  name_ = name;
  memory_ = true;
  write_failed_at_.reset();
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
  auto* file = static_cast<FdStream*>(os_.get());
  bool ok = file->finish();
  write_failed_at_ = file->failed_at();
  os_.reset();
  if (!target_.empty() && ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
  // A file that is not complete is not left behind, neither under its
  // temporary name nor in a set's directory; the log keeps what it holds.
  if (!ok && !direct_) std::remove(temp_.c_str());
  temp_.clear();
  target_.clear();
  failed_ = !ok;
  return ok;
}

bool OutFile::abandon() {
  if (!os_ || memory_) return false;
  static_cast<FdStream*>(os_.get())->finish();
  os_.reset();
  const bool staged = !target_.empty();
  if (staged) std::remove(temp_.c_str());
  temp_.clear();
  target_.clear();
  return staged;
}

std::optional<OutFile::Moment> OutFile::first_write_failure() const {
  if (os_ && !memory_) return static_cast<const FdStream*>(os_.get())->failed_at();
  return write_failed_at_;
}

std::string OutFile::text() const {
  return mem_ ? mem_->str() : std::string();
}

}  // namespace vorn
