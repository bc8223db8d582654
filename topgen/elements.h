#pragma once
// Elements by mass, for force fields whose types carry only a mass (AMBER
// parameter files): the bond-detection radius of -auto comes from the element.

namespace tvl::topgen {

// Covalent radius (A) of the element whose standard atomic weight is nearest
// to `mass` (g/mol); 0 for a mass below 0.5 (an extra point, never bonded).
double covalent_radius_of_mass(double mass);

// The bond-detection radius of a type of that mass: twice the covalent
// radius plus 0.2 A, so that two atoms count as bonded when they are closer
// than the sum of their covalent radii plus 0.2 A.
double bond_radius_of_mass(double mass);

}  // namespace tvl::topgen
