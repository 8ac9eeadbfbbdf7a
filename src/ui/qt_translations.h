#pragma once
// Qt's own texts (the Yes and No of a question, a text box's context menu)
// in Italian, like the rest of the window.

class QCoreApplication;
class QString;

namespace ui {

// The folder where Qt's translations are installed.
QString qtTranslationsFolder();

// Installs Qt's Italian translation on the application when it is present
// (Debian's qt6-translations-l10n); true when installed. Texts the program
// sets itself are not touched.
bool loadQtTranslations(QCoreApplication& application);

}  // namespace ui
