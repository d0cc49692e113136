#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: a picture of the machine, the product's title, version and a few lines about it.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // The picture, drawn by the program.
    static QPixmap ProgramPicture(QSize size);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
