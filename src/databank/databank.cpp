// The pseudoatom databank: the valence-electron count of the elements, the
// search of the databank for the first entry that fits an atom, and the
// transfer of the entry's parameters into the atom's records.
#include "databank/databank.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "layout/layout.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbors.hpp"

namespace vorn {

namespace {

constexpr int kDatabankUnit = 47;          // unit number the messages name
constexpr std::size_t kDbLineLength = 200; // a databank line
constexpr int kMaxTypeLines = 12;          // neighbour types of one entry
constexpr int kMaxPlmsNumbers = 100;       // numbers on one PLMS line

// What one search reads: the databank, the atoms, the hydrogens' parent
// descriptors, the functional groups found, and the log (with the entry
// by entry detail at verbosity 2).
struct Search {
  const DatabankSource& db;
  const Model& model;
  const HydrogenParents& parents;
  const FunctionalGroups& except;
  Log& log;
  bool verbose() const { return log.shows(2); }
  const Atom& atom(int i) const { return model.atoms[i]; }
};

// Next databank line that is not a comment, upper-cased and tokenised into
// the current words; the end of the file inside an entry stops the run.
void readfile(const Search& rs, std::string& line);
// Whether the functional-group status of the entry just matched agrees
// with atom i: 0 accept, 1 skip.  `group` receives the entry's group.
int exceptdb(const Search& rs, int i, Text<40>& group);

// The lines of the databank come from the copy in memory while a search
// runs on it (rs.db.text.active), else from the file itself.
bool db_next(const Search& rs, std::string& line) {
  DatabankText& t = rs.db.text;
  if (!t.active) return rs.db.file.next(line, kDbLineLength);
  if (t.pos >= t.lines.size()) return false;
  line = t.lines[t.pos++];
  return true;
}

void db_backspace(const Search& rs) {
  DatabankText& t = rs.db.text;
  if (!t.active)
    rs.db.file.backspace();
  else if (t.pos > 0)
    --t.pos;
}

std::size_t db_position(const Search& rs) { return rs.db.text.active ? rs.db.text.pos : rs.db.file.position(); }

// "line 12 of databank file db.db": where a databank fault is.
std::string where_in_db(const Search& rs) {
  return "line " + std::to_string(db_position(rs)) + " of databank file " + rs.db.file.path();
}

// Next line that is not a comment, upper-cased and tokenised; false at the
// end of the file.
bool next_entry_line(const Search& rs, std::string& line) {
  DatabankText& t = rs.db.text;
  if (t.active) {
    // The copy in memory keeps each line's tokens once they are made.
    for (;;) {
      if (t.pos >= t.lines.size()) return false;
      const std::size_t k = t.pos++;
      if (t.lines[k][0] == '!') continue;
      if (!t.tokenised[k]) {
        std::string& u = t.upper[k];
        u = t.lines[k];
        to_upper_case(u);
        readline(u, t.tokens[k]);
        t.tokenised[k] = 1;
      }
      line = t.upper[k];
      t.current = t.tokens[k];
      return true;
    }
  }
  do {
    if (!db_next(rs, line)) return false;
  } while (line[0] == '!');
  to_upper_case(line);
  readline(line, rs.db.text.current);
  return true;
}

[[noreturn]] void bad_numbers(const Search& rs, const char* what) {
  fail("ReadDB", std::string("Cannot read ") + what + " from " + where_in_db(rs));
}

// The first n integers of a tokenised line.
std::vector<int> line_ints(const Search& rs, const std::string& line, int n, const char* what) {
  std::vector<int> v(static_cast<std::size_t>(n), 0);
  if (!layout::read_ints(line, v)) bad_numbers(rs, what);
  return v;
}

bool all_finite(const std::vector<double>& v) {
  for (double x : v)
    if (!std::isfinite(x)) return false;
  return true;
}

// Reads the lines of the entry whose ATOM line is line `entry` until
// keyword 1 is `key`.  The entry ends at the next ATOM line or at the end
// of the file: a missing line stops the run, naming the entry, rather than
// take the line of the next entry.
void read_until(const Search& rs, std::size_t entry, std::string& line, const char* key) {
  const std::string missing = "The databank entry on line " + std::to_string(entry) + " of databank file " +
                              rs.db.file.path() + " has no " + key + " line";
  for (;;) {
    if (!next_entry_line(rs, line)) fail("ReadDB", missing + " (end of the file)");
    if (rs.db.text.current.keyword(1) == key) return;
    if (rs.db.text.current.keyword(1) == "ATOM")
      fail("ReadDB", missing + " before the next entry on line " + std::to_string(db_position(rs)));
  }
}

Text<5> keyword5(const Search& rs, int k) { return Text<5>(rs.db.text.current.keyword(k).view().substr(0, 5)); }

void log_line(const Search& rs, const std::string& text) { to_log(rs.log, text); }

// Hydrogen: the PRNT line describes the parent atom.  Returns true when the
// entry fits; the file is then positioned after its matching lines.
bool hydrogen_fits(const Search& rs, std::size_t entry, int i, const SiteSym& asymi, DatabankMatch& m1) {
  std::string line;
  read_until(rs, entry, line, "PRNT");
  const std::vector<int> v = line_ints(rs, line, 3, "the parent atom, its neighbours and hydrogens (PRNT)");
  m1.site_symmetry = keyword5(rs, 5);
  if (exceptdb(rs, i, m1.group) == 1) return false;
  if (rs.verbose())
    log_line(rs, layout::format("(2x,3(1x,a,i3),1x,3a)", "jhp =", v[0], "jsp =", v[1], "jhnei=", v[2], "asymr=[",
                                m1.site_symmetry, "]"));
  // A blank symmetry on the entry fits only a blank site symmetry.
  return v[0] == rs.parents.of[i].atomic_number && v[1] == rs.parents.of[i].neighbour_count && v[2] == rs.parents.of[i].hydrogens && m1.site_symmetry == asymi;
}

// Any other element: the NEIG line and its type lines.
bool heavy_atom_fits(const Search& rs, std::size_t entry, int i, const DatabankQuery& q, const SiteSym& asymi,
                     DatabankMatch& m1) {
  std::string line;
  read_until(rs, entry, line, "NEIG");
  const std::vector<int> v = line_ints(rs, line, 4, "the neighbour counts, ring flag and ring size (NEIG)");
  const int jnei = v[0], jty = v[1], jring = v[2], jmemb = v[3];
  m1.site_symmetry = keyword5(rs, 6);
  bool planar = q.neighbours.count() <= 3;
  if (rs.db.text.current.keyword(8) == "F") planar = false;
  if (rs.db.text.current.keyword(8) == "T") planar = true;
  if (rs.verbose()) {
    log_line(rs, layout::format("(2x,3(1x,a,i3),1x,3a,1x,a,l1)", "jnei=", jnei, "jty=", jty, "jring=", jring,
                                "asymr=[", m1.site_symmetry, "]", "planar=", planar));
    log_line(rs, layout::format("(1x,a,i3)", "jmemb=", jmemb));
  }
  if (jty > kMaxTypeLines)
    fail("ReadDB",
        "More than " + std::to_string(kMaxTypeLines) + " neighbour types (" + std::to_string(jty) + ") on " +
            where_in_db(rs));
  const bool fits = jnei == q.neighbours.count() && jty == q.neighbours.type_count() && jring == q.ring.rings &&
                    jmemb == q.ring.members && (m1.site_symmetry.blank() || m1.site_symmetry == asymi) &&
                    planar == q.planar_group;
  if (!fits) return false;

  struct TypeLine { int z, count; };
  std::vector<TypeLine> types;
  for (int k = 1; k <= jty; ++k) {
    readfile(rs, line);
    const std::vector<int> t = line_ints(rs, line, 3, "a neighbour type line");
    types.push_back({t[1], t[2]});
    if (rs.verbose())
      log_line(rs, layout::format("(3x,'type =',i3,' jatum =',i3,' jndt =',i3)", k, t[1], t[2]));
  }
  for (const NeighborType& nt : q.neighbours.types) {
    bool found = false;
    for (const TypeLine& t : types) found = found || (t.z == nt.atomic_number && t.count == nt.count());
    if (!found) return false;
  }
  return exceptdb(rs, i, m1.group) == 0;
}

// The accepted entry's PVAL line and its PLMS lines.
void read_parameters(const Search& rs, std::size_t entry, DatabankMatch& m1) {
  std::string line;
  read_until(rs, entry, line, "PVAL");
  std::vector<double> p(4, 0.0);
  if (!layout::read_reals(line, p) || !all_finite(p)) bad_numbers(rs, "Pval, kappa, kappa' and sigmaPv (PVAL)");
  m1.pv = p[0];
  m1.kappa1 = p[1];
  m1.kappa2 = p[2];
  m1.sigpv = p[3];
  // The PLMS lines run to the first other line, or to the end of the file
  // when this is the databank's last entry.
  while (next_entry_line(rs, line) && rs.db.text.current.keyword(1) == "PLMS") {
    const int n = layout::count_values(line);
    if (n > kMaxPlmsNumbers)
      fail("ReadDB",
          "More than " + std::to_string(kMaxPlmsNumbers) + " numbers on a PLMS line, " + where_in_db(rs));
    std::vector<double> v(static_cast<std::size_t>(n), 0.0);
    if (!layout::read_reals(line, v) || !all_finite(v)) bad_numbers(rs, "multipole populations (PLMS)");
    for (int t = 0; t + 2 < n; t += 3) {
      const double fl = v[static_cast<std::size_t>(t)];
      const double fm = v[static_cast<std::size_t>(t + 1)];
      const bool l_ok = std::fabs(fl) < 10.0 && std::lround(fl) >= 0 && std::lround(fl) <= 4;
      const long l = l_ok ? std::lround(fl) : 0;
      const bool m_ok = l_ok && std::fabs(fm) < 10.0 && std::labs(std::lround(fm)) <= l;
      if (!m_ok)
        fail("ReadDB",
            "PLMS triple " + std::to_string(t / 3 + 1) + " has l or m out of range (0 <= l <= 4, -l <= m <= l) on " +
                where_in_db(rs));
      m1.plm(static_cast<int>(l), static_cast<int>(std::lround(fm))) = v[static_cast<std::size_t>(t + 2)];
    }
  }
}

void log_search_header(const Search& rs, int i, const DatabankQuery& q, const SiteSym& asymi) {
  log_line(rs, "");
  log_line(rs, " Searching DataBank for a match : ");
  log_line(rs, layout::listed(" ityp  = ", rs.atom(i).atomic_number));
  log_line(rs, layout::listed(" iring = ", q.ring.rings));
  log_line(rs, layout::listed(" inei  = ", q.neighbours.count()));
  log_line(rs, layout::listed(" ity   = ", q.neighbours.type_count()));
  log_line(rs, layout::listed(" imemb = ", q.ring.members));
  log_line(rs, layout::format("(a,a,a)", "  asymi = [", asymi, "]"));
  log_line(rs, layout::listed(" lPG   = ", q.planar_group));
  int k = 0;
  for (const NeighborType& nt : q.neighbours.types)
    log_line(rs, layout::listed(" type = ", ++k, " atom = ", nt.atomic_number, " neib = ", nt.count()));
  log_line(rs, " ");
}

}  // namespace

std::string parameter_block(std::string_view label, const DatabankMatch& m1) {
  std::vector<layout::Item> items{layout::to_item(label), layout::to_item(m1.pv), layout::to_item(m1.kappa1),
                                  layout::to_item(m1.kappa2), layout::to_item(m1.sigpv)};
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) items.push_back(layout::to_item(m1.plm(l, m)));
  return layout::format_items("(/,' Pseudoatom parameters assigned to ',a,' : ',/,/,"
                              "3x,'Pval, Kappa, Kappa'', sigmaPv = ',4f12.4,/,"
                              "3x,' 2nd Monopole:',f7.3,/,"
                              "3x,'      Dipoles:',3f7.3,/,"
                              "3x,'  Quadrupoles:',5f7.3,/,"
                              "3x,'    Octupoles:',7f7.3,/,"
                              "3x,'Hexadecapoles:',9f7.3)",
                              items);
}

