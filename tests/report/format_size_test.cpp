#include "report/format_size.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FormatSize, WorkedValuesAndEveryLimit) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0 bytes"},
      {1, "1 bytes"},
      {1023, "1023 bytes"},
      {1024, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048575, "1024.00 KB"},
      {1048576, "1.00 MB"},
      {1572863, "1.50 MB"},
      {1073741823, "1024.00 MB"},
      {1073741824, "1.00 GB"},
      {5000000000LL, "4.66 GB"},
      {INT64_MAX, "8589934592.00 GB"},
      {-5, "-5 bytes"},
  };
  for (const auto& [size, text] : cases) {
    EXPECT_EQ(FormatSize(size), text) << size;
  }
}

}  // namespace
