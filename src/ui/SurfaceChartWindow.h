#pragma once

#include "model/ModelState.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class NodeAxisFormatter;
class Q3DSurface;
class QLabel;
class QSurface3DSeries;
class QToolBar;

// A window with a three-dimensional surface of one value over the quarter section's grid (x along X,
// z along Y, height the value) and a chart tool bar. The surface holds one value per grid cell: every
// layer added overwrites the previous one.
//
// The 3-D view needs OpenGL. It is created only on a platform that can make an OpenGL context current
// (not offscreen or minimal); elsewhere a plain label stands in its place and the values are kept all
// the same. A hidden view is not updated: it catches up when it is shown again.
class SurfaceChartWindow : public QWidget {
    Q_OBJECT

public:
    ~SurfaceChartWindow() override;

    // Empties the surface and sets its grid to L x M cells.
    void StartSurface(int L, int M);
    int NumXValues() const { return m_numX; }
    int NumZValues() const { return m_numZ; }
    QSize GridSize() const { return QSize(m_numX, m_numZ); }
    // Value shown at grid cell (i, j), 1-based; 0 for a cell no layer has reached.
    double ValueAt(int i, int j) const;
    // Number of layers added since the last StartSurface.
    int LayerCount() const { return m_layers; }

    // Whether the 3-D view exists here (false on offscreen platforms).
    bool HasView() const { return m_graph != nullptr; }
    Q3DSurface* Graph() const { return m_graph; }
    // The node axes' labelling (null without a view).
    NodeAxisFormatter* NodeAxisX() const { return m_nodeAxisX; }
    NodeAxisFormatter* NodeAxisZ() const { return m_nodeAxisZ; }
    QSurface3DSeries* Series1 = nullptr;
    QToolBar* ChartTool1 = nullptr;

    // Tool bar actions.
    void ResetView();
    void ZoomIn();
    void ZoomOut();
    void Rotate();
    // Picture of the 3-D view (null without one).
    QImage RenderImage(QSize size = QSize());
    // The window's picture at the given size whatever its own size and state: the 3-D view, or without
    // one a plain picture saying so.
    QImage RenderPicture(QSize size);
    bool SaveImage(const QString& fileName);
    void CopyToClipboard();

    // The view chosen for a view of the given size: projection, box proportions and camera.
    struct ViewFit {
        bool ortho = false;
        float aspectRatio = 2.0f;
        float xRotation = -40.0f;
        float yRotation = 25.0f;
        float zoom = 72.0f;
        float targetY = -0.15f;   // the camera looks a little below the box's centre: the front corner and
                                  // its labels stay in view
        float fontPoints = 30.0f; // of the labels, before the view scales them
        int valueParts = 5;       // about how many steps on the value axis
    };
    static ViewFit FitView(QSize viewSize);

    // Whether the data array is newer than what the view shows.
    bool Dirty() const { return m_dirty; }
    // A platform and OpenGL check: can a 3-D view be made here?
    static bool CanCreate3DView();

protected:
    SurfaceChartWindow(const QString& caption, QSize designSize, const QString& seriesTitle,
                       std::optional<QColor> gradientStart, QWidget* parent);

    // One complete layer from a model field, 1-based [i][j].
    void AddLayerFrom(const korvel::NodeField& field, int L, int M);

    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void pushToView();
    void applyViewFit(bool force);
    void applyFit(const ViewFit& fit, QSize size);
    void applyValueAxis();
    bool viewShown() const;
    void saveAs();

    Q3DSurface* m_graph = nullptr;
    ViewFit m_fitted;
    QSize m_fittedSize;
    double m_valueLo = 0, m_valueHi = 0; // the values shown, before rounding the axis
    NodeAxisFormatter* m_nodeAxisX = nullptr;
    NodeAxisFormatter* m_nodeAxisZ = nullptr;
    QWidget* m_container = nullptr;
    QLabel* m_placeholder = nullptr;
    std::vector<double> m_values; // row-major (i - 1) * M + (j - 1)
    int m_numX = 0;
    int m_numZ = 0;
    int m_layers = 0;
    bool m_dirty = false;
};
