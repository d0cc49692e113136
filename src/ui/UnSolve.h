#pragma once

#include "model/Model.h"

#include <QImage>
#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class TpzPaintIsoLine;
class TpzPaintIsoZone;
class TpzSchemaKorvel;

// The cross-section window: the machine schematic in the background with the slice's position, the
// billet size, the process time and the distance from the meniscus, and in a panel the isotherm field
// of the quarter section with its colour scale and the temperatures at eight points of its boundary.
class TFormSolve : public QWidget {
    Q_OBJECT

public:
    explicit TFormSolve(QWidget* parent = nullptr);
    ~TFormSolve() override;

    // Sets the scale levels from the nominal steel's liquidus and solidus and the isotherm grid from
    // the billet and the model grid, every node at the pouring temperature.
    void Prepare(const korvel::Model& m);
    // Shows the state of the slice at distance lmenisk (m) from the meniscus: schematic, time,
    // distance, isotherm field and boundary temperatures, each repainted at once.
    void ShowSlice(const korvel::Model& m, double lmenisk);
    // Billet size in mm, "%4.0f x %4.0f".
    void SetBilletSize(double dlomX, double dlomY);

    TpzSchemaKorvel* pzSchemaKorvel1 = nullptr;
    QFrame* Panel1 = nullptr;
    TpzPaintIsoZone* pzPaintIsoZone1 = nullptr;
    TpzPaintIsoLine* pzPaintIsoLine1 = nullptr;
    QLabel* Label1 = nullptr; // "Слиток"
    QLabel* LabelSlitok = nullptr;
    QLabel* Label2 = nullptr; // "Время процесса, с"
    QLabel* TauProcess = nullptr;
    QLabel* Label3 = nullptr; // "Расстояние от мениска, м "
    QLabel* LabLmenisk = nullptr;
    QLabel* LabelTL = nullptr;
    QLabel* LabelTS = nullptr;
    QFrame* BarTL = nullptr;
    QFrame* BarTS = nullptr;
    QLabel* TemBound1 = nullptr;
    QLabel* TemBound2 = nullptr;
    QLabel* TemBound3 = nullptr;
    QLabel* TemBound4 = nullptr;
    QLabel* TemBound5 = nullptr;
    QLabel* TemBound6 = nullptr;
    QLabel* TemBound7 = nullptr;
    QLabel* TemBound8 = nullptr;

    // The boundary labels in order, TemBound1 first.
    QLabel* TemBound(int k) const; // k = 1..8

    // The design size: at this client size every element is at its designed place and size.
    static QSize DesignSize() { return QSize(627, 364); }
    // The factor by which the whole composition is drawn at a client size: it fits the design into the
    // client area, and once the client area is wider than the design also the panel's full width, so
    // that the colour scale and its marks are never cut off. 1 at the design size.
    double CompositionScale(QSize client) const;
    double CurrentScale() const { return m_scale; }
    // The smallest pixel size of any text, whatever the scale.
    static constexpr int kMinTextPixels = 9;
    // The window's picture as it would look at the given client size, whatever the window's own size
    // and state (minimised included).
    QImage RenderPicture(QSize size) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // One element of the composition and where the design puts it (in its parent's coordinates).
    struct Placement {
        QWidget* widget;
        QRect design;
        int textPixels; // 0: no text of its own
        bool bold;
    };
    void place(QWidget* w, const QRect& design, int textPixels, bool bold);
    void applyScale(double s);
    void fitTo(QSize client);
    void makeRoomForTexts();
    void copyDisplayFrom(const TFormSolve& other);

    std::vector<Placement> m_placements;
    int m_designPanelWidth = 0;
    double m_scale = 1.0;
};
