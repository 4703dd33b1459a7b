// Anomalous dispersion terms f' and f'' of a scattering type: from the
// structure file's own DISP cards where it has them, else from the
// Cromer-Liberman calculation for the wavelength of the data.
#pragma once

#include <string_view>
#include <vector>

namespace vorn {

// f' and f'' given in the structure file for one element (SHELX DISP).
struct DispersionCard {
  int z = 0;
  double fp = 0, fpp = 0;
};

struct AnomalousTerms {
  double fp = 0, fpp = 0;
};

// f' and f'' of element z for radiation of this wavelength (Angstrom): the
// last card for z when there is one, else the Cromer-Liberman values
// (with the Kissel-Pratt correction).  Zero without a usable wavelength and
// for H and He, whose terms are below the printed precision.
AnomalousTerms anomalous_terms(int z, double wavelength, const std::vector<DispersionCard>& cards);

// A SHELX "DISP E f' f'' [mu]" card (keyword included, comment removed):
// the element E (a leading "$" is SHELXL's mark of an SFAC name) and its
// two terms; false when it does not read so.
bool read_disp_card(std::string_view line, DispersionCard& card);

}  // namespace vorn
