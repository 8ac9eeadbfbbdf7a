#include "tools/hosts/dialog_info_host.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

#include "tools/hosts/host_list.h"
#include "ui/controls.h"
#include "ui/look.h"
#include "ui/twips.h"

namespace hosts {

namespace {

using ui::controls::Place;

// Address and name stand out in the dialog's own face, larger and bold.
QLabel* heading(QWidget* parent, const QString& name, const QString& text, Place place) {
    QLabel* label = ui::controls::label(parent, name, text, place, ui::look::Blue,
                                        Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);  // host names are shown as they are
    QFont font = parent->font();
    font.setPointSizeF(9.75);
    font.setBold(true);
    label->setFont(font);
    return label;
}

// The captions stand level with the middle of their boxes.
QLabel* caption(QWidget* parent, const QString& name, const QString& text, Place place) {
    return ui::controls::label(parent, name, text, place, ui::look::Blue,
                               Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

DialogInfoHost::DialogInfoHost(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Info aggiuntive per l'Host selezionato"));
    // A window does not pass its font on to the windows it opens: take it
    // over, so that the dialog reads like the window it belongs to.
    if (parent) setFont(parent->window()->font());
    setWindowIcon(QApplication::windowIcon());
    setFixedSize(ui::twips(5745), ui::twips(2340));
    setSizeGripEnabled(false);

    // Created in tab order, "&OK" first, so that it has the focus on opening.
    using namespace ui::controls;
    OKButton = button(this, "OKButton", QStringLiteral("&OK"), {4320, 1680, 1215, 375});
    CancelButton =
        button(this, "CancelButton", QStringLiteral("&Annulla"), {3000, 1680, 1215, 375});
    txt_utente = textBox(this, "txt_utente", QString(), {1440, 720, 4215, 285});
    Label1 = caption(this, "Label1", QStringLiteral("Utente"), {120, 735, 1215, 255});
    txt_sede = textBox(this, "txt_sede", QString(), {1440, 1080, 4215, 285});
    Label2 = caption(this, "Label2", QStringLiteral("Sede"), {120, 1095, 1215, 255});
    txt_piano = textBox(this, "txt_piano", QString(), {1440, 1440, 735, 285});
    Label3 = caption(this, "Label3", QStringLiteral("Piano"), {120, 1455, 1215, 255});
    txt_stanza = textBox(this, "txt_stanza", QString(), {1440, 1800, 735, 285});
    Label4 = caption(this, "Label4", QStringLiteral("Stanza"), {120, 1815, 1215, 255});
    lbl_ip = heading(this, "lbl_ip", QStringLiteral("IP"), {120, 120, 1215, 255});
    lbl_host = heading(this, "lbl_host", QStringLiteral("Host"), {1560, 120, 4095, 255});
    Line1 = line(this, "Line1", 120, 480, 5640, 480, ui::look::Blue);
    Line2 = line(this, "Line2", 120, 2160, 5640, 2160, ui::look::Blue);

    Label1->setBuddy(txt_utente);
    Label2->setBuddy(txt_sede);
    Label3->setBuddy(txt_piano);
    Label4->setBuddy(txt_stanza);

    const std::array<QWidget*, 6> tabOrder{OKButton, CancelButton, txt_utente,
                                           txt_sede, txt_piano,    txt_stanza};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    OKButton->setFocus();

    connect(OKButton, &QPushButton::clicked, this, &DialogInfoHost::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &DialogInfoHost::CancelButton_Click);
}

void DialogInfoHost::setTag(QAbstractItemModel& list, int position1Based) {
    list_ = &list;
    row_ = QPersistentModelIndex(list.index(position1Based - 1, 0));
}

void DialogInfoHost::fillFromRow() {
    if (!row_.isValid()) return;
    const auto field = [this](int column) {
        return list_->data(list_->index(row_.row(), column)).toString();
    };
    lbl_ip->setText(field(host_column::Address));
    lbl_host->setText(field(host_column::HostName));
    txt_utente->setText(field(host_column::User));
    txt_sede->setText(field(host_column::Site));
    txt_piano->setText(field(host_column::Floor));
    txt_stanza->setText(field(host_column::Room));
}

void DialogInfoHost::OKButton_Click() {
    // A row that has gone meanwhile gets nothing.
    if (row_.isValid()) {
        const auto write = [this](int column, const QString& text) {
            list_->setData(list_->index(row_.row(), column), text);
        };
        write(host_column::User, txt_utente->text());
        write(host_column::Site, txt_sede->text());
        write(host_column::Floor, txt_piano->text());
        write(host_column::Room, txt_stanza->text());
    }
    accept();
}

void DialogInfoHost::CancelButton_Click() {
    reject();
}

void DialogInfoHost::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace hosts
