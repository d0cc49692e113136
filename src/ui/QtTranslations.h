#pragma once

class QCoreApplication;

// Makes Qt's own texts (the buttons and captions of its standard dialogs) speak Russian, the program's
// language, from the translations installed with Qt. Returns false when they are not installed; the
// dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication* app);
