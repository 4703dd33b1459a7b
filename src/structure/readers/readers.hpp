// The four structure readers and the listings they share.  Each returns
// the model it read and writes no output file but the log.
#pragma once

#include <ostream>
#include <string>

#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

// How the SHELX reader labels the atoms: by their SHELX names, or renamed
// to the element with the atom's number in the file or among the atoms of
// its element (the INPUT line's RENAME).
enum class ShelxLabels { as_named, numbered_in_file, numbered_by_type };

Model read_shelx(const std::string& file, ShelxLabels naming, Log& log);
// XD input: the parameter file and the old master file.
Model read_xd(const std::string& parfile, const FileName& master, Log& log);
Model read_aim2tab(const std::string& file, Log& log);
Model read_platon(const std::string& file, Log& log);
// A CIF data block (the named one, or the first that has atoms); its labels
// are made as SHELX names are.
Model read_cif(const std::string& file, const std::string& block, ShelxLabels naming, Log& log);

// The fractional/Cartesian atom listing with flags.
void write_atom_listing(const Model& md, std::ostream& os);
// The list of scattering types.
void write_scattering_types(const std::vector<int>& types, std::ostream& os);

}  // namespace vorn
