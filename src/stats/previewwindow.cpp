#include "previewwindow.h"

#include "pagedreport.h"

#include "core/prompter.h"
#include "ui/dialogs.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

const QString PreviewWindow::Caption = u"Print preview"_s;
const QString PreviewWindow::SizingError = u"Error occurred in sizing images. Cannot continue"_s;

namespace {

const QString kTitle = u"ZEL-Client"_s;
const QStringList kScales = {u"150"_s, u"100"_s, u"75"_s, u"50"_s, u"25"_s};
constexpr int kResizeLevel = 3; // "75"
constexpr int kScrollMaximum = 1000;

// The report as it goes to the printer: the selection of the text box when the dialog asked for it
// and there is one, otherwise the whole text.
std::unique_ptr<QTextDocument> printedText(const QTextEdit &source, bool selectionOnly)
{
    const QTextDocument &whole = *source.document();
    if (!selectionOnly || !source.textCursor().hasSelection())
        return std::unique_ptr<QTextDocument>(whole.clone());
    auto part = std::make_unique<QTextDocument>();
    part->setDefaultFont(whole.defaultFont());
    part->setDefaultTextOption(whole.defaultTextOption());
    QTextCursor(part.get()).insertFragment(source.textCursor().selection());
    return part;
}

QToolButton *pictureButton(QStyle::StandardPixmap picture, const QString &tip, const QString &name, QWidget *parent)
{
    auto *b = Ui::named<QToolButton>(name, parent);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setToolTip(tip);
    b->setAutoRaise(true);
    b->setIconSize(QSize(22, 22));
    return b;
}

} // namespace

PreviewWindow::PreviewWindow(const TaskContext &context, QTextEdit *source, QWidget *parent)
    : QWidget(parent)
    , m_context(context)
    , m_source(source)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(u"Preview"_s);
    setWindowTitle(Caption);
    setWindowIcon(QApplication::windowIcon());
    setCursor(Qt::WaitCursor);

    m_print = pictureButton(QStyle::SP_DialogSaveButton, u"Print"_s, u"cmdPrint"_s, this);
    m_zoomIn = pictureButton(QStyle::SP_ArrowUp, u"Zoom in"_s, u"cmdZoomIn"_s, this);
    m_zoomOut = pictureButton(QStyle::SP_ArrowDown, u"Zoom out"_s, u"cmdZoomOut"_s, this);
    m_scale = Ui::named<QComboBox>(u"cboScale"_s, this);
    m_prev = Ui::button(u"<"_s, u"cmdPrevPage"_s, this);
    m_prev->setToolTip(u"Prev page"_s);
    m_next = Ui::button(u">"_s, u"cmdNextPage"_s, this);
    m_next->setToolTip(u"Next page"_s);
    for (QPushButton *b : {m_prev, m_next})
        b->setFixedWidth(32);
    m_pageNo = Ui::named<QComboBox>(u"cboPageNo"_s, this);
    m_pageNo->setMinimumWidth(64);
    m_total = Ui::named<QLineEdit>(u"txtTotalPages"_s, this);
    m_total->setReadOnly(true);
    m_total->setFixedWidth(130);
    m_close = Ui::button(u"Close"_s, u"cmdClose"_s, this);

    m_area = Ui::named<QFrame>(u"PicZ"_s, this);
    m_area->setAutoFillBackground(true);
    QPalette highlight = m_area->palette();
    highlight.setColor(QPalette::Window, highlight.color(QPalette::Highlight));
    m_area->setPalette(highlight);
    for (int i = 0; i < ZoomLevels; ++i) {
        auto *image = Ui::named<QLabel>(u"Pic"_s + QString::number(i + 1), m_area);
        image->setFrameShape(QFrame::Box);
        image->setLineWidth(1);
        image->setAutoFillBackground(true);
        QPalette white = image->palette();
        white.setColor(QPalette::Window, Qt::white);
        image->setPalette(white);
        image->hide();
        m_images[i] = image;
    }
    m_vertical = Ui::named<QScrollBar>(u"VScroll1"_s, Qt::Vertical, this);
    m_horizontal = Ui::named<QScrollBar>(u"HScroll1"_s, Qt::Horizontal, this);

    auto *bar = new QHBoxLayout;
    bar->setSpacing(6);
    bar->addWidget(m_print);
    bar->addSpacing(10);
    bar->addWidget(m_zoomIn);
    bar->addWidget(m_zoomOut);
    bar->addWidget(m_scale);
    bar->addSpacing(16);
    bar->addWidget(m_prev);
    bar->addWidget(m_pageNo);
    bar->addWidget(m_next);
    bar->addWidget(m_total);
    bar->addStretch(1);
    bar->addWidget(m_close);

    auto *pages = new QGridLayout;
    pages->setSpacing(0);
    pages->addWidget(m_area, 0, 0);
    pages->addWidget(m_vertical, 0, 1);
    pages->addWidget(m_horizontal, 1, 0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(bar);
    layout->addLayout(pages, 1);

    // The printer's page, without margins, is the page of the preview and of the print.
    m_printer->setFullPage(true);
    m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    const QSizeF page = PagedReport::pixelsOfPoints(m_printer->pageLayout().fullRectPoints().size());
    if (m_source)
        m_pages = std::make_unique<PagedReport>(*m_source->document(), page);
    m_pageCount = m_pages ? m_pages->pageCount() : 0;
    m_total->setText(u"Total "_s + QString::number(m_pageCount) + u" pages"_s);
    for (int n = 1; n <= m_pageCount; ++n)
        m_pageNo->addItem(QString::number(n));
    m_vertical->setRange(0, kScrollMaximum);
    m_horizontal->setRange(0, kScrollMaximum);
    m_scale->addItems(kScales);
    if (m_pageCount > 0)
        renderPage(1);
    updatePaging();
    setZoom(ZoomLevels);
    unsetCursor();

    connect(m_pageNo, &QComboBox::currentIndexChanged, this, [this](int index) {
        setCursor(Qt::WaitCursor);
        renderPage(index + 1);
        updatePaging();
        unsetCursor();
    });
    connect(m_prev, &QPushButton::clicked, this, [this] {
        if (m_pageNo->currentIndex() > 0)
            m_pageNo->setCurrentIndex(m_pageNo->currentIndex() - 1);
    });
    connect(m_next, &QPushButton::clicked, this, [this] {
        if (m_pageNo->currentIndex() + 1 < m_pageNo->count())
            m_pageNo->setCurrentIndex(m_pageNo->currentIndex() + 1);
    });
    connect(m_scale, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            setZoom(index + 1);
    });
    connect(m_zoomIn, &QToolButton::clicked, this, [this] {
        if (m_zoom > 1)
            m_scale->setCurrentIndex(m_zoom - 2);
    });
    connect(m_zoomOut, &QToolButton::clicked, this, [this] {
        if (m_zoom < ZoomLevels)
            m_scale->setCurrentIndex(m_zoom);
    });
    connect(m_vertical, &QScrollBar::valueChanged, this, &PreviewWindow::placeImage);
    connect(m_horizontal, &QScrollBar::valueChanged, this, &PreviewWindow::placeImage);
    connect(m_print, &QToolButton::clicked, this, &PreviewWindow::onPrint);
    connect(m_close, &QPushButton::clicked, this, [this] { Ui::closeTaskWindow(*this); });
}

