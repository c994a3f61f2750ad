#include "tidy/plan/keep_rules.h"

#include <map>

namespace {

// Below zero when `left` is the better one to keep, above when `right` is, zero on a tie.
template <typename Value>
int Prefer(const Value& left, const Value& right) {
  return left < right ? -1 : (right < left ? 1 : 0);
}

int Compare(const CheckedReport& checked, const ReportPaths& paths, const KeepChoice& choice,
            const Member& left, const Member& right) {
  switch (choice.rule) {
    case KeepRule::kOldest:
      return Prefer(left.state.modified, right.state.modified);
    case KeepRule::kNewest:
      return Prefer(right.state.modified, left.state.modified);
    case KeepRule::kShortest:
      return Prefer(PathString::traits_type::length(paths.at(left.path)),
                    PathString::traits_type::length(paths.at(right.path)));
    case KeepRule::kDeepest:
      return Prefer(PlaceDepth(checked, checked.folders[right.folder]),
                    PlaceDepth(checked, checked.folders[left.folder]));
    case KeepRule::kUnder:
      return Prefer(!PlaceUnderAny(checked, checked.folders[left.folder], {choice.folder}),
                    !PlaceUnderAny(checked, checked.folders[right.folder], {choice.folder}));
    default:
      return Prefer(left.path, right.path);
  }
}

// For each member, how many members could be acted on were a file of its owner kept: its owner's
// members under `within`, less the kept one when none of them is outside. Empty when the group has
// one owner, or owners do not limit what is acted on.
std::vector<long long> OwnerScores(const CheckedReport& checked, const CheckedGroup& group,
                                   const KeepLimits& limits) {
  std::map<std::uint64_t, std::pair<long long, bool>> owners;  // members within, any outside
  for (const Member& member : group.members) {
    auto& owner = owners[member.state.owner];
    const bool inside = IsWithin(checked, member, limits.within);
    owner.first += inside ? 1 : 0;
    owner.second = owner.second || !inside;
  }
  std::vector<long long> scores;
  if (!limits.byOwner || owners.size() < 2) {
    return scores;
  }
  for (const Member& member : group.members) {
    const auto& owner = owners[member.state.owner];
    scores.push_back(owner.second ? owner.first : owner.first - 1);
  }
  return scores;
}

}  // namespace

bool IsSetAside(const CheckedReport& checked, const Member& member,
                const std::vector<FileIdentity>& setAside) {
  return !setAside.empty() && PlaceUnderAny(checked, checked.folders[member.folder], setAside);
}

std::vector<KeepChoice> DefaultKeepRules() {
  std::vector<KeepChoice> rules(3);
  rules[0].rule = KeepRule::kOldest;
  rules[1].rule = KeepRule::kShortest;
  rules[2].rule = KeepRule::kFirst;
  return rules;
}

bool IsWithin(const CheckedReport& checked, const Member& member,
              const std::vector<FileIdentity>& within) {
  return within.empty() || PlaceUnderAny(checked, checked.folders[member.folder], within);
}

std::size_t ChooseKept(const CheckedReport& checked, const ReportPaths& paths,
                       const CheckedGroup& group, const std::vector<KeepChoice>& rules,
                       const KeepLimits& limits) {
  const std::vector<long long> scores = OwnerScores(checked, group, limits);
  std::size_t best = 0;
  for (std::size_t index = 1; index < group.members.size(); ++index) {
    const Member& candidate = group.members[index];
    const Member& kept = group.members[best];
    int order = Prefer(IsSetAside(checked, candidate, limits.setAside),
                       IsSetAside(checked, kept, limits.setAside));
    if (order == 0 && !scores.empty()) {
      order = Prefer(scores[best], scores[index]);
    }
    if (order == 0 && !limits.within.empty()) {
      order = Prefer(IsWithin(checked, candidate, limits.within),
                     IsWithin(checked, kept, limits.within));
    }
    for (std::size_t rule = 0; order == 0 && rule < rules.size(); ++rule) {
      order = Compare(checked, paths, rules[rule], candidate, kept);
    }
    if (order < 0 || (order == 0 && candidate.path < kept.path)) {
      best = index;
    }
  }
  return best;
}
