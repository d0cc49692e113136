#include "UnCaseFile.h"

#include "UnIsxDan.h"
#include "unMain.h"

#include "cases/CaseFile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <bit>
#include <cstdint>

namespace {

const char* kRecentKey = "RecentCases";
const char* kFilter = "Варианты Korvel (*.korvel);;Все файлы (*)";

bool sameCase(const korvel::Case& a, const korvel::Case& b) {
    for (const korvel::CaseField& f : korvel::CaseFields())
        if (std::bit_cast<std::uint64_t>(korvel::GetCaseValue(a, f)) !=
            std::bit_cast<std::uint64_t>(korvel::GetCaseValue(b, f)))
            return false;
    return a.schedule == b.schedule;
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

TCaseFiles::TCaseFiles(TFormMain* main) : QObject(main), m_main(main) {
    setObjectName(QStringLiteral("CaseFiles"));
    auto make = [this](const char* name, const char* caption, const char* hint) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(QString::fromUtf8(hint));
        a->setStatusTip(QString::fromUtf8(hint));
        a->setProperty("category", QStringLiteral("File"));
        return a;
    };
    FileOpenCase =
        make("FileOpenCase", "&Открыть вариант...", "Открыть исходные данные и параметры модели из файла");
    FileOpenCase->setShortcut(QKeySequence::Open);
    FileSaveCase =
        make("FileSaveCase", "&Сохранить вариант", "Сохранить исходные данные и параметры модели в файл");
    FileSaveCase->setShortcut(QKeySequence::Save);
    FileSaveCaseAs = make("FileSaveCaseAs", "Сохранить вариант &как...",
                          "Сохранить исходные данные и параметры в новый файл");
    connect(FileOpenCase, &QAction::triggered, this, [this] { openInteractive(QString()); });
    connect(FileSaveCase, &QAction::triggered, this, &TCaseFiles::SaveCase);
    connect(FileSaveCaseAs, &QAction::triggered, this, &TCaseFiles::SaveCaseAs);

    m_saved = CaseOnScreen();
    Update();
    // Every edit of a field may make the case differ from its file.
    for (const korvel::CaseField& f : korvel::CaseFields())
        if (f.window)
            if (NumericEdit* e = m_main->FormIsxDan->Field(QLatin1String(f.key)))
                connect(e, &NumericEdit::valueChanged, this, &TCaseFiles::Update);
}

QMenu* TCaseFiles::CreateMenu(QMenuBar* bar, QAction* saveResults) {
    auto* menu = new QMenu(QStringLiteral("&Файл"), bar);
    menu->setObjectName(QStringLiteral("MenuFile"));
    menu->addAction(FileOpenCase);
    menu->addAction(FileSaveCase);
    menu->addAction(FileSaveCaseAs);
    menu->addSeparator();
    MenuRecent = menu->addMenu(QStringLiteral("Последние варианты"));
    MenuRecent->setObjectName(QStringLiteral("MenuRecent"));
    connect(MenuRecent, &QMenu::aboutToShow, this, &TCaseFiles::fillRecentMenu);
    fillRecentMenu();
    menu->addSeparator();
    if (saveResults) menu->addAction(saveResults);
    const QList<QAction*> top = bar->actions();
    bar->insertMenu(top.isEmpty() ? nullptr : top.first(), menu);
    return menu;
}

korvel::Case TCaseFiles::CaseOnScreen() const {
    korvel::Case c;
    c.window = m_main->FormIsxDan->Values();
    c.params = m_main->Model().params;
    c.schedule = m_main->CaseSchedule();
    return c;
}

bool TCaseFiles::IsModified() const {
    return !sameCase(CaseOnScreen(), m_saved);
}

QString TCaseFiles::CaseName() const {
    return m_path.isEmpty() ? QString() : QString::fromStdString(korvel::CaseNameOfPath(localPath(m_path)));
}

void TCaseFiles::message(const QString& text) {
    m_main->showMessage(text);
}

void TCaseFiles::Update() {
    // A case without a file is named only once it differs from the start values; "*" marks every
    // difference from the file (or from the start values).
    const QString name = CaseName();
    const bool modified = IsModified();
    const QString title = !name.isEmpty() ? QStringLiteral("Korvel - %1[*]").arg(name)
                          : modified      ? QStringLiteral("Korvel - новый вариант[*]")
                                          : QStringLiteral("Korvel");
    if (m_main->windowTitle() != title && !m_main->windowTitle().startsWith(title + QStringLiteral(" - [")))
        m_main->setWindowTitle(title);
    m_main->setWindowModified(modified);
    // The data window shows the model parameters of the case as well.
    const korvel::ModelParams& p = m_main->Model().params;
    m_main->FormIsxDan->LabelModelParams->setText(
        QStringLiteral("Шаг расчета %1 с, сетка %2 x %3, сечение на %4 радиусе")
            .arg(QLocale().toString(p.Dt, 'g', 6))
            .arg(p.L)
            .arg(p.M)
            .arg(p.SideFlag >= 0 ? QStringLiteral("коротком") : QStringLiteral("длинном")));
    FileOpenCase->setEnabled(!m_runActive);
    if (MenuRecent) MenuRecent->setEnabled(!m_runActive && !MenuRecent->actions().isEmpty());
}

void TCaseFiles::SetRunActive(bool active) {
    m_runActive = active;
    Update();
}

bool TCaseFiles::OpenCaseFile(const QString& path) {
    if (m_runActive || m_main->WorkerAlive()) {
        message(QStringLiteral("Вариант не открыт: идет расчет. Завершите расчет и откройте вариант снова."));
        return false;
    }
    korvel::Case c;
    std::string error;
    if (!korvel::ReadCaseFile(localPath(path), c, error)) {
        message(QStringLiteral("Вариант не открыт. %1.").arg(QString::fromStdString(error)));
        if (!QFileInfo::exists(path)) removeRecent(path);
        return false;
    }
    // The data window, accepted into the casting data as "Принять" does.
    TFormIsxDan* data = m_main->FormIsxDan;
    data->SetValues(c.window);
    data->BitBtn2Click();
    // The model parameters, and the dialog showing the side.
    m_main->SetModelParams(c.params);
    m_main->SetCaseSchedule(c.schedule);
    m_path = QFileInfo(path).absoluteFilePath();
    m_saved = c;
    addRecent(m_path);
    Update();
    m_main->statusBar()->showMessage(
        QStringLiteral("Открыт вариант %1").arg(QDir::toNativeSeparators(m_path)), 10000);
    // A field shows its value to its own number of decimals: say so where the file holds more.
    const korvel::DataWindowValues shown = data->Values();
    QStringList rounded;
    for (const korvel::CaseField& f : korvel::CaseFields())
        if (f.window &&
            std::bit_cast<std::uint64_t>(shown.*f.window) != std::bit_cast<std::uint64_t>(c.window.*f.window))
            rounded << TFormIsxDan::FieldCaption(QLatin1String(f.key));
    if (!rounded.isEmpty())
        message(
            QStringLiteral("В файле варианта больше знаков, чем показывает окно исходных данных; значения "
                           "округлены: %1. Файл не изменен.")
                .arg(rounded.join(QStringLiteral("; "))));
    return true;
}

void TCaseFiles::openInteractive(const QString& given) {
    if (m_runActive) return;
    if (!MaybeSave()) return;
    QString path = given;
    if (path.isEmpty()) {
        path = m_chooser
                   ? m_chooser(false)
                   : QFileDialog::getOpenFileName(m_main, QStringLiteral("Открыть вариант"),
                                                  m_path.isEmpty() ? QString() : QFileInfo(m_path).path(),
                                                  QString::fromUtf8(kFilter));
        if (path.isEmpty()) return;
    }
    OpenCaseFile(path);
}

bool TCaseFiles::writeCase(const QString& path) {
    const korvel::Case c = CaseOnScreen();
    std::string error;
    if (!korvel::WriteCaseFile(localPath(path), c, error)) {
        message(QStringLiteral("Вариант не сохранен. %1.").arg(QString::fromStdString(error)));
        return false;
    }
    m_path = QFileInfo(path).absoluteFilePath();
    m_saved = c;
    addRecent(m_path);
    Update();
    m_main->statusBar()->showMessage(
        QStringLiteral("Вариант сохранен в файл %1").arg(QDir::toNativeSeparators(m_path)), 10000);
    return true;
}

bool TCaseFiles::SaveCase() {
    if (m_path.isEmpty()) return SaveCaseAs();
    return writeCase(m_path);
}

bool TCaseFiles::SaveCaseAs() {
    QString path =
        m_chooser ? m_chooser(true)
                  : QFileDialog::getSaveFileName(m_main, QStringLiteral("Сохранить вариант"),
                                                 m_path.isEmpty() ? QStringLiteral("вариант.korvel") : m_path,
                                                 QString::fromUtf8(kFilter));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QLatin1String(korvel::kCaseFileExtension);
    return writeCase(path);
}

bool TCaseFiles::MaybeSave() {
    if (!IsModified()) return true;
    const QString text =
        m_path.isEmpty()
            ? QStringLiteral("Исходные данные изменены и не сохранены в файле варианта. Сохранить их?")
            : QStringLiteral("Исходные данные варианта «%1» изменены. Сохранить изменения?").arg(CaseName());
    int answer = QMessageBox::Cancel;
    if (m_choice) {
        answer = m_choice(text);
    } else {
        answer = QMessageBox::question(m_main, QStringLiteral("Korvel"), text,
                                       QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                       QMessageBox::Save);
    }
    if (answer == QMessageBox::Save) return SaveCase();
    return answer == QMessageBox::Discard;
}

bool TCaseFiles::MaybeSaveOnClose() {
    return MaybeSave();
}

QStringList TCaseFiles::RecentCases() const {
    return QSettings().value(QLatin1String(kRecentKey)).toStringList();
}

void TCaseFiles::addRecent(const QString& path) {
    QStringList list = RecentCases();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecent)
        list.removeLast();
    QSettings().setValue(QLatin1String(kRecentKey), list);
    fillRecentMenu();
}

void TCaseFiles::removeRecent(const QString& path) {
    QStringList list = RecentCases();
    if (list.removeAll(path) == 0) return;
    QSettings().setValue(QLatin1String(kRecentKey), list);
    fillRecentMenu();
}

void TCaseFiles::fillRecentMenu() {
    if (!MenuRecent) return;
    MenuRecent->clear();
    const QStringList list = RecentCases();
    int n = 0;
    for (const QString& path : list) {
        ++n;
        QAction* a = MenuRecent->addAction(QStringLiteral("&%1 %2").arg(n).arg(
            QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"))));
        a->setObjectName(QStringLiteral("RecentCase%1").arg(n));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setStatusTip(QDir::toNativeSeparators(path));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] { openInteractive(path); });
    }
    MenuRecent->setEnabled(!list.isEmpty() && !m_runActive);
}
