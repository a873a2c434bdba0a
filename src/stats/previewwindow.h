#pragma once

#include "ui/taskdesk.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class PagedReport;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QScrollBar;
class QTextEdit;
class QToolButton;

// Preview: the statistics text laid out in printer pages, one page at a time at one of five zoom
// levels, and printed through the printer dialog.
class PreviewWindow : public QWidget
{
    Q_OBJECT

public:
    PreviewWindow(const TaskContext &context, QTextEdit *source, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    static constexpr int ZoomLevels = 5;
    // The zoom levels from 1 ("150") to 5 ("25"), as scale factors of the page.
    static constexpr std::array<double, ZoomLevels> ZoomFactors = {1.5, 1.0, 0.75, 0.5, 0.25};

    int pageCount() const { return m_pageCount; }
    int zoomLevel() const { return m_zoom; }
    int currentPage() const { return m_page; }
    // The page as laid out (PicX) and its scaled copy at a level (Pic1 to Pic5).
    const QImage &pageImage() const { return m_pageImage; }
    QImage zoomImage(int level) const;

    static const QString Caption;
    static const QString SizingError;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void renderPage(int page);
    void setZoom(int level);
    void updatePaging();
    void placeImage();
    void onPrint();

    TaskContext m_context;
    QPointer<QTextEdit> m_source;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PagedReport> m_pages;
    int m_pageCount = 0;
    int m_page = 0;
    int m_zoom = ZoomLevels;
    QImage m_pageImage;

    QToolButton *m_print = nullptr;
    QToolButton *m_zoomIn = nullptr;
    QToolButton *m_zoomOut = nullptr;
    QComboBox *m_scale = nullptr;
    QPushButton *m_prev = nullptr;
    QPushButton *m_next = nullptr;
    QComboBox *m_pageNo = nullptr;
    QLineEdit *m_total = nullptr;
    QPushButton *m_close = nullptr;
    QFrame *m_area = nullptr; // PicZ
    std::array<QLabel *, ZoomLevels> m_images{}; // Pic1 to Pic5
    QScrollBar *m_vertical = nullptr;
    QScrollBar *m_horizontal = nullptr;
};
