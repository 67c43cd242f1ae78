// Wildcard matching of filter LIKE conditions, and the pattern kinds a LIKE condition is
// described with (begins with, ends with, contains).
#pragma once

#include "SysUtils.h"

// MatchLikeMask with no escape character.
bool LikeMatchText(const String& AText, const String& APattern, wchar_t AMultiWildcard, wchar_t ASingleWildcard);

// Matches the text against the pattern one UTF-16 code unit at a time, case-sensitively.
// AEscape 0 means no escape character; an escape makes the next pattern character
// literal. A multi wildcard followed by more pattern never matches an empty remainder of
// the text. Runs in time proportional to pattern length times text length at worst.
bool MatchLikeMask(const wchar_t* AText, Integer ATextLength, const wchar_t* APattern, wchar_t AEscape,
                   wchar_t ASingle, wchar_t AMulti, Integer APatternLength);

// Replaces every run of AWildcard by a single one.
void CollapseLikeWildcards(String& APattern, wchar_t AWildcard);

// 0 like, 1 begins with, 2 ends with, 3 contains; the wildcards that make the kind are
// removed from APattern (after collapsing runs).
Integer GetLikePatternKind(String& APattern, wchar_t AWildcard);

extern const TUnitInfo vxLikeUnit;
