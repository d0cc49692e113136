#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// What an exported picture says about itself, so it can be told apart from every other one away from
// the program: what it shows, of which case, when, and whether the run was stopped or its results are
// doubtful.
struct PictureCaption {
    QString title;    // what the picture shows (the window's caption)
    QString caseName; // the case's name
    QDateTime when;   // when the run ended
    QString stopped;  // how far a stopped run got; empty for a run that reached its process time
    QString warning;  // why the results are doubtful; empty when they are not
};

// The picture below a white band with the caption: the title in bold; the case, date and time; then,
// in red, the stop and the warning. The band's text is sized to the picture's width and wraps.
QImage WithCaption(const QImage& picture, const PictureCaption& caption);
