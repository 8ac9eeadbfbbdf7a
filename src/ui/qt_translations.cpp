#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace ui {

QString QtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool LoadQtTranslations(QCoreApplication& application) {
    // Italian whatever the user's locale: every other text of the window is.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_it"), QtTranslationsFolder()) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace ui
