#pragma once
// Counts the allocations made through operator new in this test program.
namespace tvl::test {
long allocations();
}
