// A folder with one pair of true copies and a lone file of their size, and what a run that meets
// the folder twice, under two spellings, must report: the pair, each file once.
#pragma once

#include <filesystem>
#include <string>

#include "support/run_program.h"

/// The bytes of each copy in the pair; the lone file has as many.
inline const std::string kPairContent = "the same holiday, twice";

/// Writes `folder`/beach.jpg and `folder`/beach-copy.jpg with the same bytes, and
/// `folder`/lone.jpg of the same size with other bytes, making the folder if need be.
void MakeOnePair(const std::filesystem::path& folder);

/// Every file was recorded twice, no listing failed, and the report holds only the pair, each
/// file once, under whichever spelling the walk met it. `where` names the case in a failure.
void ExpectOnlyThePair(const ProgramResult& result, const std::string& report,
                       const std::string& where);
