#pragma once

#include "ReportSelection.h"

#include <QString>

// Whether the text of a search box can be searched for as typed. A text the
// database would receive as something else (a lone half of a surrogate pair
// becomes U+FFFD, a NUL cuts or changes it) or one longer than the column
// holds (no stored value can equal or contain it) is refused with a message,
// instead of quietly becoming another search.
class SearchText {
public:
    // The longest value the searched column holds, as the column limits
    // state it for both databases; 0 (ColumnLimits::kFree) for a column
    // without a limit and for a selection without text.
    static int columnLength(ReportSelection::Mode mode);

    // The length a search box allows: one character more than the column
    // holds, so a longer text, typed or pasted, stays visible as too long and
    // is refused, not cut into another; the edit box's own default for a
    // column without a limit.
    static int boxMaxLength(ReportSelection::Mode mode);

    // Empty when the selection can be searched; otherwise what to tell the user.
    static QString refusal(const ReportSelection& selection);
};
