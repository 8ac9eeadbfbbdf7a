// The smallest window of the same toolkit, for the start-up benchmark: what
// Qt Widgets alone costs to reach a shown window on this machine.

#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("Hello"));
    window.setWindowTitle(QStringLiteral("Hello on bench"));
    window.show();
    return application.exec();
}
