#pragma once

#include <QString>

#include <string_view>

// The UTF-8 bytes XmlScanner hands out, read as the readers read a value:
// shared by the readers of the XML forms so that each reads a number or a
// trimmed value the same way.
namespace ScannedText {

// As QString::fromUtf8.
QString text(std::string_view utf8);

// Trimmed of what QString::trimmed takes off ASCII text (space, \t to \r).
std::string_view trimmed(std::string_view v);

// A number as QString::toDouble reads the trimmed text. The common form
// ("-12.5", "1E-3") is parsed from the bytes, which gives the same double;
// anything else goes through QString.
bool toDouble(std::string_view v, double& out);

// Moves text gathered as bytes onto `text`, which grows to maxChars at most:
// converted once per run of text, not once per piece the scanner hands out.
void moveInto(std::string& bytes, QString& text, qsizetype maxChars);

}
