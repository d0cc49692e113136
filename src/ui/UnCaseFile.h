#pragma once

#include "cases/Case.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class TFormMain;

// The case on screen as a document: open and save case files, the recent ones, the name in the main
// window's title, and the question before unsaved edits would be lost.
class TCaseFiles : public QObject {
    Q_OBJECT

public:
    explicit TCaseFiles(TFormMain* main);

    // Puts "&Файл" at the left of the menu bar, with saveResults at its end.
    QMenu* CreateMenu(QMenuBar* bar, QAction* saveResults);

    // Opens a case file into the data window and the model parameters, without asking about unsaved
    // edits. A file that cannot be taken is refused with a message and nothing changes. False when it
    // was refused.
    bool OpenCaseFile(const QString& path);
    // Saves the case on screen into its file, or asks for one. False when nothing was saved.
    bool SaveCase();
    bool SaveCaseAs();
    // Asks whether to save unsaved edits (save, discard or cancel). False when the user cancelled or
    // the save failed.
    bool MaybeSave();
    // At closing the program: unsaved edits are asked about, also those of a case without a file.
    bool MaybeSaveOnClose();

    // The case the data window and the model parameters hold now.
    korvel::Case CaseOnScreen() const;
    bool IsModified() const;
    // The case file's path, empty for a case never opened or saved.
    QString CasePath() const { return m_path; }
    // The case's name (the file name without ".korvel"), empty without a file.
    QString CaseName() const;
    QStringList RecentCases() const;

    // Refreshes the title and the enabled state of the actions.
    void Update();
    void SetRunActive(bool active);

    // Replaceable for tests: the file dialogs (save = true for "save as"; an empty answer cancels) and
    // the three-way question, which returns QMessageBox::Save, Discard or Cancel.
    using FileChooser = std::function<QString(bool save)>;
    void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    using ChoiceHandler = std::function<int(const QString& text)>;
    void SetChoiceHandler(ChoiceHandler handler) { m_choice = std::move(handler); }

    QAction* FileOpenCase = nullptr;
    QAction* FileSaveCase = nullptr;
    QAction* FileSaveCaseAs = nullptr;
    QMenu* MenuRecent = nullptr;

    static constexpr int kMaxRecent = 6;

private:
    void openInteractive(const QString& path);
    bool writeCase(const QString& path);
    void addRecent(const QString& path);
    void removeRecent(const QString& path);
    void fillRecentMenu();
    void message(const QString& text);

    TFormMain* m_main;
    QString m_path;
    korvel::Case m_saved; // what the file holds (or the start values without a file)
    bool m_runActive = false;
    FileChooser m_chooser;
    ChoiceHandler m_choice;
};
