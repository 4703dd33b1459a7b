// The output files of one run, as one set.  Every output but the log is
// written in a private directory of the working directory and the whole
// set is moved into place only when the run ends normally: a run that
// stops or is killed leaves the previous complete set as it was, and two
// runs in one directory at once never mix their files.
//
// The move into place begins by renaming the private directory to a
// "done" name; a run killed after that point has its set moved into place
// by the next run that starts or ends there, so that the set in place is
// always the whole old one or the whole new one.  Sets are moved one at a
// time, under a lock on the working directory.
//
// Only what this program made is finished or cleared: a private directory
// must be a real directory (not a link) owned by the running user and
// writable by nobody else, holding only regular files named like outputs
// of the program; anything else is left alone with a warning, and no file
// of another name is ever moved.  A set that lands replaces the whole
// earlier one: outputs of the program's names that it does not hold are
// removed (an XD parameter file of an earlier run must not lie beside a
// new master file).
#pragma once

#include <string>
#include <vector>

#include "layout/out_file.hpp"

namespace vorn {

class OutputSet {
public:
  OutputSet() = default;
  OutputSet(OutputSet&& other) noexcept;
  OutputSet& operator=(OutputSet&& other) noexcept;
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;
  // A set that was never committed is dropped.
  ~OutputSet();

  // Creates the private directory in `where`.  First completes the move
  // into place of a run that was killed during it and removes the private
  // directories of runs that are no longer running.  False when the
  // directory cannot be created.
  // `owned` are the names of every output the program can write.
  bool begin(const std::vector<std::string>& owned, const std::string& where = ".");
  // Opens output `name` of the set.  False when it cannot be created or
  // when a directory stands in the place of the final file.
  bool open(OutFile& f, const std::string& name);
  // Moves every output into place.  Stops the run, naming the output, when
  // one of them is missing (its writing failed) or cannot be put in place.
  void commit();
  // Drops the whole set; the files in place stay as they were.  Returns
  // the names of the outputs dropped.
  std::vector<std::string> abandon();
  const std::vector<std::string>& names() const { return names_; }
  // Outputs of an earlier run in place that this set does not replace:
  // the commit removes them.
  std::vector<std::string> stale() const;
  // Warnings about private directories left alone, since the last call.
  std::vector<std::string> take_warnings();

private:
  std::string where_;               // the working directory
  std::string dir_;                 // the private directory; empty when there is no open set
  std::vector<std::string> names_;  // the outputs, in the order they were opened
  std::vector<std::string> owned_;  // every name an output of the program can have
  std::vector<std::string> warnings_;
};

// The end of a normal run: the log must hold everything written to it (a
// full disk stops the run, naming the log) before the set is moved into
// place.
void commit_outputs(OutputSet& set, OutFile& log);

}  // namespace vorn
