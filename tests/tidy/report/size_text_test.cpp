#include "tidy/report/size_text.h"

#include <gtest/gtest.h>

TEST(SizeText, FitsOnlyTheSizesItCouldRound) {
  const struct {
    const char* text;
    std::int64_t size;
    bool fits;
  } cases[] = {
      {"1023 bytes", 1023, true},      {"1023 bytes", 1022, false},
      {"1.00 KB", 1024, true},         {"1.50 KB", 1536, true},
      {"1.50 KB", 1600, false},        {"1024.00 KB", 1048575, true},
      {"1.00 MB", 1048576, true},      {"1.50 MB", 1572863, true},
      {"4.66 GB", 5000000000LL, true}, {"4.66 GB", 4000000000LL, false},
      {"1.17 KB", 1200, true},         {"12 bytes ", 12, false},
      {"x bytes", 0, false},           {"", 0, false},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(SizeTextFits(each.text, each.size), each.fits) << each.text << " " << each.size;
  }
}
