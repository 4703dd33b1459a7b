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
  std::vector<float> v;
  explicit Work(int n_) : n(n_), v(static_cast<std::size_t>(n_ * n_), 0.0f) {}
  float& operator()(int i, int j) { return v[static_cast<std::size_t>((j - 1) * n + (i - 1))]; }
};

float sign_of(float a, float b) { return b >= 0 ? std::fabs(a) : -std::fabs(a); }

// Householder reduction.  On entry z holds the matrix (lower triangle used);
// on return d holds the diagonal, e(2..n) the subdiagonal (e(1) = 0) and z
// the orthogonal transformation.  d and e are 1-based (index 0 unused).
void tred2(int n, Work& z, std::vector<float>& d, std::vector<float>& e) {
  for (int i = 1; i <= n; ++i) d[static_cast<std::size_t>(i)] = z(n, i);
  auto D = [&](int i) -> float& { return d[static_cast<std::size_t>(i)]; };
  auto E = [&](int i) -> float& { return e[static_cast<std::size_t>(i)]; };
  if (n > 1) {
    for (int i = n; i >= 2; --i) {
      const int l = i - 1;
      float h = 0.0f;
      float scale = 0.0f;
      if (l >= 2)
        for (int k = 1; k <= l; ++k) scale += std::fabs(D(k));
      if (l < 2 || scale == 0.0f) {
        E(i) = D(l);
        for (int j = 1; j <= l; ++j) {
          D(j) = z(l, j);
          z(i, j) = 0.0f;
          z(j, i) = 0.0f;
        }
      } else {
        for (int k = 1; k <= l; ++k) {
          D(k) /= scale;
          h += D(k) * D(k);
        }
        float f = D(l);
        float g = -sign_of(std::sqrt(h), f);
        E(i) = scale * g;
        h -= f * g;
        D(l) = f - g;
        // a*u
        for (int j = 1; j <= l; ++j) E(j) = 0.0f;
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
        f = 0.0f;
        for (int j = 1; j <= l; ++j) {
          E(j) /= h;
          f += E(j) * D(j);
        }
        const float hh = f / (h + h);
        // q
        for (int j = 1; j <= l; ++j) E(j) -= hh * D(j);
        // reduced a
        for (int j = 1; j <= l; ++j) {
          f = D(j);
          g = E(j);
          for (int k = j; k <= l; ++k) z(k, j) = z(k, j) - f * E(k) - g * D(k);
          D(j) = z(l, j);
          z(i, j) = 0.0f;
        }
      }
      D(i) = h;
    }
    // Accumulation of the transformations.
    for (int i = 2; i <= n; ++i) {
      const int l = i - 1;
      z(n, l) = z(l, l);
      z(l, l) = 1.0f;
      const float h = D(i);
      if (h != 0.0f) {
        for (int k = 1; k <= l; ++k) D(k) = z(k, i) / h;
        for (int j = 1; j <= l; ++j) {
          float g = 0.0f;
          for (int k = 1; k <= l; ++k) g += z(k, i) * z(k, j);
          for (int k = 1; k <= l; ++k) z(k, j) -= g * D(k);
        }
      }
      for (int k = 1; k <= l; ++k) z(k, i) = 0.0f;
    }
  }
  for (int i = 1; i <= n; ++i) {
    D(i) = z(n, i);
    z(n, i) = 0.0f;
  }
  z(n, n) = 1.0f;
  E(1) = 0.0f;
}

// QL iterations with implicit shifts; false when an eigenvalue needs more
// than 30 iterations.
bool tql2(int n, std::vector<float>& d, std::vector<float>& e, Work& z) {
  auto D = [&](int i) -> float& { return d[static_cast<std::size_t>(i)]; };
  auto E = [&](int i) -> float& { return e[static_cast<std::size_t>(i)]; };
  if (n == 1) return true;
  for (int i = 2; i <= n; ++i) E(i - 1) = E(i);
  float f = 0.0f;
  float tst1 = 0.0f;
  E(n) = 0.0f;
  for (int l = 1; l <= n; ++l) {
    int iter = 0;
    const float hl = std::fabs(D(l)) + std::fabs(E(l));
    if (tst1 < hl) tst1 = hl;
    // Small subdiagonal element; e(n) is zero, so the search always stops.
    int m = l;
    for (; m <= n; ++m) {
      const float tst2 = tst1 + std::fabs(E(m));
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
        float g = D(l);
        float p = (D(l1) - g) / (2.0f * E(l));
        float r = hypotenuse(p, 1.0f);
        D(l) = E(l) / (p + sign_of(r, p));
        D(l1) = E(l) * (p + sign_of(r, p));
        const float dl1 = D(l1);
        float h = g - D(l);
        for (int i = l2; i <= n; ++i) D(i) -= h;
        f += h;
        // QL transformation.
        p = D(m);
        float c = 1.0f;
        float c2 = c;
        float c3 = c;
        const float el1 = E(l1);
        float s = 0.0f;
        float s2 = 0.0f;
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
        const float tst2 = tst1 + std::fabs(E(l));
        if (!(tst2 > tst1)) break;
      }
    }
    D(l) = D(l) + f;
  }
  // Eigenvalues ascending, with their vectors.
  for (int ii = 2; ii <= n; ++ii) {
    const int i = ii - 1;
    int k = i;
    float p = D(i);
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

float hypotenuse(float a, float b) {
  float p = std::max(std::fabs(a), std::fabs(b));
  if (p == 0.0f) return p;
  float r = std::min(std::fabs(a), std::fabs(b)) / p;
  r *= r;
  for (;;) {
    const float t = 4.0f + r;
    if (t == 4.0f) break;
    const float s = r / t;
    const float u = 1.0f + 2.0f * s;
    p *= u;
    const float su = s / u;
    r *= su * su;
  }
  return p;
}

bool eigen_symmetric3(const Sym3& a, std::array<float, 3>& d, Sym3& z) {
  constexpr int n = 3;
  Work w(n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) w(i, j) = a[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)];
  std::vector<float> dd(n + 1, 0.0f), ee(n + 1, 0.0f);
  tred2(n, w, dd, ee);
  const bool ok = tql2(n, dd, ee, w);
  for (int i = 1; i <= n; ++i) {
    d[static_cast<std::size_t>(i - 1)] = dd[static_cast<std::size_t>(i)];
    for (int j = 1; j <= n; ++j) z[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)] = w(i, j);
  }
  return ok;
}

}  // namespace vorn
