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
#include <fstream>
#include <system_error>
#include <utility>

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

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The first line of a file that shows a number which is not one (NaN or
// an infinity as the record layouts and the C library print them); 0 when
// none does.
std::size_t line_with_nan(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (std::size_t n = 1; std::getline(in, line); ++n)
    for (const char* word : {"NaN", "nan", "Inf", "inf"})
      for (std::size_t p = line.find(word); p != std::string::npos; p = line.find(word, p + 1)) {
        const bool alone = (p == 0 || !is_letter(line[p - 1])) && (p + 3 >= line.size() || !is_letter(line[p + 3]));
        if (alone) return n;
      }
  return 0;
}

bool is_owned(const std::string& name, const std::vector<std::string>& owned) {
  return std::find(owned.begin(), owned.end(), name) != owned.end();
}

// Why a private directory left by another run is not one this program
// made; empty when it is.  Planted by someone else, a directory of that
// name would have its files moved over the user's outputs (a link would
// empty the directory it points to).
std::string untrusted(const std::string& path, const std::vector<std::string>& owned) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "it cannot be examined";
  if (S_ISLNK(st.st_mode)) return "it is a link";
  if (!S_ISDIR(st.st_mode)) return "it is not a directory";
  if (st.st_uid != ::geteuid()) return "it belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "others may write in it";
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(path, ec)) {
    const std::string n = f.path().filename().string();
    struct stat fst {};
    if (::lstat(f.path().c_str(), &fst) != 0 || !S_ISREG(fst.st_mode)) return n + " in it is not a regular file";
    if (!is_owned(n, owned)) return n + " in it is no output of this program";
  }
  if (ec) return "it cannot be read";
  return "";
}

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

// The outputs in place (files or links, never directories) that a set of
// `names` does not replace.
std::vector<std::string> stale_outputs(const std::string& where, const std::vector<std::string>& names,
                                       const std::vector<std::string>& owned) {
  std::vector<std::string> stale;
  for (const std::string& n : owned) {
    struct stat st {};
    if (is_owned(n, names) || ::lstat((where + "/" + n).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    stale.push_back(n);
  }
  return stale;
}

void remove_stale(const std::string& where, const std::vector<std::string>& names,
                  const std::vector<std::string>& owned) {
  for (const std::string& n : stale_outputs(where, names, owned)) ::unlink((where + "/" + n).c_str());
}

// Finishes what runs that are no longer running left behind, where it is
// ours; the rest is left alone and named in `warnings`.
void clear_dead_runs(const std::string& where, const std::vector<std::string>& owned,
                     std::vector<std::string>& warnings) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(where, ec)) {
    const std::string name = e.path().filename().string();
    const pid_t done = owner_of(name, kDonePrefix), run = owner_of(name, kRunPrefix);
    if ((done <= 0 || is_running(done)) && (run <= 0 || is_running(run))) continue;
    if (const std::string why = untrusted(e.path().string(), owned); !why.empty()) {
      warnings.push_back(" Left alone " + name + " in the working directory: " + why);
      continue;
    }
    if (done > 0) {
      std::vector<std::string> names;
      for (const auto& f : fs::directory_iterator(e.path(), ec)) names.push_back(f.path().filename().string());
      std::string failed;
      if (move_into_place(e.path().string(), where, names, failed)) remove_stale(where, names, owned);
    }
    fs::remove_all(e.path(), ec);
  }
}

}  // namespace

OutputSet::OutputSet(OutputSet&& other) noexcept
    : where_(std::move(other.where_)),
      dir_(std::move(other.dir_)),
      names_(std::move(other.names_)),
      owned_(std::move(other.owned_)),
      warnings_(std::move(other.warnings_)) {
  other.dir_.clear();
}

OutputSet& OutputSet::operator=(OutputSet&& other) noexcept {
  if (this != &other) {
    abandon();
    where_ = std::move(other.where_);
    dir_ = std::move(other.dir_);
    names_ = std::move(other.names_);
    owned_ = std::move(other.owned_);
    warnings_ = std::move(other.warnings_);
    other.dir_.clear();
  }
  return *this;
}

OutputSet::~OutputSet() { abandon(); }

bool OutputSet::begin(const std::vector<std::string>& owned, const std::string& where) {
  abandon();
  where_ = where;
  owned_ = owned;
  {
    const MoveLock lock(where);
    clear_dead_runs(where, owned_, warnings_);
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
  // The last guard: a value that is not a number (a fault of a step that
  // let it through) never reaches a file that a refinement reads.
  for (const std::string& n : names_)
    if (const std::size_t line = line_with_nan(dir_ + "/" + n); line > 0)
      fail("VORN", "Output file " + n + " would hold a value that is not a finite number (line " +
                       std::to_string(line) + "); the earlier files are kept");
  const MoveLock lock(where_);
  // A set whose move a killed run left half done goes in first, so that
  // this newer set replaces it whole.
  clear_dead_runs(where_, owned_, warnings_);
  std::string done = dir_;
  done.replace(done.rfind(kRunPrefix), kRunPrefix.size(), kDonePrefix);
  if (std::rename(dir_.c_str(), done.c_str()) != 0) fail("VORN", "Unable to move the output files into place");
  dir_.clear();
  std::string failed;
  const bool ok = move_into_place(done, where_, names_, failed);
  if (ok) remove_stale(where_, names_, owned_);
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

std::vector<std::string> OutputSet::stale() const { return stale_outputs(where_, names_, owned_); }

std::vector<std::string> OutputSet::take_warnings() { return std::exchange(warnings_, {}); }

void commit_outputs(OutputSet& set, OutFile& log) {
  log.os().flush();
  if (!log.good()) fail("VORN", "Unable to write log file " + log.name());
  set.commit();
}

}  // namespace vorn
