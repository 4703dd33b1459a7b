#include "structure/unique_labels.hpp"

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "layout/text_edit.hpp"

namespace vorn {

std::vector<std::string> refinement_names(const Model& md) {
  // SHELX names have no parentheses (XD's CIFs write C(12) for C12).
  const auto bare = [](std::string_view s) {
    std::string name;
    for (char c : s)
      if (c != '(' && c != ')') name += c;
    return name;
  };
  const auto folded = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  std::map<std::string, int> uses;
  for (int i = 0; i < md.natom; ++i)
    if (!md.atoms[i].name_in_file.empty()) ++uses[folded(bare(md.atoms[i].name_in_file))];
  std::vector<std::string> names;
  for (int i = 0; i < md.natom; ++i) {
    const Atom& a = md.atoms[i];
    const std::string own = bare(a.name_in_file);
    names.push_back(!own.empty() && uses[folded(own)] == 1 ? own : bare(a.label.trimmed()));
  }
  return names;
}

void make_labels_unique(Model& md, Log& log) {
  std::set<std::string> taken;
  for (int i = 0; i < md.natom; ++i) taken.insert(std::string(md.atoms[i].label.trimmed()));
  std::set<std::string> seen;
  std::map<std::string, int> next;   // per element, the lowest number that may be free
  std::vector<std::string> renamed;
  for (int i = 0; i < md.natom; ++i) {
    Label& label = md.atoms[i].label;
    const std::string old(label.trimmed());
    const bool element_only = old.size() >= 2 && old.compare(old.size() - 2, 2, "()") == 0;
    if (!element_only && seen.insert(old).second) continue;
    const std::string element(rtrim(label_before_bracket(old)));
    int& n = next[element];
    std::string fresh;
    do fresh = element + "(" + std::to_string(++n) + ")";
    while (taken.count(fresh) > 0);
    taken.insert(fresh);
    seen.insert(fresh);
    label = fresh;
    renamed.push_back(old + " -> " + fresh + " (atom " + std::to_string(i + 1) + ")");
  }
  if (renamed.empty()) return;
  to_both(log, "");
  warn(log, " WARNING: " + std::to_string(renamed.size()) +
                " atom label(s) repeated or without a number were renamed, as INPUT *rename 1 names atoms:");
  std::string line;
  for (const std::string& r : renamed) {
    if (line.size() + r.size() > 76) {
      to_both(log, line);
      line.clear();
    }
    line += "  " + r;
  }
  to_both(log, line);
}

}  // namespace vorn
