#pragma once

class QPrinter;
class QTextDocument;

namespace penwick::platform {

// Prints a text document (a copy, laid out anew for the printer) onto the printer's pages. The
// text fills the paintable area exactly, so the printed margins are the page layout's own: no
// margin or page number is added (unlike QTextDocument::print). False when the printer cannot
// be painted on (an output file that cannot be written, for one).
bool printTextDocument(const QTextDocument& document, QPrinter* printer);

} // namespace penwick::platform
