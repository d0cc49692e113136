#pragma once

#include <QIcon>
#include <QString>

class QObject;
class QToolBar;
class QWidget;

// The pictures of the chart tool bars' buttons, drawn by the program (16 px, also at 32 px).
enum class ChartToolIcon { ResetZoom, ZoomIn, ZoomOut, Rotate, Save, Copy };
QIcon MakeChartToolIcon(ChartToolIcon kind);

// A flat tool bar of small picture buttons with their captions as tool tips.
QToolBar* MakeChartToolBar(QWidget* parent);

// Asks for the name of a PNG file to save a chart picture in; empty when the user cancels.
QString AskPngFileName(QWidget* parent);
