#pragma once

#include <QImage>
#include <QSizeF>

#include <memory>

class QTextDocument;

// A statistics report laid out in printer pages: a copy of the report's document, paginated once to
// the page size (in the document's pixels, 96 to the inch; no page margins). Drawing a page draws
// only that page from the one layout, so the last page of a long report costs what the first does.
class PagedReport
{
public:
    PagedReport(const QTextDocument &source, QSizeF pagePixels);
    ~PagedReport();
    PagedReport(const PagedReport &) = delete;
    PagedReport &operator=(const PagedReport &) = delete;

    int pageCount() const;
    QSizeF pageSize() const { return m_pageSize; }
    // Page n (from 1) on a white image of the page's size; a null image for a page that does not exist.
    QImage render(int page) const;
    QTextDocument &document() { return *m_document; }

    // The page size of a page in points, as the document's pixels.
    static QSizeF pixelsOfPoints(QSizeF points);

private:
    std::unique_ptr<QTextDocument> m_document;
    QSizeF m_pageSize;
};
