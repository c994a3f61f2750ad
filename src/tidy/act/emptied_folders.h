// The folders an apply emptied: a removal that leaves a folder of nothing behind takes it too.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/file_identity.h"
#include "platform/text_output.h"
#include "tidy/report/group_check.h"

/// Removes each of the folders `places` (in `checked`) that is empty now and lies below a
/// `within` folder, then each folder above it that this left empty, up to the `within` folder,
/// which stays; prints a line for each folder removed. A folder that still holds anything, or
/// that lies outside --within or is one of them, or whose folders are no longer where the check
/// found them, stays as it is.
void RemoveEmptiedFolders(TextOutput& console, const CheckedReport& checked,
                          std::vector<std::size_t> places, const std::vector<FileIdentity>& within);
