#include "SurfaceChartWindow.h"

#include "ChartTool.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtDataVisualization/QValue3DAxis>
#include <QtDataVisualization/qutils.h>

#include <algorithm>

namespace {

constexpr float kZoomStep = 1.25f;
constexpr float kRotateStep = 30.0f;

} // namespace

bool SurfaceChartWindow::CanCreate3DView() {
    static const bool can = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform.isEmpty() || platform == QLatin1String("offscreen") ||
            platform == QLatin1String("minimal"))
            return false;
        QOpenGLContext context;
        if (!context.create()) return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid()) return false;
        const bool current = context.makeCurrent(&surface);
        if (current) context.doneCurrent();
        return current;
    }();
    return can;
}

SurfaceChartWindow::SurfaceChartWindow(const QString& caption, QSize designSize, const QString& seriesTitle,
                                       std::optional<QColor> gradientStart, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(caption);
    resize(designSize);
    setMinimumSize(200, 100);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ChartTool1 = MakeChartToolBar(this);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ResetZoom), QStringLiteral("Исходный вид"), this,
                          &SurfaceChartWindow::ResetView);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomIn), QStringLiteral("Увеличить"), this,
                          &SurfaceChartWindow::ZoomIn);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::ZoomOut), QStringLiteral("Уменьшить"), this,
                          &SurfaceChartWindow::ZoomOut);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Rotate), QStringLiteral("Повернуть"), this,
                          &SurfaceChartWindow::Rotate);
    ChartTool1->addSeparator();
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Save), QStringLiteral("Сохранить рисунок..."),
                          this, &SurfaceChartWindow::saveAs);
    ChartTool1->addAction(MakeChartToolIcon(ChartToolIcon::Copy), QStringLiteral("Копировать рисунок"), this,
                          &SurfaceChartWindow::CopyToClipboard);
    layout->addWidget(ChartTool1);

    // The series and its proxy are plain data objects: they exist with or without a view.
    Series1 = new QSurface3DSeries(this);
    Series1->setName(seriesTitle);
    Series1->setItemLabelFormat(QStringLiteral("@xLabel, @zLabel: @yLabel"));
    Series1->setDrawMode(QSurface3DSeries::DrawSurfaceAndWireframe);
    Series1->setFlatShadingEnabled(false);
    Series1->setMeshSmooth(false);
    Series1->setBaseColor(QColor(255, 0, 0));
    if (gradientStart) {
        QLinearGradient g;
        g.setColorAt(0.0, *gradientStart);
        g.setColorAt(1.0, QColor(255, 0, 0));
        Series1->setBaseGradient(g);
        Series1->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
    } else {
        Series1->setColorStyle(Q3DTheme::ColorStyleUniform);
    }

    if (CanCreate3DView()) {
        QSurfaceFormat format = qDefaultSurfaceFormat(false);
        format.setSamples(0);
        m_graph = new Q3DSurface(&format);
        m_graph->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
        m_graph->activeTheme()->setType(Q3DTheme::ThemeQt);
        m_graph->activeTheme()->setBackgroundColor(Qt::white);
        m_graph->activeTheme()->setWindowColor(Qt::white);
        m_graph->activeTheme()->setBackgroundEnabled(false);
        m_graph->activeTheme()->setLabelBackgroundEnabled(false);
        m_graph->setTitle(QString());
        m_graph->axisX()->setTitle(QStringLiteral("Ось X"));
        m_graph->axisX()->setTitleVisible(true);
        m_graph->axisZ()->setTitle(QStringLiteral("Ось Y"));
        m_graph->axisZ()->setTitleVisible(true);
        m_graph->axisY()->setTitle(QStringLiteral("Содержание элемента, %"));
        m_graph->axisY()->setTitleVisible(true);
        m_graph->axisX()->setLabelFormat(QStringLiteral("%d"));
        m_graph->axisZ()->setLabelFormat(QStringLiteral("%d"));
        m_graph->axisY()->setLabelFormat(QStringLiteral("%.3f"));
        m_graph->setSelectionMode(QAbstract3DGraph::SelectionItem);
        m_graph->addSeries(Series1);
        ResetView();
        m_container = QWidget::createWindowContainer(m_graph, this);
        m_container->setMinimumSize(50, 50);
        m_container->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(m_container, 1);
    } else {
        m_placeholder = new QLabel(QStringLiteral("Трёхмерный график недоступен: нет OpenGL"), this);
        m_placeholder->setAlignment(Qt::AlignCenter);
        m_placeholder->setAutoFillBackground(true);
        QPalette pal = m_placeholder->palette();
        pal.setColor(QPalette::Window, Qt::white);
        m_placeholder->setPalette(pal);
        layout->addWidget(m_placeholder, 1);
    }
}

SurfaceChartWindow::~SurfaceChartWindow() {
    // The graph window belongs to its container; without a container it is ours.
    if (m_graph && !m_container) delete m_graph;
}

void SurfaceChartWindow::StartSurface(int L, int M) {
    m_numX = std::max(L, 0);
    m_numZ = std::max(M, 0);
    m_values.assign(static_cast<std::size_t>(m_numX) * static_cast<std::size_t>(m_numZ), 0.0);
    m_layers = 0;
    m_dirty = true;
    if (m_graph) {
        // An empty surface at once, whether shown or not: a cleared chart must never show an old run.
        Series1->dataProxy()->resetArray(nullptr);
        m_dirty = false;
        if (m_numX > 0) m_graph->axisX()->setRange(1, std::max(m_numX, 2));
        if (m_numZ > 0) m_graph->axisZ()->setRange(1, std::max(m_numZ, 2));
        m_graph->axisX()->setSegmentCount(std::clamp(m_numX - 1, 1, 10));
        m_graph->axisZ()->setSegmentCount(std::clamp(m_numZ - 1, 1, 10));
    }
}

