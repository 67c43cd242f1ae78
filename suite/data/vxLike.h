// Wildcard matching of filter LIKE conditions, and the pattern kinds a LIKE condition is
// described with (begins with, ends with, contains).
#pragma once

#include <vector>

#include "SysUtils.h"

// MatchLikeMask with no escape character.
bool LikeMatchText(const String& AText, const String& APattern, wchar_t AMultiWildcard, wchar_t ASingleWildcard);

// Matches the text against the pattern one UTF-16 code unit at a time, case-sensitively.
// AEscape 0 means no escape character; an escape makes the next pattern character
// literal. A multi wildcard followed by more pattern never matches an empty remainder of
// the text. Runs in time proportional to pattern length times text length at worst.
bool MatchLikeMask(const wchar_t* AText, Integer ATextLength, const wchar_t* APattern, wchar_t AEscape,
                   wchar_t ASingle, wchar_t AMulti, Integer APatternLength);

// A pattern resolved once for matching many texts the way MatchLikeMask does: Prepare
// takes the pattern (again only when it or a wildcard changed), Matches tests a text.
class TvxLikeMatcher {
 public:
  enum class TToken : unsigned char { Literal, Single, Multi };
  struct TStep {
    TToken Kind;
    wchar_t Char;
  };
  // Answers False when the pattern can match no text.
  bool Prepare(const String& APattern, wchar_t AEscape, wchar_t ASingle, wchar_t AMulti);
  bool Matches(const wchar_t* AText, Integer ATextLength) const;

 private:
  String FPattern;
  wchar_t FEscape = 0, FSingle = 0, FMulti = 0;
  bool FPrepared = false, FMatchable = false;
  std::vector<TStep> FSteps;
};

// Replaces every run of AWildcard by a single one.
void CollapseLikeWildcards(String& APattern, wchar_t AWildcard);

// 0 like, 1 begins with, 2 ends with, 3 contains; the wildcards that make the kind are
// removed from APattern (after collapsing runs).
Integer GetLikePatternKind(String& APattern, wchar_t AWildcard);

extern const TUnitInfo vxLikeUnit;
