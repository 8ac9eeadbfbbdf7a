#pragma once
// The trace-route page on controls of its own, handed over as the window hands
// its page and left as the window leaves them at start (form_main_test checks
// the window's own): tests reach the page without building the whole window.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include "tools/traceroute/trace_route_page.h"
#include "ui/multi_line_text_box.h"

namespace testing_support {

struct TraceRoutePageFixture {
    QWidget window;
    QComboBox* Combo1 = new QComboBox(&window);
    QPushButton* Command1 = new QPushButton(QStringLiteral("&OK"), &window);
    QLineEdit* Text1 = new QLineEdit(&window);
    QPushButton* Command2 = new QPushButton(QStringLiteral("&Stop"), &window);
    QLineEdit* Text2 = new QLineEdit(QStringLiteral("0"), &window);
    QLineEdit* Text3 = new QLineEdit(QStringLiteral("0"), &window);
    ui::MultiLineTextBox* Text4 = new ui::MultiLineTextBox(&window);
    QListWidget* List1 = new QListWidget(&window);
    QString domain;       // the host page's domain box, the run's fallback target
    bool closed = false;  // set by close()
    traceroute::TraceRoutePage traceRoute;

    TraceRoutePageFixture(platform::SocketApi& sockets, platform::IcmpApi& icmp,
                          ui::Toolkit& toolkit)
        : traceRoute({Combo1, Command1, Text1, Command2, Text2, Text3, Text4, List1},
                     {[this] { return domain; }, [this] { return closed; }}, sockets, icmp,
                     toolkit) {
        Combo1->setEditable(true);
        Combo1->addItems({QString(), QStringLiteral("localhost")});
        Combo1->setCurrentIndex(0);
    }

    // Types `target` and clicks "&OK".
    void trace(const QString& target) {
        Combo1->setEditText(target);
        Command1->click();
    }
    // The user closes the window: a run ends at its next step.
    void close() {
        closed = true;
        window.close();
    }
    // What the results box shows.
    QString shown() const { return Text4->document()->toPlainText(); }
    QStringList list1() const {
        QStringList entries;
        for (int i = 0; i < List1->count(); ++i) entries << List1->item(i)->text();
        return entries;
    }
};

}  // namespace testing_support
