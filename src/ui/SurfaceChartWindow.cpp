#include "SurfaceChartWindow.h"

#include "AxisTicks.h"
#include "ChartTool.h"
#include "NodeAxisFormatter.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QLocale>
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
#include <cmath>

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
    Series1->setWireframeColor(QColor(60, 60, 60));
    Series1->setFlatShadingEnabled(false);
    Series1->setMeshSmooth(false);
    Series1->setBaseColor(QColor(255, 0, 0));
    // Coloured by value: the low values in the start colour (the series' own, or the default
    // palette's), the high ones in the warmest, so that colour reads as content.
    QLinearGradient g;
    if (gradientStart) {
        g.setColorAt(0.0, *gradientStart);
        g.setColorAt(0.5, QColor(255, 110, 0));
        g.setColorAt(1.0, QColor(255, 240, 0));
    } else {
        g.setColorAt(0.0, QColor(0, 0, 200));
        g.setColorAt(0.3, QColor(0, 190, 255));
        g.setColorAt(0.55, QColor(0, 200, 0));
        g.setColorAt(0.8, QColor(255, 230, 0));
        g.setColorAt(1.0, QColor(255, 0, 0));
    }
    Series1->setBaseGradient(g);
    Series1->setColorStyle(Q3DTheme::ColorStyleRangeGradient);

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
        // Figures with the locale's decimal separator; node numbers on the two grid axes.
        m_graph->setLocale(QLocale());
        m_nodeAxisX = new NodeAxisFormatter;
        m_nodeAxisZ = new NodeAxisFormatter;
        m_graph->axisX()->setFormatter(m_nodeAxisX);
        m_graph->axisZ()->setFormatter(m_nodeAxisZ);
        m_graph->axisX()->setLabelFormat(QStringLiteral("%d"));
        m_graph->axisZ()->setLabelFormat(QStringLiteral("%d"));
        m_graph->axisY()->setLabelFormat(QStringLiteral("%.3f"));
        m_graph->setSelectionMode(QAbstract3DGraph::SelectionItem);
        m_graph->addSeries(Series1);
        ResetView();
        m_container = QWidget::createWindowContainer(m_graph, this);
        m_container->setMinimumSize(50, 50);
        m_container->setFocusPolicy(Qt::StrongFocus);
        m_container->installEventFilter(this);
        layout->addWidget(m_container, 1);
        applyViewFit(true);
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
    }
    // On a dense grid the wire-frame would cover the colours.
    Series1->setDrawMode(m_numX * m_numZ <= 400 ? QSurface3DSeries::DrawSurfaceAndWireframe
                                                : QSurface3DSeries::DrawSurface);
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
    m_valueLo = lo;
    m_valueHi = hi;
    applyValueAxis();
}

