#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace ui {

QString qtTranslationsFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool loadQtTranslations(QCoreApplication& application) {
    // Italian whatever the user's locale: every other text of the window is.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_it"), qtTranslationsFolder()) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace ui
