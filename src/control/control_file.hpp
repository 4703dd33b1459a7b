// The control file vorn.inp: keywords, normalisation and the log echo.
#pragma once

#include <ostream>

namespace vorn {

struct RunState;

// Reads vorn.inp from the working directory into the switches, normalises
// them and writes the echo to the log.  Stops through err ("ReadInp").
void readinp(RunState& rs);

// The tolerance block of the echo.
void prttol(RunState& rs, std::ostream& os);

// The example control file (44 lines).
void printhelp(std::ostream& os);

}  // namespace vorn
