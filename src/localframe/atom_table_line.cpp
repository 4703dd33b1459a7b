#include "localframe/atom_table_line.hpp"

#include "layout/layout.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

std::string atom_table_line(const Atom& a, const Frame& f, int kappa_set, std::string_view constraint_label,
                            Handedness hand) {
  const std::string ax1(1, f.letter[0]);
  const std::string ax2(1, f.letter[1]);
  const char* const hand_text = hand == Handedness::left ? "L " : "R ";
  std::string line;
  if (rtrim(constraint_label).empty()) {
    line = layout::format("(a8,1x,a8,2x,a1,2x,a8,1x,a8,1x,a1,3x,a2,2i3,2i4,3x,a5)", a.label.view(),
                          f.label[0].view(), ax1, a.label.view(), f.label[1].view(), ax2, hand_text, a.adp_type, a.scattering_type, kappa_set,
                          a.max_multipole_level, a.sitesym.view());
  } else {
    line = layout::format("(a8,1x,a8,2x,a1,2x,a8,1x,a8,1x,a1,3x,a2,2i3,2i4,3x,a5,3x,a8)", a.label.view(),
                          f.label[0].view(), ax1, a.label.view(), f.label[1].view(), ax2, hand_text, a.adp_type, a.scattering_type, kappa_set,
                          a.max_multipole_level, a.sitesym.view(), Label(constraint_label).view());
  }
  return std::string(rtrim(line));
}

}  // namespace vorn
