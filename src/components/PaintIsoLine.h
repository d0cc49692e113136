#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class QPainter;

// Colour scale: a table of colour grades and the levels that separate them, drawn as a vertical bar with a
// label at each boundary. Also the isotherm field's source of band count, colours and levels.
//
// Extended (long double) values are exposed to the meta-object system as double; the C++ accessors keep
// the full precision.
class TpzPaintIsoLine : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ColGrade READ ColGrade WRITE setColGrade)
    Q_PROPERTY(int WidthColorGrade READ WidthColorGrade WRITE setWidthColorGrade)
    Q_PROPERTY(int LengthIsoLine READ LengthIsoLine WRITE setLengthIsoLine)
    Q_PROPERTY(int DecimalIsoLine READ DecimalIsoLine WRITE setDecimalIsoLine)
    Q_PROPERTY(double SimpleIsoLine READ SimpleIsoLine WRITE setSimpleIsoLine)
    Q_PROPERTY(TBevelCut BevelOuter READ BevelOuter WRITE setBevelOuter)
    Q_PROPERTY(QColor Color READ Color WRITE setColor)
    Q_PROPERTY(bool DesignMode READ DesignMode WRITE setDesignMode)

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)

    explicit TpzPaintIsoLine(QWidget* parent = nullptr);
    ~TpzPaintIsoLine() override;

    int ColGrade() const { return FColGrade; }
    void setColGrade(int n);
    int WidthColorGrade() const { return FWidthColorGrade; }
    void setWidthColorGrade(int n);
    int LengthIsoLine() const { return FLengthIsoLine; }
    void setLengthIsoLine(int n);
    int DecimalIsoLine() const { return FDecimalIsoLine; }
    void setDecimalIsoLine(int n);
    long double SimpleIsoLine() const { return FSimpleIsoLine; }
    void setSimpleIsoLine(long double v);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void setBevelOuter(TBevelCut b);
    // Background of the labels.
    QColor Color() const { return FColor; }
    void setColor(const QColor& c);
    // Draws a dashed outline around the control when set.
    bool DesignMode() const { return FDesignMode; }
    void setDesignMode(bool on);

    // Discards both tables and creates ColGrade colours and ColGrade - 1 levels equal to SimpleIsoLine.
    void RebuildGrades();
    // Colour of grade k, k clamped into 0 .. ColGrade - 1.
    QColor GradeColor(int k) const;
    // Level k (separating grade k from grade k + 1), k clamped into 0 .. ColGrade - 2.
    long double GradeLevel(int k) const;
    // Stores level k when k is in range and v differs. Never repaints.
    void SetGradeLevel(int k, long double v);

    // Text of the label of level k: "%*.*f" with LengthIsoLine and DecimalIsoLine, locale's separator.
    QString LabelText(int k) const;
    // Fixed colour of grade k of any scale.
    static QColor FixedGradeColor(int k);

    // Draws bar, labels and bevel with the given painter.
    void PaintScale(QPainter& p);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int FColGrade = 0;
    int FWidthColorGrade = 0;
    int FLengthIsoLine = 0;
    int FDecimalIsoLine = 0;
    long double FSimpleIsoLine = 0.0L;
    TBevelCut FBevelOuter = bvNone;
    QColor FColor;
    bool FDesignMode = false;
    std::vector<QColor> FColors;
    std::vector<long double> FLevels;
};
