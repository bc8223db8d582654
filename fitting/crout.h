#pragma once
// LU factorisation of a square matrix by Crout's method with partial
// pivoting and implicit row scaling, and the solution of A x = b from it.
#include <vector>

namespace tvl::fit {

// Row-major n x n matrix.
struct Matrix {
  int n = 0;
  std::vector<double> a;
  explicit Matrix(int size) : n(size), a(static_cast<std::size_t>(size) * size, 0.0) {}
  double& operator()(int i, int k) { return a[static_cast<std::size_t>(i) * n + k]; }
  double operator()(int i, int k) const { return a[static_cast<std::size_t>(i) * n + k]; }
};

// Replaces m by its LU factors (L below the diagonal with unit diagonal, U
// on and above) of the row-permuted matrix; indx receives the row swapped in
// at each step. Each row's scale is 1 / its largest absolute element; the
// pivot is the largest scaled element among the rows not yet used, the later
// row winning on equal values; a pivot of exactly zero becomes 1e-20.
// A row without any non-zero element stops the program with "Singular matrix.".
// Returns the smallest pivot relative to the largest element of its row
// before the elimination (0 when a pivot was zero): a measure of how near
// the matrix is to singular.
double lu_factor(Matrix& m, std::vector<int>& indx);

// Solves with the factors of lu_factor: b holds the right-hand side on entry
// and the solution on return.
void lu_solve(const Matrix& lu, const std::vector<int>& indx, std::vector<double>& b);

// The smallest pivot the fits accept, relative to its row.
inline constexpr double relative_pivot_min = 1e-12;

// The text of every stop caused by a singular fit.
inline constexpr const char* singular_text = " Singular matrix.";

}  // namespace tvl::fit
