// The control file vorn.inp: keywords, normalisation and the log echo.
#pragma once

#include <ostream>

#include "control/switches.hpp"
#include "layout/log.hpp"

namespace vorn {

// Reads vorn.inp from the working directory, normalises the switches it
// sets and writes their echo to the log.  Stops with "ReadInp".
Switches read_control_file(Log& log);

// The tolerance block of the echo.
void write_tolerances(const Tols& tols, std::ostream& os);

// The example control file (60 lines).
void printhelp(std::ostream& os);

}  // namespace vorn