namespace {

void log_report(const Search& rs, int i, const DatabankMatch& m1) {
  const std::string_view label = rs.atom(i).label.trimmed();
  log_line(rs, layout::format("(/,' ReadDB :: atom ',a,' was',a,'found in the DataBank')", label,
                              m1.found ? " " : " NOT "));
  if (m1.found) {
    log_line(rs, layout::format("(/,' DB comment for ',a,' = [',a,']')", label, m1.comment.trimmed()));
    if (rs.except.of[i].identified)
      log_line(rs, layout::format("(/,' Functional group = [',a,']')", m1.group.trimmed()));
  }
  log_line(rs, parameter_block(label, m1));
}

// The atomic number (word 2) of an ATOM line: 0 when read, 1 when the
// line has no second word, 2 when the word is not an integer.
int read_atom_z(const std::string& raw, int& z) {
  int istart = 0, iend = 0;
  if (!find_word(raw, 2, istart, iend)) return 1;
  layout::FreeReader zr(raw.substr(static_cast<std::size_t>(istart - 1), static_cast<std::size_t>(iend - istart + 1)));
  return zr.integer(z) ? 0 : 2;
}

// The same, stopping the run on a line whose atomic number cannot be read.
int atom_line_z(const Search& rs, const std::string& raw) {
  int z = 0;
  const int status = read_atom_z(raw, z);
  if (status == 1) fail("ReadChar", "Unexpected STOP in ReadChar...");
  if (status == 2) bad_numbers(rs, "the atomic number of an ATOM line");
  return z;
}

// Takes the databank into memory (once per file opened) and indexes its
// ATOM lines; false when no databank is open.
bool prepare_text(const Search& rs) {
  RecordFile& db = rs.db.file;
  DatabankText& t = rs.db.text;
  if (!db.is_open()) return false;
  db.rewind();
  std::string first;
  db.next(first, kDbLineLength);
  db.rewind();
  if (t.built && t.path == db.path() && t.count == db.record_count() && t.first == first) return true;
  t = DatabankText{};
  std::string line;
  while (db.next(line, kDbLineLength)) t.lines.push_back(line);
  db.rewind();
  for (std::size_t k = 0; k < t.lines.size(); ++k) {
    const std::string& raw = t.lines[k];
    if (raw.compare(0, 4, "ATOM") != 0) continue;
    int z = 0;
    if (read_atom_z(raw, z) == 0)
      t.atom_lines[z].push_back(k);
    else
      t.bad_lines.push_back(k);
  }
  t.tokenised.assign(t.lines.size(), 0);
  t.upper.assign(t.lines.size(), std::string());
  t.tokens.assign(t.lines.size(), LineExtract{});
  t.path = db.path();
  t.count = db.record_count();
  t.first = first;
  t.built = true;
  return true;
}

// The next ATOM line at or after line `from` that the scan for element z
// stops at: one of the element, or one whose atomic number cannot be read.
bool next_atom_line(const DatabankText& t, int z, std::size_t from, std::size_t& k) {
  std::size_t best = t.lines.size();
  const auto it = t.atom_lines.find(z);
  if (it != t.atom_lines.end()) {
    const auto p = std::lower_bound(it->second.begin(), it->second.end(), from);
    if (p != it->second.end()) best = *p;
  }
  const auto q = std::lower_bound(t.bad_lines.begin(), t.bad_lines.end(), from);
  if (q != t.bad_lines.end()) best = std::min(best, *q);
  k = best;
  return best < t.lines.size();
}

}  // namespace

