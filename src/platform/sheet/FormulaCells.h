#pragma once

#include "FormulaEval.h"
#include "SheetCells.h"

#include <QString>
#include <QStringView>

// Where the readers meet the calculator: which stored results to trust, and
// the calculation of the rest.
namespace FormulaCells {

// What reading a cell says when its formula's value cannot be known: why,
// and to open the file in a spreadsheet program and save it once.
QString failure(const QString& why);

// Whether a workbook last saved by `application` (an .xlsx's
// docProps/app.xml Application, an .ods's meta:generator) holds the results
// that program calculated: the spreadsheet programs do, libraries and report
// writers do not. An empty name says nothing either way: true.
bool calculatingApplication(QStringView application);

// Calculates every formula of `cells` whose stored result cannot be trusted
// (none stored, or cells.storedResultsStale) and puts its value, or a
// failure naming what is in the way, into its cell. `cells` must be
// finished; it is finished again. Costs nothing when no formula needs it.
void settle(SheetCells& cells);

}
