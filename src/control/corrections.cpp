#include "control/corrections.hpp"

#include <string>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

namespace {

[[noreturn]] void no_atom(const CorrectionLine& c, const std::string& name) {
  const char* key = c.kind == CorrectionLine::Kind::bond ? "BOND" : c.kind == CorrectionLine::Kind::nobond ? "NOBOND" : "AXES";
  fail("ReadInp", std::string(key) + ": no atom of the structure is named " + name + " (vorn.inp, line " +
                      std::to_string(c.line) + ")");
}

// The asymmetric-unit atom of that label.
int atom_named(const CorrectionLine& c, const Model& md, const std::string& name) {
  const std::string wanted = upcased(name);
  for (int i = 0; i < md.natom; ++i)
    if (upcased(md.atoms[i].label.trimmed()) == wanted) return i;
  no_atom(c, name);
}

}  // namespace

Corrections resolve_corrections(const std::vector<CorrectionLine>& lines, const Model& md) {
  Corrections out;
  for (const CorrectionLine& c : lines) {
    const std::vector<std::string>& w = c.words;
    switch (c.kind) {
      case CorrectionLine::Kind::bond:
      case CorrectionLine::Kind::nobond: {
        const BondCorrection b{atom_named(c, md, w[0]), atom_named(c, md, w[1]), c.line};
        (c.kind == CorrectionLine::Kind::bond ? out.forced : out.forbidden).push_back(b);
        break;
      }
      case CorrectionLine::Kind::axes: {
        FrameCorrection f;
        f.atom = atom_named(c, md, w[0]);
        f.atom0 = atom_named(c, md, w[1]);
        f.ax1 = w[2][0];
        f.atom1 = atom_named(c, md, w[3]);
        f.atom2 = atom_named(c, md, w[4]);
        f.ax2 = w[5][0];
        f.label = w[6];
        f.line = c.line;
        out.frames.push_back(f);
        break;
      }
    }
  }
  return out;
}

}  // namespace vorn
