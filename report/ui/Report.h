#pragma once

#include "history/Practice.h"
#include "history/PracticeView.h"
#include "history/Sessions.h"
#include "report/ReportData.h"
#include "stats/RunFile.h"

#include <QByteArray>
#include <QPageSize>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPrinter;

namespace history {
class Store;
}

// The printed reports. Each is laid out for one paper and drawn page by page, in points (1/72
// inch) from the paper's corner, by the same code for the PDF, the PNG and the printer.
namespace report {

class Pages {
public:
    explicit Pages(const QPageSize &paper) : m_paper(paper) {}
    virtual ~Pages() = default;
    virtual int count() const = 0;
    virtual void draw(QPainter &painter, int page) const = 0;
    virtual QString title() const = 0;
    const QPageSize &paper() const { return m_paper; }
    QSizeF size() const { return m_paper.size(QPageSize::Point); }

private:
    QPageSize m_paper;
};
// Lays a report out for a paper (the printer's may differ from the locale's).
using Layout = std::function<std::unique_ptr<Pages>(const QPageSize &paper)>;

Layout runFileLayout(RunFileReport report);

// A history report: the charts of the sessions and a table of them, on as many pages as needed,
// of a view read with its sessions (history::Reading::Both).
Layout historyLayout(history::PracticeView view);

// The report as a PDF file, or as a PNG picture at 150 dots per inch (one page only: a longer
// report throws, naming the PDF instead).
QByteArray pdfBytes(const Pages &pages);
QByteArray pngBytes(const Pages &pages);
QByteArray fileBytes(const Pages &pages, Format format);
// Prints on a printer set up by the print dialog, laid out for the paper it has.
void printReport(const Layout &layout, QPrinter &printer);

} // namespace report
