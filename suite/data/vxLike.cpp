#include "vxLike.h"

#include <vector>

namespace {

using TLikeToken = TvxLikeMatcher::TToken;
using TLikeStep = TvxLikeMatcher::TStep;

// Resolves escapes and rewrites the pattern into an equivalent one under plain wildcard
// semantics: a run of multi wildcards inside the pattern acts as one (the text character
// the next step needs is there anyway), while a run of two or more at the end needs one
// more text character before it succeeds, which is a single wildcard followed by a multi.
// Answers False for a pattern that can match no text: a multi wildcard followed only by a
// dangling escape character is not the last pattern character, so it needs a remaining
// text character, and the pattern then ends before that character is used.
bool BuildSteps(const wchar_t* APattern, Integer ALength, wchar_t AEscape, wchar_t ASingle, wchar_t AMulti,
                std::vector<TLikeStep>& ASteps) {
  ASteps.clear();
  bool escaped = false;
  Integer multiRun = 0;  // unescaped multi wildcards in the run that ends the steps so far
  for (Integer i = 0; i < ALength; ++i) {
    const wchar_t c = APattern[i];
    if (!escaped && AEscape != 0 && c == AEscape) {
      escaped = true;
      continue;
    }
    if (!escaped && c == AMulti) {
      if (multiRun++ == 0) ASteps.push_back({TLikeToken::Multi, c});
      continue;
    }
    multiRun = 0;
    ASteps.push_back({!escaped && c == ASingle ? TLikeToken::Single : TLikeToken::Literal, c});
    escaped = false;
  }
  if (escaped && multiRun > 0) return false;
  if (multiRun >= 2) {
    ASteps.back() = {TLikeToken::Single, ASingle};
    ASteps.push_back({TLikeToken::Multi, AMulti});
  }
  return true;
}

// Matches the text against steps made by BuildSteps.
bool MatchSteps(const std::vector<TLikeStep>& steps, const wchar_t* AText, Integer ATextLength) {
  const size_t stepCount = steps.size();
  const size_t n = ATextLength > 0 ? static_cast<size_t>(ATextLength) : 0;
  size_t s = 0, t = 0;
  // Position after the last multi wildcard seen, and the text position it was tried at:
  // on a mismatch the multi takes one more character and matching resumes after it. Only
  // the last multi needs retrying, so each text position is tried against each step at
  // most once per multi: pattern length times text length at worst, no recursion.
  size_t starStep = SIZE_MAX, starText = 0;
  while (t < n) {
    if (s < stepCount) {
      const TLikeStep& st = steps[s];
      if (st.Kind == TLikeToken::Multi) {
        starStep = ++s;
        starText = t;
        continue;
      }
      if (st.Kind == TLikeToken::Single || st.Char == AText[t]) {
        ++s;
        ++t;
        continue;
      }
    }
    if (starStep == SIZE_MAX) return false;
    s = starStep;
    t = ++starText;
  }
  while (s < stepCount && steps[s].Kind == TLikeToken::Multi) ++s;
  return s == stepCount;
}

}  // namespace

bool MatchLikeMask(const wchar_t* AText, Integer ATextLength, const wchar_t* APattern, wchar_t AEscape,
                   wchar_t ASingle, wchar_t AMulti, Integer APatternLength) {
  // The steps are rebuilt per call; the buffer is kept per thread so that matching many
  // texts does not allocate per text. TvxLikeMatcher keeps them for a pattern instead.
  thread_local std::vector<TLikeStep> steps;
  return BuildSteps(APattern, APatternLength, AEscape, ASingle, AMulti, steps) &&
         MatchSteps(steps, AText, ATextLength);
}

bool TvxLikeMatcher::Prepare(const String& APattern, wchar_t AEscape, wchar_t ASingle, wchar_t AMulti) {
  if (FPrepared && APattern == FPattern && AEscape == FEscape && ASingle == FSingle && AMulti == FMulti)
    return FMatchable;
  FPattern = APattern;
  FEscape = AEscape;
  FSingle = ASingle;
  FMulti = AMulti;
  FMatchable = BuildSteps(APattern.c_str(), static_cast<Integer>(APattern.size()), AEscape, ASingle, AMulti, FSteps);
  FPrepared = true;
  return FMatchable;
}

bool TvxLikeMatcher::Matches(const wchar_t* AText, Integer ATextLength) const {
  return FMatchable && MatchSteps(FSteps, AText, ATextLength);
}

bool LikeMatchText(const String& AText, const String& APattern, wchar_t AMultiWildcard, wchar_t ASingleWildcard) {
  return MatchLikeMask(AText.c_str(), static_cast<Integer>(AText.size()), APattern.c_str(), 0, ASingleWildcard,
                       AMultiWildcard, static_cast<Integer>(APattern.size()));
}

void CollapseLikeWildcards(String& APattern, wchar_t AWildcard) {
  size_t out = 0;
  for (size_t i = 0; i < APattern.size(); ++i) {
    if (APattern[i] == AWildcard && out > 0 && APattern[out - 1] == AWildcard) continue;
    APattern[out++] = APattern[i];
  }
  APattern.resize(out);
}

Integer GetLikePatternKind(String& APattern, wchar_t AWildcard) {
  CollapseLikeWildcards(APattern, AWildcard);
  if (APattern.size() <= 1) return 0;
  const bool first = APattern.front() == AWildcard;
  const bool last = APattern.back() == AWildcard;
  if (first && !last) {
    APattern.erase(0, 1);
    return 2;
  }
  if (first && last) {
    APattern = APattern.substr(1, APattern.size() - 2);
    return 3;
  }
  if (last) {
    APattern.pop_back();
    return 1;
  }
  return 0;
}

const TUnitInfo vxLikeUnit = {L"vxLike", nullptr, nullptr};
