// Eigenvalues and eigenvectors of a real symmetric 3x3 matrix: Householder
// reduction to tridiagonal form (tred2) and the QL method (tql2).
#pragma once

#include <array>

namespace vorn {

using Sym3 = std::array<std::array<double, 3>, 3>;

double hypotenuse(double a, double b);
// On return the eigenvalues are in ascending order in d, and column k of z
// (z[i][k]) is the unit eigenvector of d[k].  Returns false when the QL
// iteration does not converge.
bool eigen_symmetric3(const Sym3& a, std::array<double, 3>& d, Sym3& z);

}  // namespace vorn
