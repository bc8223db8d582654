#pragma once
// Gauss-Jordan elimination with full pivoting for the linear least-squares
// fits: solves a x = b and leaves the inverse of a in its place.
#include <vector>

#include "fitting/crout.h"

namespace tvl::fit {

// a holds an n x n matrix row by row, b n values. On return a holds the
// inverse and b the solution. In each pass the pivot is the element of
// largest magnitude among the rows and columns not yet used, scanned row by
// row; on equal magnitudes the later one wins. A pivot position that cannot
// be found anew stops with " singular matrix", a pivot not above
// relative_pivot_min times the largest absolute element its row had before
// the elimination (zero included) with " singular matrix." (tvl::Stop,
// exit 1); a and b are then undefined.
void gaussj(std::vector<double>& a, int n, std::vector<double>& b);

}  // namespace tvl::fit
