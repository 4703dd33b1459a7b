// Times the form-factor table: the L-alanine table of its measured
// reflections, then generated P1 structures of 25 to 200 aspherical atoms
// at sin(theta)/lambda 1.0 in one cell, so that the cost per
// atom-reflection shows whether it grows linearly.  Prints processor
// times, atom-reflections per second and the shares of the radial
// transforms and of the angular part.
//
//   formfactor_bench ALANINE.res ALANINE.hkl
#include <ctime>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formfactors/form_factor_table.hpp"
#include "formfactors/reflections.hpp"
#include "layout/log.hpp"
#include "structure/readers/readers.hpp"

namespace {

using namespace vorn;

double cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Every atom with populations up to l = 4 (l = 2 for hydrogen), so that the
// angular part is timed in full; a handful of kappa pairs per element.
std::vector<PseudoAtom> aspherical(std::vector<PseudoAtom> atoms, std::mt19937& random) {
  std::uniform_real_distribution<double> u(-0.1, 0.1);
  for (PseudoAtom& a : atoms) {
    const int lmax = a.z == 1 ? 2 : 4;
    for (int l = 1; l <= lmax; ++l)
      for (int m = -l; m <= l; ++m) a.plm[static_cast<std::size_t>(harmonic_index(l, m))] = u(random);
    a.kappa = 1 + 0.01 * static_cast<int>(random() % 3);
    a.kappa_prime = 0.9 + 0.1 * static_cast<int>(random() % 3);
  }
  return atoms;
}

struct Timing {
  double radial = 0, angular = 0;
  std::size_t rows = 0;
};

Timing time_table(const std::vector<PseudoAtom>& atoms, const std::vector<Miller>& hkl, const gemmi::UnitCell& cell) {
  Timing t;
  const double start = cpu();
  const ReflectionShells shells = reflection_shells(hkl, cell);
  const RadialParts radial = radial_parts(atoms, shells);
  const double middle = cpu();
  const FormFactorTable table = assemble_table(atoms, hkl, shells, radial);
  t.radial = middle - start;
  t.angular = cpu() - middle;
  t.rows = table.hkl.size();
  return t;
}

void print(const char* what, std::size_t atoms, const Timing& t) {
  const double total = t.radial + t.angular;
  const double pairs = static_cast<double>(atoms) * static_cast<double>(t.rows);
  std::printf("%-22s %6zu %9zu %10.3f %14.3g %12.2f %9.1f %9.1f\n", what, atoms, t.rows, total,
              total > 0 ? pairs / total : 0.0, total > 0 ? 1e9 * total / pairs : 0.0,
              total > 0 ? 100 * t.radial / total : 0.0, total > 0 ? 100 * t.angular / total : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: formfactor_bench ALANINE.res ALANINE.hkl\n");
    return 2;
  }
  std::ostringstream sink;
  Log log;
  log.terminal = &sink;
  std::mt19937 random(29);
  const Model model = read_shelx(argv[1], ShelxLabels::as_named, log);
  const gemmi::UnitCell cell(model.cell.a, model.cell.b, model.cell.c, model.cell.alpha, model.cell.beta,
                             model.cell.gamma);
  std::vector<PseudoAtom> alanine;
  for (int i = 0; i < model.natom; ++i) {
    const Atom& a = model.atoms[i];
    alanine.push_back(neutral_atom(std::string(a.label.trimmed()), a.atomic_number, {a.fractional[0], a.fractional[1], a.fractional[2]}));
  }
  const double start = cpu();
  const std::vector<Miller> hkl = expand_reflections(read_hklf4(argv[2]), model.symm);
  const double read = cpu() - start;
  std::printf("%-22s %6s %9s %10s %14s %12s %9s %9s\n", "table", "atoms", "rows", "cpu(s)", "atom-refl/s",
              "ns/atom-refl", "radial%", "angular%");
  print("L-alanine spherical", alanine.size(), time_table(alanine, hkl, cell));
  print("L-alanine aspherical", alanine.size(), time_table(aspherical(alanine, random), hkl, cell));
  std::printf("(reading and expanding the 2519 reflections: %.3f s)\n", read);

  // One P1 cell of 12 x 13 x 14 A at sin(theta)/lambda 1.0; C, N, O and H.
  const gemmi::UnitCell box(12, 13, 14, 90, 90, 90);
  Symmetry p1;
  p1.ops.assign(1, SymOp{});
  const std::vector<Miller> sphere = expand_reflections(reflections_within(box, 1.0), p1);
  const int elements[] = {6, 1, 7, 1, 8, 1};
  std::uniform_real_distribution<double> u(0, 1);
  for (int n : {25, 50, 100, 200}) {
    std::vector<PseudoAtom> atoms;
    for (int i = 0; i < n; ++i)
      atoms.push_back(neutral_atom(std::string(1, 'A').append(std::to_string(i + 1)), elements[i % 6],
                                   {u(random), u(random), u(random)}));
    print(("P1, " + std::to_string(n) + " atoms").c_str(), atoms.size(),
          time_table(aspherical(atoms, random), sphere, box));
  }
  return 0;
}
