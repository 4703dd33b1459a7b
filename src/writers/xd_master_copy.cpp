#include "writers/xd_master_copy.hpp"

#include <string_view>

#include "layout/layout.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "structure/anomalous_dispersion.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

// Old master-file lines are compared as 200-character records.
constexpr std::size_t kRecord = 200;

bool starts(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The section markers.
bool is_atom_header(std::string_view line) { return starts(line, "ATOM"); }
bool is_table_end(std::string_view line) { return starts(upcased(line.substr(0, 4)), "END "); }
bool is_key_header(std::string_view line) { return starts(line, "KEY "); }
bool is_extcn(std::string_view line) { return starts(upcased(line.substr(0, 6)), "EXTCN "); }

// A record blank-padded to 200 characters (longer lines are kept whole, so
// nothing of them is lost in the copy).
std::string padded_record(const std::string& line) {
  std::string r = line;
  if (r.size() < kRecord) r.resize(kRecord, ' ');
  return r;
}

// A copied line without its trailing blanks; an all-blank record keeps its
// 200 blanks.
std::string copied(const std::string& record) {
  const std::string_view t = rtrim(record);
  return t.empty() ? std::string(kRecord, ' ') : std::string(t);
}

}  // namespace

OldMasterSections split_old_master(const std::vector<std::string>& records, const std::string& file_name) {
  enum Stage { head, atoms, controls, keys, trailer };
  constexpr const char* missing[] = {"ATOM table (no line beginning with ATOM)",
                                     "end of the ATOM table (no END line after the ATOM table)",
                                     "KEY table (no line beginning with KEY after the atom table)",
                                     "EXTCN line after the KEY table"};
  OldMasterSections s;
  int stage = head;
  for (const std::string& raw : records) {
    const std::string line = padded_record(raw);
    switch (stage) {
      case head:
        if (is_atom_header(line)) {
          stage = atoms;
          s.atom_table.push_back(copied(line));
        } else {
          s.head.push_back(copied(line));
        }
        break;
      case atoms:
        s.atom_table.push_back(copied(line));
        if (is_table_end(line)) stage = controls;
        break;
      case controls:
        if (is_key_header(line)) {
          stage = keys;
          s.key_table.push_back(copied(line));
        } else {
          s.controls.push_back(copied(line));
        }
        break;
      case keys:
        if (is_extcn(line)) {
          stage = trailer;
          s.trailer.push_back(copied(upcased(line)));
        } else {
          s.key_table.push_back(copied(line));
        }
        break;
      default:
        s.trailer.push_back(copied(line));
        break;
    }
  }
  if (stage < trailer)
    fail("LocalDef", "Old XD master file " + file_name + " has no " + missing[stage]);
  return s;
}

std::string keep_kappa_instruction(int nkset) {
  std::vector<layout::Item> items{layout::Item{std::string_view("KEEP  kappa ")}};
  for (int k = 1; k <= nkset; ++k) items.emplace_back(static_cast<long long>(k));
  return layout::format_items("( a, 20i4,' \\', 10(/,20i4,' \\') )", items);
}

std::vector<std::string> with_kappa_sets(const std::vector<std::string>& controls, int nkset) {
  std::vector<std::string> out;
  bool continued = false;   // the line before belongs to the old KEEP kappa and ends in "\"
  for (const std::string& line : controls) {
    const bool ends_continued = !rtrim(line).empty() && rtrim(line).back() == '\\';
    if (continued) {
      continued = ends_continued;
      continue;
    }
    if (upcased(word(line, 1)) == "KEEP" && upcased(word(line, 2)).starts_with("KAPPA")) {
      continued = ends_continued;
      std::string text = keep_kappa_instruction(nkset);
      for (std::size_t at = 0;;) {
        const std::size_t nl = text.find('\n', at);
        out.emplace_back(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
        if (nl == std::string::npos) break;
        at = nl + 1;
      }
      continue;
    }
    out.push_back(line);
  }
  return out;
}

namespace {

// A scattering-table row with its DELF' and DELF'' words (the 23rd and 24th:
// symbol, three form-factor words, 18 populations) filled in when both are 0.
std::string filled_row(const std::string& row, double wavelength) {
  // Copied rows have no blank after their last word, which the word search needs.
  const std::string padded = row + ' ';
  int f1 = 0, l1 = 0, f2 = 0, l2 = 0, f0 = 0, l0 = 0;
  if (!find_word(padded, 22, f0, l0) || !find_word(padded, 23, f1, l1) || !find_word(padded, 24, f2, l2)) return row;
  double fp = 0, fpp = 0;
  if (!layout::read_fixed_word(row.substr(static_cast<std::size_t>(f1 - 1), static_cast<std::size_t>(l1 - f1 + 1)), fp) ||
      !layout::read_fixed_word(row.substr(static_cast<std::size_t>(f2 - 1), static_cast<std::size_t>(l2 - f2 + 1)), fpp) ||
      fp != 0.0 || fpp != 0.0)
    return row;
  const AnomalousTerms t = anomalous_terms(atomic_number_of(word(row, 1)), wavelength, {});
  if (t.fp == 0.0 && t.fpp == 0.0) return row;
  return row.substr(0, static_cast<std::size_t>(l0)) + layout::fmt_f(t.fp, 8, 4) + layout::fmt_f(t.fpp, 8, 4) +
         row.substr(static_cast<std::size_t>(l2));
}

}  // namespace

std::vector<std::string> with_dispersion(const std::vector<std::string>& head, double wavelength) {
  std::vector<std::string> out;
  bool in_table = false;
  for (const std::string& line : head) {
    const std::string first = upcased(word(line, 1));
    if (in_table && first == "END") in_table = false;
    out.push_back(in_table ? filled_row(line, wavelength) : line);
    if (first == "SCAT") in_table = true;
  }
  return out;
}

}  // namespace vorn
