// A name may hold a line feed, and dupscan writes each path on a line of its own: such a path
// runs over two or more lines of the report, and each part can read as a path of its own that
// names a real file (a folder "a<LF>" holding "home/x/victim" makes the lines "dir/a" and
// "/home/x/victim"). Nothing in the report tells the two readings apart, so the disk is asked.
#pragma once

#include <string>
#include <vector>

/// The lines of the report `bytes` (counted from 1, ascending) that can be read two ways. Each
/// line that holds a separator is taken as a folder and the start of a name in it; when that
/// folder holds an entry named that start, a line feed and the next line up to its first
/// separator (or the next lines whole, with the line feeds between them), the line and every
/// line the entry's name runs into can be read two ways. A name that is a folder's is followed
/// into it, and on through the lines after, as far as the disk has it. One look at an entry for
/// each line, in the folder the line names, which is held once for all its lines.
std::vector<long long> FindTwoWayLines(const std::string& bytes);
