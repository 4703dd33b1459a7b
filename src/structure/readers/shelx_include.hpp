// SHELX include lines: a line "+name" stands for the lines of the file
// `name`, as SHELXL reads it.  Such files usually hold restraints, which
// this program does not use, so a missing one is a warning, not a stop.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "layout/log.hpp"
#include "layout/record_file.hpp"

namespace vorn {

// Include files may include others up to this depth (the .res file itself
// is depth 0).
inline constexpr int kMaxIncludeDepth = 5;
// Lines of a SHELX file with its include files expanded.
inline constexpr std::size_t kMaxShelxRecords = 1000000;

// The records of the open SHELX file `f` (read from `file`) with every
// include line up to its HKLF or END replaced by the records of the named
// file (a name relative to the folder of the SHELX file).  An include file
// that cannot be read is named in a warning and left out; includes nested
// deeper than kMaxIncludeDepth, or expanding to more than kMaxShelxRecords
// lines, stop the run.
// `origins`, when given, receives the file and line of every record.
std::vector<std::string> expand_shelx_includes(RecordFile& f, const std::string& file, Log& log,
                                               std::vector<RecordOrigin>* origins = nullptr);

}  // namespace vorn
