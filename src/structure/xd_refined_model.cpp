#include "structure/xd_refined_model.hpp"

#include <algorithm>

#include "layout/layout.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"

namespace vorn {

namespace {

// Words of a line; the line reader's word ends need a blank after the last.
std::vector<std::string> words_of(const std::string& line) {
  const std::string padded = line + ' ';
  std::vector<std::string> w;
  for (int k = 1;; ++k) {
    std::string t = word(padded, k);
    if (t.empty()) break;
    w.push_back(std::move(t));
  }
  return w;
}

char axis_letter(const std::string& w) {
  const std::string u = upcased(w);
  return u == "X" || u == "Y" || u == "Z" ? u[0] : ' ';
}

}  // namespace

void read_old_atom_table(const std::vector<std::string>& master_records, const std::vector<std::string>& labels,
                         XdRefinedModel& refined) {
  refined.atoms.resize(labels.size());
  bool in_table = false;
  for (const std::string& line : master_records) {
    const std::vector<std::string> w = words_of(line);
    if (w.empty()) continue;
    const std::string first = upcased(w[0]);
    if (!in_table) {
      in_table = first == "ATOM" && w.size() > 2 && upcased(w[1]) == "ATOM0";
      continue;
    }
    if (first == "END") break;
    if (w.size() == 4) {
      // A dummy atom: label and fractional coordinates.
      XdDummyAtom d{first, {}};
      bool ok = true;
      for (int k = 0; k < 3; ++k) {
        double v = 0;
        ok = ok && layout::read_fixed_word(w[static_cast<std::size_t>(k + 1)], v);
        d.fractional[static_cast<std::size_t>(k)] = v;
      }
      if (ok) refined.dummies.push_back(d);
      continue;
    }
    // ATOM ATOM0 AX1 ATOM1 ATOM2 AX2 R/L TP TBL KAP LMX SITESYM [CHEMCON]
    if (w.size() < 12) continue;
    const auto it = std::find(labels.begin(), labels.end(), first);
    if (it == labels.end()) continue;
    XdRefinedAtom& a = refined.atoms[static_cast<std::size_t>(it - labels.begin())];
    a.axis_atom1 = upcased(w[1]);
    a.axis1 = axis_letter(w[2]);
    a.axis_atom2 = upcased(w[4]);
    a.axis2 = axis_letter(w[5]);
    a.hand = upcased(w[6])[0];
    a.site_symmetry = w[11];
    a.in_atom_table = a.axis1 != ' ' && a.axis2 != ' ';
  }
}

bool holds_multipoles(const XdRefinedModel& refined) {
  // Pv and P00 come first; the multipoles follow.
  for (const XdRefinedAtom& a : refined.atoms)
    if (std::any_of(a.populations.begin() + 2, a.populations.end(), [](double p) { return p != 0.0; })) return true;
  return false;
}

int written_decimals(const std::string& number) {
  const std::size_t point = number.find('.');
  if (point == std::string::npos) return 0;
  std::size_t end = point + 1;
  while (end < number.size() && number[end] >= '0' && number[end] <= '9') ++end;
  return static_cast<int>(end - point - 1);
}

}  // namespace vorn
