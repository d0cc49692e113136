#pragma once

#include "cases/RunArchive.h"

#include <QDialog>

class QChart;
class QChartView;
class QComboBox;
class QListWidget;
class QPushButton;
class QTableWidget;
class QValueAxis;

// "Сравнение расчетов": the runs of the session kept for comparison, their temperature along the
// machine overlaid on the current (latest) run's, and their key figures side by side.
class TFormCompare : public QDialog {
    Q_OBJECT

public:
    explicit TFormCompare(korvel::RunArchive& archive, QWidget* parent = nullptr);

    // Shows the archive as it stands (after a run was kept).
    void Refresh();
    // Removes the runs selected in the list from the comparison.
    void RemoveSelected();

    // The numbers of the runs drawn on the chart, in the order of the list.
    QList<int> ShownRuns() const;
    // The rows of the table, top to bottom.
    static QStringList FigureNames();

    QListWidget* ListRuns = nullptr;
    QPushButton* ButtonRemove = nullptr;
    QComboBox* ComboPoint = nullptr;
    QChartView* ChartView = nullptr;
    QChart* Chart = nullptr;
    QValueAxis* AxisZ = nullptr;
    QValueAxis* AxisT = nullptr;
    QTableWidget* TableFigures = nullptr;

private:
    void fillChart();
    void fillTable();

    korvel::RunArchive& m_archive;
    QList<int> m_hidden; // runs the user unticked
};
