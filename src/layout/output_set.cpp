#include "layout/output_set.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "layout/run_error.hpp"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// Private directories are named .vorn-run-PID-XXXXXX while the run writes
// them and .vorn-done-PID-XXXXXX once their files are being moved.
const std::string kRunPrefix = ".vorn-run-";
const std::string kDonePrefix = ".vorn-done-";

// The process that owns a private directory, from its name; 0 when the
// name is not one of ours.
pid_t owner_of(const std::string& name, const std::string& prefix) {
  if (name.rfind(prefix, 0) != 0) return 0;
  const std::string rest = name.substr(prefix.size());
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string::npos) return 0;
  pid_t pid = 0;
  for (std::size_t k = 0; k < dash; ++k) {
    if (rest[k] < '0' || rest[k] > '9' || pid > 100000000) return 0;
    pid = pid * 10 + (rest[k] - '0');
  }
  return pid;
}

bool is_running(pid_t pid) { return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM; }

bool is_directory_no_follow(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Holds the working directory's lock while sets are moved into place, so
// that two runs ending at once move their sets one after the other instead
// of file by file in turn.  The lock goes with the process: a run killed
// while it holds it keeps no other run waiting.  A file system without
// locks on directories moves the sets unlocked, as before.
class MoveLock {
public:
  explicit MoveLock(const std::string& where) : fd_(::open(where.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  MoveLock(const MoveLock&) = delete;
  MoveLock& operator=(const MoveLock&) = delete;
  ~MoveLock() {
    if (fd_ >= 0) ::close(fd_);
  }

private:
  int fd_;
};

// Moves every file of a finished set into place; false when one could not be moved.
bool move_into_place(const std::string& dir, const std::string& where, const std::vector<std::string>& names,
                     std::string& failed) {
  bool ok = true;
  for (const std::string& n : names)
    if (std::rename((dir + "/" + n).c_str(), (where + "/" + n).c_str()) != 0 && ok) {
      ok = false;
      failed = n;
    }
  return ok;
}

// Finishes what runs that are no longer running left behind.
void clear_dead_runs(const std::string& where) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(where, ec)) {
    const std::string name = e.path().filename().string();
    if (const pid_t pid = owner_of(name, kDonePrefix); pid > 0 && !is_running(pid)) {
      std::vector<std::string> names;
      for (const auto& f : fs::directory_iterator(e.path(), ec)) names.push_back(f.path().filename().string());
      std::string failed;
      move_into_place(e.path().string(), where, names, failed);
      fs::remove_all(e.path(), ec);
    } else if (const pid_t owner = owner_of(name, kRunPrefix); owner > 0 && !is_running(owner)) {
      fs::remove_all(e.path(), ec);
    }
  }
}

}  // namespace

OutputSet::OutputSet(OutputSet&& other) noexcept
    : where_(std::move(other.where_)), dir_(std::move(other.dir_)), names_(std::move(other.names_)) {
  other.dir_.clear();
}

OutputSet& OutputSet::operator=(OutputSet&& other) noexcept {
  if (this != &other) {
    abandon();
    where_ = std::move(other.where_);
    dir_ = std::move(other.dir_);
    names_ = std::move(other.names_);
    other.dir_.clear();
  }
  return *this;
}

OutputSet::~OutputSet() { abandon(); }

bool OutputSet::begin(const std::string& where) {
  abandon();
  where_ = where;
  {
    const MoveLock lock(where);
    clear_dead_runs(where);
  }
  std::string pattern = where + "/" + kRunPrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  dir_ = pattern;
  return true;
}

bool OutputSet::open(OutFile& f, const std::string& name) {
  if (dir_.empty() || is_directory_no_follow(where_ + "/" + name)) return false;
  if (!f.create(dir_ + "/" + name, name)) return false;
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  return true;
}

void OutputSet::commit() {
  if (dir_.empty()) return;
  // Everything is checked before the first file moves: a missing output
  // (its writing failed and it was removed) or a directory in the place of
  // one keeps the whole old set.
  for (const std::string& n : names_) {
    struct stat st {};
    if (::lstat((dir_ + "/" + n).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || is_directory_no_follow(where_ + "/" + n))
      fail("VORN", "Unable to write output file " + n);
  }
  const MoveLock lock(where_);
  // A set whose move a killed run left half done goes in first, so that
  // this newer set replaces it whole.
  clear_dead_runs(where_);
  std::string done = dir_;
  done.replace(done.rfind(kRunPrefix), kRunPrefix.size(), kDonePrefix);
  if (std::rename(dir_.c_str(), done.c_str()) != 0) fail("VORN", "Unable to move the output files into place");
  dir_.clear();
  std::string failed;
  const bool ok = move_into_place(done, where_, names_, failed);
  std::error_code ec;
  fs::remove_all(done, ec);
  if (!ok) fail("VORN", "Unable to write output file " + failed);
}

std::vector<std::string> OutputSet::abandon() {
  std::vector<std::string> dropped;
  if (dir_.empty()) return dropped;
  dropped = names_;
  std::error_code ec;
  fs::remove_all(dir_, ec);
  dir_.clear();
  names_.clear();
  return dropped;
}

void commit_outputs(OutputSet& set, OutFile& log) {
  log.os().flush();
  if (!log.good()) fail("VORN", "Unable to write log file " + log.name());
  set.commit();
}

}  // namespace vorn
