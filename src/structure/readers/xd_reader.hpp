// Line reads of the XD parameter file.
#pragma once

#include <span>
#include <string>

#include "layout/record_file.hpp"

namespace vorn {

// The next line that does not begin with "!", upper case, blank-padded to
// 255 characters.  The end of the file stops the run ("ReadXD" /
// "Error reading XD parameter file").
void next_xd_line(RecordFile& f, std::string& line);

// Reads out.size() reals free-form from the file, starting with its next
// line and going on to further lines until all are read; what is left on
// the last line is dropped.  Comment lines are not skipped here.  Returns
// false when a value does not read as a number; the end of the file stops
// the run as in next_xd_line.
bool read_xd_values(RecordFile& f, std::span<double> out);

}  // namespace vorn
