// POSIX only: a file made without a name (O_TMPFILE), so that a run killed outright leaves
// nothing, and the name it is given once whole. A name is given only to what is provably that
// file: in a chroot or a container /proc may be a folder someone else prepared, whose link for
// the descriptor names another file, which linking through it would put beside the report.
#pragma once

#include <sys/types.h>

#include <string>

/// Opens a new file without a name in `folder` for writing, where the file system makes one and
/// /proc shows it as itself. Returns the descriptor, or -1 with errno set; nothing is left.
int OpenUnnamed(const char* folder, mode_t mode);

/// Gives the file without a name open as `descriptor` the new name `name`: with
/// linkat(AT_EMPTY_PATH) where the process may (it needs CAP_DAC_READ_SEARCH), else through its
/// link in /proc. Returns 0 or the error code (ESTALE: the link named another file); on a failure
/// no name is left.
int NameUnnamed(int descriptor, const char* name);

/// The steps of the two, which tests take one by one.
/// The name /proc gives the file open as `descriptor`.
std::string ProcessLink(int descriptor);

/// Whether `path`, followed, names the file open as `descriptor`: one device, one inode.
bool PathNamesDescriptor(const std::string& path, int descriptor);

/// Names the file open as `descriptor` `name` through `link` (ProcessLink(descriptor), or a
/// stand-in), only when `link` names that file; and should another file take the link's place in
/// between, the name made of it is removed. Returns 0, ESTALE when the link named another file, or
/// the error code of the link.
int NameThroughLink(int descriptor, const std::string& link, const char* name);