double SurfaceChartWindow::ValueAt(int i, int j) const {
    if (i < 1 || i > m_numX || j < 1 || j > m_numZ) return 0;
    return m_values[static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(m_numZ) +
                    static_cast<std::size_t>(j - 1)];
}

void SurfaceChartWindow::AddLayerFrom(const korvel::NodeField& field, int L, int M) {
    if (m_numX <= 0 || m_numZ <= 0) return;
    // A layer covers the surface's grid; cells beyond the field (or the field beyond the grid) are left.
    const int rows = std::min({L, m_numX, field.Rows() - 1});
    const int cols = std::min({M, m_numZ, field.Cols() - 1});
    for (int i = 1; i <= rows; ++i) {
        const double* src = field[i];
        double* dst = m_values.data() + static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(m_numZ);
        for (int j = 1; j <= cols; ++j)
            dst[j - 1] = src[j];
    }
    ++m_layers;
    m_dirty = true;
    if (viewShown()) pushToView();
}

bool SurfaceChartWindow::viewShown() const {
    if (!m_graph || !m_container) return false;
    if (!m_container->isVisible()) return false;
    const QWidget* top = window();
    return !(top && top->isMinimized()) && !isMinimized();
}

void SurfaceChartWindow::pushToView() {
    if (!m_graph) return;
    m_dirty = false;
    if (m_numX < 2 || m_numZ < 2 || m_layers == 0) {
        // A surface needs two rows and two columns; a cleared one shows nothing.
        Series1->dataProxy()->resetArray(nullptr);
        return;
    }
    // Rows of the proxy run along z (the model's Y, index j), columns along x (index i).
    auto* array = new QSurfaceDataArray;
    array->reserve(m_numZ);
    double lo = m_values.front(), hi = m_values.front();
    for (int j = 1; j <= m_numZ; ++j) {
        auto* row = new QSurfaceDataRow(m_numX);
        for (int i = 1; i <= m_numX; ++i) {
            const double v = ValueAt(i, j);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            (*row)[i - 1].setPosition(
                QVector3D(static_cast<float>(i), static_cast<float>(v), static_cast<float>(j)));
        }
        array->append(row);
    }
    Series1->dataProxy()->resetArray(array);
    if (!(hi > lo)) {
        const double pad = lo != 0 ? 0.05 * std::abs(lo) : 0.01;
        lo -= pad;
        hi += pad;
    }
    m_graph->axisY()->setRange(static_cast<float>(lo), static_cast<float>(hi));
}

void SurfaceChartWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_dirty && viewShown()) pushToView();
}

void SurfaceChartWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_dirty && viewShown()) pushToView();
}

void SurfaceChartWindow::ResetView() {
    if (!m_graph) return;
    m_graph->scene()->activeCamera()->setCameraPosition(-40, 25, 90);
}

void SurfaceChartWindow::ZoomIn() {
    if (!m_graph) return;
    Q3DCamera* c = m_graph->scene()->activeCamera();
    c->setZoomLevel(std::min(c->zoomLevel() * kZoomStep, c->maxZoomLevel()));
}

void SurfaceChartWindow::ZoomOut() {
    if (!m_graph) return;
    Q3DCamera* c = m_graph->scene()->activeCamera();
    c->setZoomLevel(std::max(c->zoomLevel() / kZoomStep, c->minZoomLevel()));
}

void SurfaceChartWindow::Rotate() {
    if (!m_graph) return;
    Q3DCamera* c = m_graph->scene()->activeCamera();
    c->setXRotation(c->xRotation() + kRotateStep);
}

QImage SurfaceChartWindow::RenderImage(QSize size) {
    if (!m_graph) return QImage();
    if (m_dirty) pushToView();
    if (!size.isValid())
        size = m_container && m_container->size().isValid() && m_container->width() > 1 ? m_container->size()
                                                                                        : QSize(500, 400);
    return m_graph->renderToImage(0, size);
}

QImage SurfaceChartWindow::RenderPicture(QSize size) {
    if (size.isEmpty()) return QImage();
    if (m_graph) {
        const QImage image = RenderImage(size);
        if (!image.isNull() && image.size() == size) return image;
        if (!image.isNull()) return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont f = font();
    f.setPixelSize(std::max(12, size.height() / 30));
    p.setFont(f);
    p.drawText(image.rect(), Qt::AlignCenter,
               windowTitle() + QLatin1Char('\n') + (m_placeholder ? m_placeholder->text() : QString()));
    p.end();
    return image;
}

bool SurfaceChartWindow::SaveImage(const QString& fileName) {
    const QImage image = RenderImage();
    return !image.isNull() && image.save(fileName, "PNG");
}

void SurfaceChartWindow::CopyToClipboard() {
    const QImage image = RenderImage();
    if (!image.isNull()) QApplication::clipboard()->setImage(image);
}

void SurfaceChartWindow::saveAs() {
    const QString name = AskPngFileName(this);
    if (!name.isEmpty()) SaveImage(name);
}
