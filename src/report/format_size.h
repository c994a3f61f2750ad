// The short human-readable size text of the report and the summary.
#pragma once

#include <cstdint>
#include <string>

/// "1023 bytes", "1.50 KB", "1.00 MB", "4.66 GB": below 1,024 the count itself; then KB from the
/// byte count, MB from the whole KB, GB from the whole MB, each divided by 1024 with two decimals.
std::string FormatSize(std::int64_t size);
