// The steps of the SHELX reader that tests and other readers reach one by
// one: atom-line delivery, label building, free-variable decoding and the
// riding isotropic U.
#pragma once

#include <string>
#include <string_view>

#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "layout/text.hpp"
#include "structure/model.hpp"
#include "structure/readers/readers.hpp"

namespace vorn {

// The residue that the atom lines read so far belong to (RESI number and
// class; 0 and blank outside any residue).
struct ShelxResidue {
  int number = 0;
  std::string rclass;
};

// True when the first four characters of an upper-case line name a SHELX
// instruction (including the newer SHELXL instructions).
bool is_shelx_instruction(std::string_view line);

// Delivers the next atom line (upper case, comments after "!" removed) of
// the atom pass.  Sets `end` at END, HKLF or the end of the file; sets
// `cont` when the line ended in "=" (which is blanked).  RESI instructions
// met on the way update `resi`, PART instructions `part`.
void read_shelx_atom_line(RecordFile& f, std::string& line, bool& end, bool& cont, ShelxResidue& resi, int& part);

// Builds the label of an atom from its SHELX name (the first word of the
// text) and blanks the name in the text; a renamed atom is numbered by its
// place in the file (atom + 1, atom its index) or among the atoms of its
// type (serial, from 1).
// Stops when the label would be longer than 8 characters.
void shelx_label(ShelxLabels naming, std::string& text, Label& label, int element_z, int atom, int serial);

// Decodes the free-variable references in the `count` numbers of an atom
// text and rewrites the text as "(5x,i4,100f12.6)".  False when the numbers
// cannot be read.
bool resolve_free_variables(const ShelxRefinement& sx, std::string& text, int count);

// Resolves a riding isotropic U (-5.0 to -0.5: a multiple of the parent's
// Ueq) of atom i from its parent, the last atom before it whose U is its
// own (`last_own_u`, -1 when none); an atom with its own U becomes that atom.
void resolve_riding_u(Model& md, int i, int& last_own_u);

// The crystal part of a SHELX-style head, shared with the CIF reader: logs
// the cell, the lattice (md.shelx_head.lattice, .centrosymmetric) and the
// operators of the SYMM cards in `cards`, adds the centring and the
// inversion, lists the scattering types, sets up the transform and writes
// the heading of the atom table.
void set_up_crystal(Model& md, RecordFile& cards, Log& out);

// The line of atom i (its index; the line gives its number, i + 1) in the
// atom table on the terminal and in the log.
void write_atom_line(int i, const Atom& at, Log& out);


}  // namespace vorn
