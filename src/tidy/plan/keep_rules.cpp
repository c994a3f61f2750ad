#include "tidy/plan/keep_rules.h"

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
      return Prefer(checked.folders[right.folder].chain.size(),
                    checked.folders[left.folder].chain.size());
    case KeepRule::kUnder:
      return Prefer(!IsUnder(checked.folders[left.folder], choice.folder),
                    !IsUnder(checked.folders[right.folder], choice.folder));
    default:
      return Prefer(left.path, right.path);
  }
}

}  // namespace

std::vector<KeepChoice> DefaultKeepRules() {
  std::vector<KeepChoice> rules(3);
  rules[0].rule = KeepRule::kOldest;
  rules[1].rule = KeepRule::kShortest;
  rules[2].rule = KeepRule::kFirst;
  return rules;
}

bool IsWithin(const CheckedReport& checked, const Member& member,
              const std::vector<FileIdentity>& within) {
  return within.empty() || ChainUnderAny(checked.folders[member.folder].chain, within);
}

std::size_t ChooseKept(const CheckedReport& checked, const ReportPaths& paths,
                       const CheckedGroup& group, const std::vector<KeepChoice>& rules,
                       const std::vector<FileIdentity>& within) {
  std::size_t best = 0;
  for (std::size_t index = 1; index < group.members.size(); ++index) {
    const Member& candidate = group.members[index];
    const Member& kept = group.members[best];
    int order = within.empty()
                    ? 0
                    : Prefer(IsWithin(checked, candidate, within), IsWithin(checked, kept, within));
    for (std::size_t rule = 0; order == 0 && rule < rules.size(); ++rule) {
      order = Compare(checked, paths, rules[rule], candidate, kept);
    }
    if (order < 0 || (order == 0 && candidate.path < kept.path)) {
      best = index;
    }
  }
  return best;
}
