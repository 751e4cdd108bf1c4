#pragma once

#include "ReportSelection.h"

class Query;

// The report's statement: the cheque headers joined to their invoice lines,
// narrowed by the selection, ordered by cheque key.
class ReportQuery {
public:
    // Closes the query, clears its statement and adds the report's lines. The
    // condition continues the join's ON clause (there is no WHERE); the typed
    // text travels as a bound value, so a quote in it cannot alter the statement.
    static void prepare(Query& query, const ReportSelection& selection);
};
