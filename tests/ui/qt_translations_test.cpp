// Qt's own texts read Italian once its translation is loaded: the Yes and No
// of a question, the context menus of the text boxes. The texts the program
// sets stay exactly as they are.

#include <QtTest>

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

#include "cannot_run.h"
#include "ui/multi_line_text_box.h"
#include "ui/qt_translations.h"

namespace {

QString yesText() {
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text();
}

// The menu's entries without their shortcuts.
QStringList entries(QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator()) texts << action->text().section(QLatin1Char('\t'), 0, 0);
    return texts;
}

}  // namespace

class QtTranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Where Debian's qt6-translations-l10n puts them, known apart from
        // the folder the program looks in: once installed, a miss there is
        // the program's fault.
        if (!QFileInfo::exists("/usr/share/qt6/translations/qtbase_it.qm"))
            TARSINO_CANNOT_RUN(
                "Qt's Italian texts are not installed: Debian's qt6-translations-l10n");
        const QString file = QDir(ui::qtTranslationsFolder()).filePath("qtbase_it.qm");
        QVERIFY2(QFileInfo::exists(file), qPrintable(file + " is missing"));
    }

    void questionsAndContextMenusReadItalianOnceLoaded() {
        QCOMPARE(yesText(), QString("&Yes"));  // Qt's own English until loaded

        QVERIFY(ui::loadQtTranslations(*QCoreApplication::instance()));

        QMessageBox question;
        question.setWindowTitle("Sinotar");
        question.setText("Terminare l'operazione in corso?");
        question.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Sì"));
        QCOMPARE(question.button(QMessageBox::No)->text(), QString("&No"));
        QCOMPARE(question.windowTitle(), QString("Sinotar"));
        QCOMPARE(question.text(), QString("Terminare l'operazione in corso?"));

        QLineEdit box("10.0.0.1");
        const std::unique_ptr<QMenu> boxMenu(box.createStandardContextMenu());
        QVERIFY2(entries(*boxMenu).contains("&Copia"), qPrintable(entries(*boxMenu).join('|')));
        QVERIFY(entries(*boxMenu).contains("Seleziona tutto"));

        ui::MultiLineTextBox results;
        results.setText("Trace Route Completato");
        const std::unique_ptr<QMenu> resultsMenu(results.createStandardContextMenu());
        QVERIFY2(entries(*resultsMenu).contains("&Copia"),
                 qPrintable(entries(*resultsMenu).join('|')));
        QVERIFY(entries(*resultsMenu).contains("Seleziona tutto"));
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_test.moc"
