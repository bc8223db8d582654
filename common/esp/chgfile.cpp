#include "common/esp/chgfile.h"

#include <cmath>
#include <optional>

#include "common/error.h"
#include "common/text/fortran.h"

namespace tvl::esp {

namespace tx = tvl::text;

namespace {
constexpr std::size_t per_line = 8;
constexpr std::size_t width = 10;

bool blank(std::string_view f) { return f.find_first_not_of(' ') == std::string_view::npos; }

std::string columns(std::size_t k) {
  return "columns " + std::to_string(k * width + 1) + "-" + std::to_string((k + 1) * width);
}

// A charge file holding more than the `want` charges of the molecule read
// with it belongs to another molecule.
[[noreturn]] void more_charges(const NumberInput& in, std::size_t want, long line, std::size_t k) {
  in.fail_at(line, columns(k) + ": more than the " + std::to_string(want) +
                       " charges expected (one per atom): the file belongs to another molecule");
}

// Reads the charges of the layout; stops after `want` when given, refusing
// anything after them.
std::vector<double> read_fields(NumberInput& in, std::optional<std::size_t> want, long long limit,
                                const char* limit_name) {
  std::vector<double> q;
  std::string line;
  long blank_line = 0;  // where a blank field stood that a later charge would follow
  std::size_t blank_k = 0;
  while (!want || q.size() < *want) {
    if (!in.line(line)) {
      if (want)
        tvl::stop({" ERROR: " + in.label() + " ends early: " + std::to_string(*want) +
                   " charges expected, " + std::to_string(q.size()) + " found"});
      break;
    }
    std::size_t k = 0;
    for (; k < per_line && (!want || q.size() < *want); ++k) {
      std::string_view f = tx::field(line, k * width + 1, width);
      if (blank(f)) {
        if (want) in.fail(columns(k) + ": charge " + std::to_string(q.size() + 1) + " is blank");
        if (!blank_line) {
          blank_line = in.line_number();
          blank_k = k;
        }
        continue;
      }
      if (blank_line)
        in.fail_at(blank_line, columns(blank_k) + ": blank field before further charges");
      double v = 0;
      if (!tx::fixed_real(line, k * width + 1, width, v))
        in.fail(columns(k) + ": " + tx::quoted(f) + " is not a number");
      q.push_back(v);
      if (!want) check_limit(in.label(), static_cast<long long>(q.size()), "charges", limit, limit_name);
    }
    // Text after the eighth field would be a charge dropped without a word.
    const std::string_view beyond = tx::field(line, per_line * width + 1, line.size());
    if (!blank(beyond))
      in.fail("columns " + std::to_string(per_line * width + 1) + "-" + std::to_string(line.size()) +
              ": text after the eighth field");
    // After the last wanted charge nothing may follow, on its line or later.
    if (want && q.size() == *want && k < per_line && !blank(tx::field(line, k * width + 1, line.size())))
      more_charges(in, *want, in.line_number(), k);
  }
  if (want)
    while (in.line(line))
      if (!blank(line)) more_charges(in, *want, in.line_number(), 0);
  return q;
}
}  // namespace

std::vector<std::string> resp_lines(const std::vector<double>& q, std::string_view where) {
  std::vector<std::string> lines;
  std::string l;
  for (std::size_t i = 0; i < q.size(); ++i) {
    l += tx::checked_f(q[i], static_cast<int>(width), 6, "charge " + std::to_string(i + 1), where);
    if ((i + 1) % per_line == 0 || i + 1 == q.size()) {
      lines.push_back(l);
      l.clear();
    }
  }
  return lines;
}

bool fits_resp(double q) {
  return std::isfinite(q) && tx::fmt_f(q, static_cast<int>(width), 6)[0] != '*';
}

std::vector<double> read_resp(NumberInput& in, std::size_t want) {
  return read_fields(in, want, 0, "");
}

std::vector<double> read_resp_all(NumberInput& in, long long limit, const char* limit_name) {
  return read_fields(in, std::nullopt, limit, limit_name);
}

}  // namespace tvl::esp