PreviewWindow::~PreviewWindow() = default;

QImage PreviewWindow::zoomImage(int level) const
{
    if (level < 1 || level > ZoomLevels)
        return {};
    return m_images[level - 1]->pixmap().toImage();
}

void PreviewWindow::renderPage(int page)
{
    if (!m_pages)
        return;
    m_page = page;
    m_pageImage = m_pages->render(page);
    for (int i = 0; i < ZoomLevels; ++i) {
        const QSize size = (QSizeF(m_pageImage.size()) * ZoomFactors[i]).toSize();
        const QImage scaled = m_pageImage.isNull() ? QImage()
                                                   : m_pageImage.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (scaled.isNull()) {
            m_context.prompter.plain(kTitle, SizingError);
            return;
        }
        m_images[i]->setPixmap(QPixmap::fromImage(scaled));
        m_images[i]->resize(scaled.size() + QSize(2, 2));
    }
    placeImage();
}

void PreviewWindow::setZoom(int level)
{
    m_zoom = std::clamp(level, 1, ZoomLevels);
    if (m_scale->currentIndex() != m_zoom - 1) {
        const QSignalBlocker quiet(m_scale);
        m_scale->setCurrentIndex(m_zoom - 1);
    }
    for (int i = 0; i < ZoomLevels; ++i)
        m_images[i]->setVisible(i == m_zoom - 1);
    m_zoomIn->setEnabled(m_zoom > 1);
    m_zoomOut->setEnabled(m_zoom < ZoomLevels);
    placeImage();
}

void PreviewWindow::updatePaging()
{
    const int index = m_pageNo->currentIndex();
    const bool single = m_pageCount <= 1;
    m_prev->setEnabled(!single && index > 0);
    m_next->setEnabled(!single && index + 1 < m_pageCount);
}

// The visible image stands with its left and top edges at minus the scroll values.
void PreviewWindow::placeImage()
{
    m_images[m_zoom - 1]->move(-m_horizontal->value(), -m_vertical->value());
}

void PreviewWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scale->setCurrentIndex(kResizeLevel - 1);
    setZoom(kResizeLevel);
}

void PreviewWindow::onPrint()
{
    if (!m_source)
        return;
    const bool selection = m_source->textCursor().hasSelection();
    if (!m_context.dialogs.choosePrinter(*m_printer, selection, this))
        return; // cancelled: the preview stays
    m_printer->setFullPage(true);
    const bool selectionOnly = m_printer->printRange() == QPrinter::Selection;
    const std::unique_ptr<QTextDocument> text = printedText(*m_source, selectionOnly);
    // Laid out on the page the dialog chose, as the preview lays it out on its page.
    const QSizeF page = PagedReport::pixelsOfPoints(m_printer->pageLayout().fullRectPoints().size());
    PagedReport printed(*text, page);
    printed.document().print(m_printer.get());
    Ui::closeTaskWindow(*this);
}
