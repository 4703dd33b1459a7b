#include "structure/anomalous_dispersion.hpp"

#include <cmath>
#include <string>

#include <gemmi/fprime.hpp>
#include <gemmi/math.hpp>

#include "layout/layout.hpp"
#include "layout/tokens.hpp"
#include "structure/elements.hpp"

namespace vorn {

AnomalousTerms anomalous_terms(int z, double wavelength, const std::vector<DispersionCard>& cards) {
  for (auto it = cards.rbegin(); it != cards.rend(); ++it)
    if (it->z == z) return {it->fp, it->fpp};
  // The tabulation covers Li to U; outside it, or without a wavelength,
  // there is nothing to add.
  if (z < 3 || z > 92 || !std::isfinite(wavelength) || wavelength <= 0.0) return {};
  const double energy_ev = gemmi::hc() / wavelength;
  double fpp = 0;
  const double fp = gemmi::cromer_liberman(z, energy_ev, &fpp);
  if (!std::isfinite(fp) || !std::isfinite(fpp)) return {};
  return {static_cast<double>(fp), fpp};
}

bool read_disp_card(std::string_view line, DispersionCard& card) {
  int first = 0, last = 0;
  if (!find_word(line, 2, first, last)) return false;
  std::string_view symbol = line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
  if (symbol.front() == '$') symbol.remove_prefix(1);
  card.z = atomic_number_of(symbol);
  if (card.z < 1) return false;
  layout::FreeReader values(line.substr(static_cast<std::size_t>(last)));
  return values.real(card.fp) && values.real(card.fpp) && std::isfinite(card.fp) && std::isfinite(card.fpp);
}

}  // namespace vorn
