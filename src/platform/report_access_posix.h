// POSIX only: who may read and write a new report that replaces an earlier one. Never more people
// than could before: the earlier report's bits, group and access ACL where the system lets them
// be carried over, the owner's bits alone where it does not.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/path_text.h"

struct ReportAccess {
  bool fromEarlier = false;  ///< an earlier report of the user's own passes its access on
  mode_t mode = 0;           ///< the read and write bits the report ends with
  gid_t group = 0;
  std::string acl;  ///< the access ACL as the file system keeps it; empty when there is none
};

/// What the report `report` passes on: nothing (a new file's access) when it is missing, or not a
/// regular file of the effective user's own. A report another user planted in a shared folder
/// would otherwise choose who may read and rewrite a report made by root.
ReportAccess EarlierAccess(const PathChar* report);

/// The bits a new file is made with: no more than it will have once it takes `access`, so that
/// nobody can open it early who could not read the finished report.
mode_t CreationMode(const ReportAccess& access);

/// Gives the file just made with CreationMode the access of the earlier report, never more at any
/// moment: first the group, then the ACL, then the bits. Returns 0 or the error code.
int TakeEarlierAccess(int descriptor, const ReportAccess& access);
