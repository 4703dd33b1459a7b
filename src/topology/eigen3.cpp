// Symmetric eigenproblem in single precision, after the classic EISPACK
// routines: tred2 reduces the matrix to tridiagonal form by Householder
// transformations and accumulates them; tql2 finds eigenvalues and
// eigenvectors of the tridiagonal matrix by the implicit QL method and sorts
// them ascending.  Written for any order n; the planarity test uses n = 3.
#include "topology/eigen3.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorn {

namespace {

// Column-major n x n work matrix with 1-based access, as the routines are
// usually written.
struct Work {
  int n;
  std::vector<double> v;
  explicit Work(int n_) : n(n_), v(static_cast<std::size_t>(n_ * n_), 0.0) {}
  double& operator()(int i, int j) { return v[static_cast<std::size_t>((j - 1) * n + (i - 1))]; }
};

double sign_of(double a, double b) { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

// Householder reduction.  On entry z holds the matrix (lower triangle used);
// on return d holds the diagonal, e(2..n) the subdiagonal (e(1) = 0) and z
// the orthogonal transformation.  d and e are 1-based (index 0 unused).
void tred2(int n, Work& z, std::vector<double>& d, std::vector<double>& e) {
  for (int i = 1; i <= n; ++i) d[static_cast<std::size_t>(i)] = z(n, i);
  auto D = [&](int i) -> double& { return d[static_cast<std::size_t>(i)]; };
  auto E = [&](int i) -> double& { return e[static_cast<std::size_t>(i)]; };
  if (n > 1) {
    for (int i = n; i >= 2; --i) {
      const int l = i - 1;
      double h = 0.0;
      double scale = 0.0;
      if (l >= 2)
        for (int k = 1; k <= l; ++k) scale += std::fabs(D(k));
      if (l < 2 || scale == 0.0) {
        E(i) = D(l);
        for (int j = 1; j <= l; ++j) {
          D(j) = z(l, j);
          z(i, j) = 0.0;
          z(j, i) = 0.0;
        }
      } else {
        for (int k = 1; k <= l; ++k) {
          D(k) /= scale;
          h += D(k) * D(k);
        }
        double f = D(l);
        double g = -sign_of(std::sqrt(h), f);
        E(i) = scale * g;
        h -= f * g;
        D(l) = f - g;
        // a*u
        for (int j = 1; j <= l; ++j) E(j) = 0.0;
        for (int j = 1; j <= l; ++j) {
          f = D(j);
          z(j, i) = f;
          g = E(j) + z(j, j) * f;
          for (int k = j + 1; k <= l; ++k) {
            g += z(k, j) * D(k);
            E(k) += z(k, j) * f;
          }
          E(j) = g;
        }
        // p
        f = 0.0;
        for (int j = 1; j <= l; ++j) {
          E(j) /= h;
          f += E(j) * D(j);
        }
        const double hh = f / (h + h);
        // q
        for (int j = 1; j <= l; ++j) E(j) -= hh * D(j);
        // reduced a
        for (int j = 1; j <= l; ++j) {
          f = D(j);
          g = E(j);
          for (int k = j; k <= l; ++k) z(k, j) = z(k, j) - f * E(k) - g * D(k);
          D(j) = z(l, j);
          z(i, j) = 0.0;
        }
      }
      D(i) = h;
    }
    // Accumulation of the transformations.
    for (int i = 2; i <= n; ++i) {
      const int l = i - 1;
      z(n, l) = z(l, l);
      z(l, l) = 1.0;
      const double h = D(i);
      if (h != 0.0) {
        for (int k = 1; k <= l; ++k) D(k) = z(k, i) / h;
        for (int j = 1; j <= l; ++j) {
          double g = 0.0;
          for (int k = 1; k <= l; ++k) g += z(k, i) * z(k, j);
          for (int k = 1; k <= l; ++k) z(k, j) -= g * D(k);
        }
      }
      for (int k = 1; k <= l; ++k) z(k, i) = 0.0;
    }
  }
  for (int i = 1; i <= n; ++i) {
    D(i) = z(n, i);
    z(n, i) = 0.0;
  }
  z(n, n) = 1.0;
  E(1) = 0.0;
}

// QL iterations with implicit shifts; false when an eigenvalue needs more
// than 30 iterations.
bool tql2(int n, std::vector<double>& d, std::vector<double>& e, Work& z) {
  auto D = [&](int i) -> double& { return d[static_cast<std::size_t>(i)]; };
  auto E = [&](int i) -> double& { return e[static_cast<std::size_t>(i)]; };
  if (n == 1) return true;
  for (int i = 2; i <= n; ++i) E(i - 1) = E(i);
  double f = 0.0;
  double tst1 = 0.0;
  E(n) = 0.0;
  for (int l = 1; l <= n; ++l) {
    int iter = 0;
    const double hl = std::fabs(D(l)) + std::fabs(E(l));
    if (tst1 < hl) tst1 = hl;
    // Small subdiagonal element; e(n) is zero, so the search always stops.
    int m = l;
    for (; m <= n; ++m) {
      const double tst2 = tst1 + std::fabs(E(m));
      if (tst2 == tst1) break;
    }
    if (m > n) m = n;
    if (m != l) {
      for (;;) {
        if (iter == 30) return false;
        ++iter;
        // Shift.
        const int l1 = l + 1;
        const int l2 = l1 + 1;
        double g = D(l);
        double p = (D(l1) - g) / (2.0 * E(l));
        double r = hypotenuse(p, 1.0);
        D(l) = E(l) / (p + sign_of(r, p));
        D(l1) = E(l) * (p + sign_of(r, p));
        const double dl1 = D(l1);
        double h = g - D(l);
        for (int i = l2; i <= n; ++i) D(i) -= h;
        f += h;
        // QL transformation.
        p = D(m);
        double c = 1.0;
        double c2 = c;
        double c3 = c;
        const double el1 = E(l1);
        double s = 0.0;
        double s2 = 0.0;
        for (int i = m - 1; i >= l; --i) {
          c3 = c2;
          c2 = c;
          s2 = s;
          g = c * E(i);
          h = c * p;
          r = hypotenuse(p, E(i));
          E(i + 1) = s * r;
          s = E(i) / r;
          c = p / r;
          p = c * D(i) - s * g;
          D(i + 1) = h + s * (c * g + s * D(i));
          for (int k = 1; k <= n; ++k) {
            h = z(k, i + 1);
            z(k, i + 1) = s * z(k, i) + c * h;
            z(k, i) = c * z(k, i) - s * h;
          }
        }
        p = -s * s2 * c3 * el1 * E(l) / dl1;
        E(l) = s * p;
        D(l) = c * p;
        const double tst2 = tst1 + std::fabs(E(l));
        if (!(tst2 > tst1)) break;
      }
    }
    D(l) = D(l) + f;
  }
  // Eigenvalues ascending, with their vectors.
  for (int ii = 2; ii <= n; ++ii) {
    const int i = ii - 1;
    int k = i;
    double p = D(i);
    for (int j = ii; j <= n; ++j) {
      if (D(j) < p) {
        k = j;
        p = D(j);
      }
    }
    if (k != i) {
      D(k) = D(i);
      D(i) = p;
      for (int j = 1; j <= n; ++j) std::swap(z(j, i), z(j, k));
    }
  }
  return true;
}

}  // namespace

double hypotenuse(double a, double b) {
  double p = std::max(std::fabs(a), std::fabs(b));
  if (p == 0.0) return p;
  double r = std::min(std::fabs(a), std::fabs(b)) / p;
  r *= r;
  for (;;) {
    const double t = 4.0 + r;
    if (t == 4.0) break;
    const double s = r / t;
    const double u = 1.0 + 2.0 * s;
    p *= u;
    const double su = s / u;
    r *= su * su;
  }
  return p;
}

bool eigen_symmetric3(const Sym3& a, std::array<double, 3>& d, Sym3& z) {
  constexpr int n = 3;
  Work w(n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) w(i, j) = a[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)];
  std::vector<double> dd(n + 1, 0.0), ee(n + 1, 0.0);
  tred2(n, w, dd, ee);
  const bool ok = tql2(n, dd, ee, w);
  for (int i = 1; i <= n; ++i) {
    d[static_cast<std::size_t>(i - 1)] = dd[static_cast<std::size_t>(i)];
    for (int j = 1; j <= n; ++j) z[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)] = w(i, j);
  }
  return ok;
}

}  // namespace vorn