double pval(int z) {
  if (z <= 0) return 0.0;
  if (z <= 2) return static_cast<double>(z);
  if (z <= 10) return static_cast<double>(z - 2);
  if (z <= 18) return static_cast<double>(z - 10);
  if (z <= 36) return static_cast<double>(z - 18);
  if (z <= 54) return static_cast<double>(z - 36);
  if (z <= 86) return static_cast<double>(z - 54);
  return static_cast<double>(z - 86);
}

namespace {

void readfile(const Search& rs, std::string& line) {
  if (next_entry_line(rs, line)) return;
  to_both(rs.log, " ReadFile :: end of databank file " + rs.db.file.path() + " after line " +
                  std::to_string(db_position(rs)) + ", inside an entry");
  fail("ReadFile", "Error reading unit = " + std::to_string(kDatabankUnit));
}

int exceptdb(const Search& rs, int i, Text<40>& group) {
  const bool has_group = rs.except.of[i].identified;
  const Text<40>& atom_group = rs.except.of[i].name;
  std::string line;
  // The end of the file here leaves the entry without its PVAL line, which
  // the reading of the parameters reports.
  const bool more = next_entry_line(rs, line);
  if (!more || !(rs.db.text.current.keyword(1) == "EXCEPT")) {
    if (more) db_backspace(rs);
    if (!has_group) return 0;
    if (rs.verbose())
      log_line(rs, layout::format("(/,' Functional group = [',a,'], but no functional group',"
                                  "' specified for this entry..',/,' Skipping DB entry...',/)",
                                  atom_group.trimmed()));
    return 1;
  }
  if (rs.verbose()) log_line(rs, layout::format("(3x,'Exception entry in DataBank :')"));
  if (!has_group) {
    if (rs.verbose())
      log_line(rs, layout::format("(' Exception was not identified for this atom - ','Skip DB entry...',/)"));
    return 1;
  }
  // The group name keeps its blanks, so it is taken from the raw line:
  // it begins one separating character after the word GROUP.
  db_backspace(rs);
  std::string raw;
  db_next(rs, raw);
  to_upper_case(raw);
  const std::size_t g = raw.find("GROUP");
  const int last = last_nonblank_column(raw);
  if (g != std::string::npos && static_cast<int>(g) + 6 < last)
    group = std::string_view(raw).substr(g + 6, static_cast<std::size_t>(last) - (g + 6));
  else
    group = "";
  if (rs.verbose()) {
    log_line(rs, layout::format("(6x,'functional group   = [',a,']')", atom_group.trimmed()));
    log_line(rs, layout::format("(6x,'group read from DB = [',a,']')", group.trimmed()));
  }
  if (group == atom_group) return 0;
  if (rs.verbose()) {
    log_line(rs, "   Wrong functional group... :(");
    log_line(rs, "");
  }
  return 1;
}

DatabankMatch search(const Search& rs, int i, const DatabankQuery& q) {
  const Atom& a = rs.atom(i);
  DatabankMatch m1;
  m1.pv = pval(a.atomic_number);
  const SiteSym asymi(upcased(a.sitesym.view()));
  log_search_header(rs, i, q, asymi);

  // One entry whose ATOM line carries the atom's atomic number: the rest
  // of the entry decides whether it fits.
  auto try_entry = [&](const std::string& raw) {
    if (rs.verbose()) log_line(rs, " Reading atom = " + raw);
    int istart = 0, iend = 0;
    if (!find_word(raw, 4, istart, iend)) fail("ReadChar", "Unexpected STOP in ReadChar...");
    const int last = last_nonblank_column(raw);
    m1.comment = std::string_view(raw).substr(static_cast<std::size_t>(istart - 1),
                                              static_cast<std::size_t>(last - istart + 1));
    const std::size_t entry = db_position(rs);
    const bool fits =
        a.atomic_number == 1 ? hydrogen_fits(rs, entry, i, asymi, m1) : heavy_atom_fits(rs, entry, i, q, asymi, m1);
    if (!fits) return;
    m1.found = true;
    read_parameters(rs, entry, m1);
  };

  DatabankText& t = rs.db.text;
  t.active = !rs.db.direct && prepare_text(rs);
  std::string raw;
  if (t.active) {
    // From one ATOM line of the element to the next: the lines between
    // are passed over by the scan below without effect.
    t.pos = 0;
    std::size_t k = 0;
    while (!m1.found && next_atom_line(t, a.atomic_number, t.pos, k)) {
      t.pos = k + 1;
      raw = t.lines[k];
      atom_line_z(rs, raw);
      try_entry(raw);
    }
    t.active = false;
  } else {
    // The scan of the file from its first line.
    RecordFile& db = rs.db.file;
    db.rewind();
    while (!m1.found && db.next(raw, kDbLineLength)) {
      if (raw.compare(0, 4, "ATOM") != 0) continue;
      if (atom_line_z(rs, raw) != a.atomic_number) continue;
      try_entry(raw);
    }
  }

  log_report(rs, i, m1);
  return m1;
}

}  // namespace