void SurfaceChartWindow::applyValueAxis() {
    if (!m_graph || !(m_valueHi > m_valueLo)) return;
    double lo = m_valueLo, hi = m_valueHi;
    // Round ticks on the value axis, as many as the box's height has room for.
    const double step = RoundStep(hi - lo, m_fitted.valueParts, 0);
    if (step > 0 && std::isfinite(step)) {
        const double a = std::floor(lo / step + 1e-9) * step;
        double b = std::ceil(hi / step - 1e-9) * step;
        if (!(b > a)) b = a + step;
        m_graph->axisY()->setSegmentCount(std::max(1, int(std::lround((b - a) / step))));
        m_graph->axisY()->setSubSegmentCount(1);
        m_graph->axisY()->setLabelFormat(QStringLiteral("%.%1f").arg(StepDecimals(step)));
        lo = a;
        hi = b;
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

SurfaceChartWindow::ViewFit SurfaceChartWindow::FitView(QSize viewSize) {
    // A box of the usual proportions seen from above at an angle suits a window of ordinary shape; a
    // wide strip gets a flatter box seen from lower down and without perspective, so that the surface
    // spreads over the strip's width instead of shrinking to its height.
    ViewFit fit;
    if (viewSize.width() <= 0 || viewSize.height() <= 0) return fit;
    const double a = double(viewSize.width()) / viewSize.height();
    if (a <= 2.6) {
        // A box a little taller than the usual one keeps the value axis' title whole along its side.
        fit.aspectRatio = 1.6f;
        fit.zoom = float(std::clamp(80.0 * a / 1.6, 45.0, 90.0));
        // The labels shrink with the box: a small view gets larger letters, so that the ticks stay at
        // 9 px or more.
        const double side = std::min(viewSize.width() / 1.6, double(viewSize.height()));
        fit.fontPoints = float(30.0 * std::clamp(560.0 / side, 1.0, 1.9));
        return fit;
    }
    const double t = std::clamp((a - 2.6) / (13.0 - 2.6), 0.0, 1.0);
    fit.ortho = true;
    fit.aspectRatio = float(2.0 + 4.0 * t);
    fit.yRotation = float(25.0 - 17.0 * t);
    fit.zoom = float(105.0 + 115.0 * t);
    fit.targetY = float(-0.15 - 0.3 * t);
    fit.fontPoints = float(30.0 + 12.0 * t);
    fit.valueParts = t > 0.5 ? 2 : (t > 0.15 ? 3 : 4);
    return fit;
}

void SurfaceChartWindow::applyViewFit(bool force) {
    if (!m_graph || !m_container) return;
    Q3DCamera* c = m_graph->scene()->activeCamera();
    // The user's own view (rotated or zoomed) stays until the tool bar resets it.
    if (!force && (c->xRotation() != m_fitted.xRotation || c->yRotation() != m_fitted.yRotation ||
                   c->zoomLevel() != m_fitted.zoom))
        return;
    const QSize size =
        m_container->size().isValid() && m_container->width() > 1 ? m_container->size() : QSize(542, 360);
    applyFit(FitView(size), size);
}

void SurfaceChartWindow::applyFit(const ViewFit& fit, QSize size) {
    m_fitted = fit;
    Q3DCamera* c = m_graph->scene()->activeCamera();
    m_graph->setOrthoProjection(fit.ortho);
    m_graph->setAspectRatio(fit.aspectRatio);
    c->setCameraPosition(fit.xRotation, fit.yRotation, fit.zoom);
    c->setTarget(QVector3D(0.0f, fit.targetY, 0.0f));
    applyValueAxis();
    // The labels grow with the flattening, which shrinks them with the box.
    QFont font = m_graph->activeTheme()->font();
    font.setPointSizeF(fit.fontPoints);
    if (m_graph->activeTheme()->font() != font) m_graph->activeTheme()->setFont(font);
    // Room on the node axes for a label every 45 px or so of the box's side.
    const int side = std::max(1, std::min(size.width(), size.height() * 2));
    const int labels = std::clamp(side / 45, 4, 12);
    if (m_nodeAxisX) m_nodeAxisX->SetMaxLabels(labels);
    if (m_nodeAxisZ) m_nodeAxisZ->SetMaxLabels(labels);
    m_fittedSize = size;
}

bool SurfaceChartWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_container && event->type() == QEvent::Resize) applyViewFit(false);
    return QWidget::eventFilter(watched, event);
}

void SurfaceChartWindow::ResetView() {
    applyViewFit(true);
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
    if (size.isValid() && m_container && size != m_container->size()) {
        // A picture of another size gets the view that suits its shape; the window's own comes back.
        const ViewFit own = m_fitted;
        Q3DCamera* c = m_graph->scene()->activeCamera();
        const bool userView =
            c->xRotation() != own.xRotation || c->yRotation() != own.yRotation || c->zoomLevel() != own.zoom;
        if (!userView) {
            const QSize ownSize = m_fittedSize;
            applyFit(FitView(size), size);
            const QImage image = m_graph->renderToImage(0, size);
            applyFit(own, ownSize);
            return image;
        }
    }
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
