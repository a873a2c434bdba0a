#include "pagedreport.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

#include <cmath>

namespace {
constexpr qreal kPixelsPerInch = 96;
constexpr qreal kPointsPerInch = 72;
} // namespace

PagedReport::PagedReport(const QTextDocument &source, QSizeF pagePixels)
    : m_document(source.clone())
    , m_pageSize(pagePixels)
{
    m_document->setUseDesignMetrics(source.useDesignMetrics());
    m_document->setDocumentMargin(0);
    m_document->setPageSize(m_pageSize);
    // Lays the whole text out page after page, once.
    (void)m_document->documentLayout()->documentSize();
}

PagedReport::~PagedReport() = default;

QSizeF PagedReport::pixelsOfPoints(QSizeF points)
{
    return points * (kPixelsPerInch / kPointsPerInch);
}

int PagedReport::pageCount() const
{
    return m_document->pageCount();
}

QImage PagedReport::render(int page) const
{
    if (page < 1 || page > pageCount())
        return {};
    const QSize size(int(std::ceil(m_pageSize.width())), int(std::ceil(m_pageSize.height())));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal top = (page - 1) * m_pageSize.height();
    painter.translate(0, -top);
    const QRectF area(0, top, m_pageSize.width(), m_pageSize.height());
    painter.setClipRect(area);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = area;
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);
    return image;
}
