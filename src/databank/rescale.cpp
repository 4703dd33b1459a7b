// Valence-population rescaling: within each fragment named in the control
// file the transferred populations are corrected so that they add up to the
// free-atom valence electrons minus the fragment's net charge.
#include "databank/rescale.hpp"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "layout/input_lines.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/tokens.hpp"
#include "databank/databank.hpp"
#include "layout/layout.hpp"
#include "layout/record_file.hpp"

namespace vorn {

namespace {

enum Method { kDifference = 1, kFraction = 2, kSigma = 3 };

// What the control file says about the fragments.
struct FragmentInput {
  int nfrag = 0;
  bool has_frag = false;
  bool has_charges = false;
  std::vector<double> chfrag;   // chfrag[f - 1]; 0 unless given
  double charge(int f) const {
    return f <= static_cast<int>(chfrag.size()) ? chfrag[static_cast<std::size_t>(f - 1)] : 0.0;
  }
};

bool starts_with(const std::string& line, const char* key) { return line.rfind(key, 0) == 0; }

FragmentInput read_fragment_lines(RecordFile& control, int natom) {
  FragmentInput in;
  control.rewind();
  std::string line;
  while (!readinputline(control, line)) {
    to_upper_case(line);
    if (starts_with(line, "NFRAG")) {
      int n = 0;
      layout::FreeReader r(std::string_view(line).substr(5));
      if (!r.integer(n)) fail("rescalePv", "Error reading the number of fragments (NFRAG) from vorn.inp");
      // Each fragment is rescaled (and its charge asked for) on its own:
      // more fragments than atoms could only be empty ones.
      if (n > natom)
        fail("rescalePv", "NFRAG " + std::to_string(n) + " exceeds the " + std::to_string(natom) +
                                 " atoms of the structure: a fragment holds at least one atom");
      in.nfrag = n;
    } else if (starts_with(line, "FRAG")) {
      in.has_frag = true;
    } else if (starts_with(line, "CHFRAG")) {
      // Every value must be a charge: a word, NaN or a value beyond the
      // range of a real would otherwise be taken as charge 0.
      std::string values = line.substr(6);
      for (char& c : values)
        if (c == '\\') c = ' ';
      layout::FreeReader r(values);
      in.chfrag.clear();
      while (r.remaining() > 0) {
        double q = 0.0;
        if (!r.real(q) || !std::isfinite(q))
          fail("rescalePv", "Fragment charge " + std::to_string(in.chfrag.size() + 1) +
                                " on the CHFRAG line of vorn.inp does not read as a finite number");
        in.chfrag.push_back(q);
      }
      in.has_charges = true;
    }
  }
  return in;
}

[[noreturn]] void atom_out_of_range(int natom, int f, int v) {
  fail("rescalePv",
      "Atom number " + std::to_string(v) + " on a FRAG line of fragment " + std::to_string(f) +
          " is outside 1.." + std::to_string(natom));
}

// Members of fragment f from every FRAG line that names it, flagged by
// entry index.  The lines give atom numbers; a negative number -n closes a
// range that starts at the number written before it.
std::vector<char> fragment_members(int natom, RecordFile& control, int f) {
  std::vector<char> iflag(static_cast<std::size_t>(natom), 0);
  control.rewind();
  std::string line;
  while (!readinputline(control, line)) {
    to_upper_case(line);
    if (!starts_with(line, "FRAG")) continue;
    line.replace(0, 4, "    ");
    // The backslash of a continued line is not a number.
    for (char& c : line)
      if (c == '\\') c = ' ';
    const int n = count_words(line);
    std::vector<int> v(static_cast<std::size_t>(n), 0);
    if (!layout::read_ints(line, v)) fail("rescalePv", "Error reading fragments from vorn.inp");
    if (n < 2 || v[0] != f) continue;
    for (int k = 1; k < n; ++k) {
      const int vk = v[static_cast<std::size_t>(k)];
      if (vk > 0) {
        if (vk > natom) atom_out_of_range(natom, f, vk);
        iflag[static_cast<std::size_t>(vk - 1)] = 1;
      } else if (vk < 0) {
        const int from = v[static_cast<std::size_t>(k - 1)];
        const int to = -vk;
        if (from > to) continue;
        if (from < 1) atom_out_of_range(natom, f, from);
        if (to > natom) atom_out_of_range(natom, f, to);
        for (int j = from; j <= to; ++j) iflag[static_cast<std::size_t>(j - 1)] = 1;
      }
    }
  }
  return iflag;
}

// The net charge of fragment f from the terminal; a blank answer or the
// end of the input gives 0.
double ask_charge(std::istream* answers, Log& log, int f) {
  for (;;) {
    log.term() << layout::format("(' Enter net charge of fragment ',i3,' [0.] : ',$)", f) << std::flush;
    std::string answer;
    if (!answers || !std::getline(*answers, answer)) {
      to_term(log, "");
      to_log(log, layout::format("(/,' No answer on standard input (end of input): net charge of fragment ',i3,"
                                "' taken as 0.')",
                                f));
      return 0.0;
    }
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    if (last_nonblank_column(answer) == 0) return 0.0;
    double q = 0.0;
    layout::FreeReader r(answer);
    if (r.real(q) && std::isfinite(q)) return q;
    to_term(log, " The answer [" + std::string(rtrim(answer)) +
                    "] is not a number: give the net charge in electrons, for example -1 or 0.");
  }
}

constexpr double kMostValenceElectrons = 1000.0;

void warn_unchanged(Log& log, int f, const std::string& reason) {
  warn(log, layout::format("(/,' WARNING: ',a,' in fragment ',i3,'; its Pv''s are left unchanged')", reason, f));
}

// What the rescaling of each fragment reads: the atoms, the method, the
// terminal answers to the charge question, and the log.
struct Rescaling {
  const Model& model;
  int method;
  std::istream* answers;
  Log& log;
};

void rescale_fragment(const Rescaling& job, Populations& mp, int f, const std::vector<char>& iflag,
                      const FragmentInput& in) {
  const Model& model = job.model;
  const int method = job.method;
  Log& log = job.log;
  to_both(log, layout::format("(/,' ***** Rescaling Pv''s in fragment = ',i3,' *****')", f));
  double sdb = 0.0, sfree = 0.0, ssig = 0.0;
  int members = 0;
  for (int i = 0; i < model.natom; ++i) {
    if (!iflag[static_cast<std::size_t>(i)]) continue;
    ++members;
    sdb += mp.of[i].pv;
    sfree += pval(model.atoms[i].atomic_number) * model.atoms[i].occ;
    ssig += mp.of[i].sigpv;
  }
  if (members == 0) return warn_unchanged(log, f, "No atoms");
  if (sfree == 0.0) return warn_unchanged(log, f, "Sum-of-Pv[free] is zero");
  const double diff = sfree - sdb;
  const double percentage = std::fabs(diff) / sfree * 100.0;
  to_both(log, layout::format("(/,' Sum-of-Pv[free]     = ',f12.6,' el.',/,' Sum-of-Pv[databank] = ',f12.6,' el.',/,"
                             "' Difference          = ',f12.6,' el. ( ',f6.2,' % )')",
                             sfree, sdb, diff, percentage));
  if (method == kSigma) to_both(log, layout::format("(' Sum of sigma(Pv)    = ',f12.6)", ssig));
  if (method == kFraction && sdb == 0.0)
    return warn_unchanged(log, f, "Sum-of-Pv[databank] is zero, the fraction method cannot scale it,");
  if (method == kSigma && ssig == 0.0)
    return warn_unchanged(log, f, "Sum of sigma(Pv) is zero, the sigmaPv method cannot share the difference,");

  const double charge = in.has_charges ? in.charge(f) : ask_charge(job.answers, log, f);
  const double target = sfree - charge;
  // The corrections first: a sum so small that a division overflows leaves
  // the fragment unchanged rather than write an infinite population.
  std::vector<double> corrections(static_cast<std::size_t>(model.natom), 0.0);
  for (int i = 0; i < model.natom; ++i) {
    if (!iflag[static_cast<std::size_t>(i)]) continue;
    double& corr = corrections[static_cast<std::size_t>(i)];
    if (method == kDifference) corr = (target - sdb) / static_cast<double>(members);
    else if (method == kFraction) corr = target / sdb;
    else corr = ((target - sdb) / ssig) * mp.of[i].sigpv;
    const double now = method == kFraction ? mp.of[i].pv * corr : mp.of[i].pv + corr;
    // No atom holds a thousand valence electrons: a charge or a sum that
    // gives one is a typing error, and its population would not fit the
    // files' fields.
    if (!std::isfinite(corr) || !std::isfinite(now) || std::fabs(now) >= kMostValenceElectrons)
      return warn_unchanged(log, f, "The rescaled Pv of atom " + std::to_string(i + 1) + " " +
                                        std::string(model.atoms[i].label.trimmed()) +
                                        (std::isfinite(now) ? " is beyond 1000 electrons" : " is not a finite number"));
  }
  to_both(log, layout::format("(/,' Rescaling Sum-of-Pv to ',f13.6,' el.',3x,'( Charge = ',sp,f8.3,' el. )')",
                             target, charge));
  const char* mark = method == kDifference ? "+" : method == kFraction ? "*" : "s";
  to_log(log, layout::format("(/,4x,'NO  ATOM',7x,'Occup.    Pv(DB)      Pv(free)','    ',a,'Corr       Pv(new)',/)",
                            mark));
  double snew = 0.0;
  for (int i = 0; i < model.natom; ++i) {
    if (!iflag[static_cast<std::size_t>(i)]) continue;
    const Atom& a = model.atoms[i];
    const double old = mp.of[i].pv;
    const double corr = corrections[static_cast<std::size_t>(i)];
    const double now = method == kFraction ? old * corr : old + corr;
    to_log(log, layout::format("(i6,2x,a8,1x,f7.3,2f12.5,sp,f12.5,ss,f12.5)", i + 1, a.label, a.occ, old,
                              pval(a.atomic_number) * a.occ, corr, now));
    mp.of[i].pv = now;
    snew += now;
  }
  to_log(log, layout::format("(/,20x,'SUM ',4f12.5)", sdb, sfree, target - sdb, snew));
}

}  // namespace

Populations rescale_valence_populations(Populations populations, const Model& model, int method, std::istream* answers,
                                   Log& log) {
  RecordFile control;
  const bool opened = control.open("vorn.inp");
  return rescale_valence_populations(std::move(populations), model, method, opened ? &control : nullptr, answers,
                                     log);
}

Populations rescale_valence_populations(Populations populations, const Model& model, int method, RecordFile* control,
                                   std::istream* answers, Log& log) {
    if (method < kDifference || method > kSigma) fail("rescalePv", "Unknown scaling method");
  const char* name = method == kDifference ? "difference" : method == kFraction ? "fraction" : "sigmaPv";
  to_log(log, layout::format("(/,' Using ',a,' method for rescaling...')", name));

  FragmentInput in;
  if (control) in = read_fragment_lines(*control, model.natom);
  const bool all_atoms = !control || in.nfrag == 0 || !in.has_frag;
  if (all_atoms) {
    in.nfrag = 1;
    to_both(log, layout::format("(/,' Using ALL atoms for fragment 1 !')"));
  }
  for (int f = 1; f <= in.nfrag; ++f) {
    const std::vector<char> iflag =
        all_atoms ? std::vector<char>(static_cast<std::size_t>(model.natom), 1)
                  : fragment_members(model.natom, *control, f);
    rescale_fragment({model, method, answers, log}, populations, f, iflag, in);
  }
  return populations;
}

}  // namespace vorn
