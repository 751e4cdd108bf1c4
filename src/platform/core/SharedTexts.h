#pragma once

#include <QString>

// Texts the user sees from more than one part of the program, written once so
// that the places cannot drift apart.
namespace SharedTexts {
// The question before anything is stored: a save of the import grid, a new
// password. It ends in a blank.
QString confirmSave();
// A read or a search that found no lines.
QString nothingFound();
}
