#pragma once

#include "TypedInput.h"

#include <QString>

class SheetModel;

// Writes a sheet model into an .xlsx file: every placed text as typed input,
// every cell with the format that the model's rules leave on it.
namespace SheetWriter {

// Throws std::runtime_error with the writer's message when the file cannot be
// written; a partly written file is not left behind by the writer.
void write(const SheetModel& model, const QString& path, const TypedInput::Conventions& conventions);

// The row height the spreadsheet program gives a row whose largest font has
// this size, so that larger text is not cut off.
double rowHeightFor(double fontPoints);

}
