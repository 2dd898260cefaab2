// Fuzzes the reader of selected-attachment index lists: whatever the text, it gives positions
// that are whole numbers from 0 to 2147483647, one per piece that is plain decimal, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "pictures/picture_names.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string list(reinterpret_cast<const char*>(data), size);
  const std::vector<int32_t> positions = zormint::ReadIndexList(list);

  // The pieces between the commas, each either plain decimal that fits or dropped.
  std::vector<int32_t> expected;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    const std::string piece =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    bool digits = !piece.empty();
    for (char c : piece)
      digits &= c >= '0' && c <= '9';
    if (digits) {
      size_t first = piece.find_first_not_of('0');
      const std::string significant = first == std::string::npos ? "0" : piece.substr(first);
      if (significant.size() <= 10 && std::stoll(significant) <= INT32_MAX) {
        expected.push_back(static_cast<int32_t>(std::stoll(significant)));
      }
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  Check(positions == expected);
  for (int32_t p : positions)
    Check(p >= 0);

  // The list a dialog would write for these positions reads back as the same positions.
  std::string written;
  for (int32_t p : positions)
    written += (written.empty() ? "" : ",") + std::to_string(p);
  Check(zormint::ReadIndexList(written) == positions);
  return 0;
}
