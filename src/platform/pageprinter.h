// Printing a document on a printer a page at a time, as one job.
#pragma once

#include <functional>

class QPrinter;
class QTextDocument;

namespace pennaro {

// Told after each page has been produced: the pages done so far, and how
// many the job has in all.
using PageProgress = std::function<void(int done, int total)>;

// Lays the document out for the printer's paintable area (the paper less the
// page margins: those the document's file gives with its paper size, else
// those chosen for the printer) and prints all of it as one job, in
// the page order chosen for the printer and with the copies asked for when
// the printer cannot make them itself. The
// printer's page and print ranges are not consulted: the caller decides what
// the document holds. The document keeps the printer's layout afterwards, so
// give it a copy. Throws PlatformError when the job cannot be started or
// fails; the job is then abandoned.
void printDocument(QTextDocument *copy, QPrinter *printer, const PageProgress &progress = {});

}  // namespace pennaro
