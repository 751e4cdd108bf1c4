#pragma once

#include "CellsWorkbook.h"

// A web page under any name, or an MHTML document holding one, read as a
// sheet: the first <table> in the page, as Excel's and SAP's "Excel in HTML
// format" write it. colspan and rowspan place the cells that follow; a cell's
// text is what a browser shows (spaces collapsed unless the style keeps them,
// <br> a line break). Excel's x:num, x:str, x:bool, x:err and x:fmla say what
// a cell holds, and a text number format (mso-number-format "@") keeps a
// cell's text; any other cell is a number when it is one as typed
// (CellText::parseTypedNumber), else text as written.
//
// The page is parsed as a stream (libxml2's HTML parser, events only, no
// tree, nothing loaded from outside), and parsing stops at the end of the
// first table.
class HtmlWorkbook : public CellsWorkbook {
public:
    static constexpr int kMaxCellText = 32767;
    // Filled cells kept at most, as for tab-separated text.
    static constexpr size_t kMaxCells = 20'000'000;

    // A web page, or an MHTML document (a MIME message).
    void openData(const QByteArray& bytes, const QString& path) override;

    // A web page in the encoding its byte order mark or meta charset names,
    // else in `charset` (a MIME part's), else windows-1252.
    void openHtml(const QByteArray& bytes, const QString& path, const QByteArray& charset = QByteArray());
    // An MHTML document: the page of its first worksheet, or its first page
    // that holds a table.
    void openMhtml(const QByteArray& bytes, const QString& path);

    // The meta charset of a page (empty when none is named near its start).
    static QByteArray metaCharset(const QByteArray& bytes);
};
