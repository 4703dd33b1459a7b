// The control-file line reader: comment and blank records skipped, a record
// ending in a backslash continued on the next one.
#pragma once

#include <string>

#include "layout/record_file.hpp"

namespace vorn {


// Delivers the next logical line, blank-padded to n characters.  Returns
// true at the end of the file (a partial continued line is dropped).
bool readinputline(RecordFile& f, std::string& line, int n = 255);

}  // namespace vorn
