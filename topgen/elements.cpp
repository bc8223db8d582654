// Standard atomic weights (g/mol) and covalent radii (A; Cordero et al.,
// Dalton Trans. 2008, sp3 carbon, low-spin metals) of hydrogen to xenon.
#include "topgen/elements.h"

#include <cmath>

namespace tvl::topgen {

namespace {

struct Element {
  double weight, radius;
};

constexpr Element elements[] = {
    {1.008, 0.31},   {4.0026, 0.28},  {6.94, 1.28},    {9.0122, 0.96},  {10.81, 0.84},   {12.011, 0.76},
    {14.007, 0.71},  {15.999, 0.66},  {18.998, 0.57},  {20.180, 0.58},  {22.990, 1.66},  {24.305, 1.41},
    {26.982, 1.21},  {28.085, 1.11},  {30.974, 1.07},  {32.06, 1.05},   {35.45, 1.02},   {39.948, 1.06},
    {39.098, 2.03},  {40.078, 1.76},  {44.956, 1.70},  {47.867, 1.60},  {50.942, 1.53},  {51.996, 1.39},
    {54.938, 1.39},  {55.845, 1.32},  {58.933, 1.26},  {58.693, 1.24},  {63.546, 1.32},  {65.38, 1.22},
    {69.723, 1.22},  {72.630, 1.20},  {74.922, 1.19},  {78.971, 1.20},  {79.904, 1.20},  {83.798, 1.16},
    {85.468, 2.20},  {87.62, 1.95},   {88.906, 1.90},  {91.224, 1.75},  {92.906, 1.64},  {95.95, 1.54},
    {98.0, 1.47},    {101.07, 1.46},  {102.91, 1.42},  {106.42, 1.39},  {107.87, 1.45},  {112.41, 1.44},
    {114.82, 1.42},  {118.71, 1.39},  {121.76, 1.39},  {127.60, 1.38},  {126.90, 1.39},  {131.29, 1.40},
};

}  // namespace

double covalent_radius_of_mass(double mass) {
  if (!(mass >= 0.5)) return 0;
  const Element* best = &elements[0];
  for (const Element& e : elements)
    if (std::fabs(e.weight - mass) < std::fabs(best->weight - mass)) best = &e;
  return best->radius;
}

double bond_radius_of_mass(double mass) {
  const double r = covalent_radius_of_mass(mass);
  return r > 0 ? 2 * r + 0.2 : 0;
}

}  // namespace tvl::topgen