DatabankMatch search_databank_with_neighbours(const DatabankSource& db, const Model& model, const HydrogenParents& parents, const FunctionalGroups& except,
                 Log& log, int i, const DatabankQuery& q) {
  return search(Search{db, model, parents, except, log}, i, q);
}

DatabankMatch search_databank(const DatabankSource& db, IndexedAtoms atoms, const HydrogenParents& parents, const FunctionalGroups& except, Log& log,
               int i, const PlanarRings& ring, bool planar_group) {
  const FoundNeighbours found = find_neighbours(atoms, log, i, 0.0, SearchListing::silent);
  return search_databank_with_neighbours(db, atoms.model, parents, except, log, i, DatabankQuery{found, ring, planar_group});
}

void copy_databank_result(const Atom& a, int i, int kappa_set, const DatabankMatch& m1, Populations& populations,
                          Kappas& kappas) {
  populations.of[i].pv = m1.pv * a.occ;
  populations.of[i].sigpv = m1.sigpv;
  Plm& plm = populations.of[i].plm;
  plm = Plm{};
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) plm(l, m) = m1.plm(l, m) * a.occ;
  // The kappa values of a set are those of the last atom transferred into
  // it; its scattering type is that of the atom that opened it.
  const bool opens = kappa_set > kappas.count();
  kappas.hold(kappa_set);
  KappaSet& set = kappas.set(kappa_set);
  set.kappa = m1.kappa1;
  set.kappa_prime = m1.kappa2;
  if (opens) set.scattering_type = a.scattering_type;
}

void databank_defaults(const Atom& a, int i, int kappa_set, Populations& populations, Kappas& kappas) {
  populations.of[i].pv = pval(a.atomic_number) * a.occ;
  populations.of[i].sigpv = 0.0;
  populations.of[i].plm = Plm{};
  kappas.hold(kappa_set);
  kappas.set(kappa_set) = KappaSet{1.0, 1.0, a.scattering_type};
}

}  // namespace vorn
