#pragma once
// The host details dialog: shows a host's address and name and lets the
// user enter its user, site, floor and room. Built fresh for each edit.

#include <QDialog>
#include <QPersistentModelIndex>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QPushButton;

namespace hosts {

class DialogInfoHost : public QDialog {
    Q_OBJECT

public:
    explicit DialogInfoHost(QWidget* parent = nullptr);

    // The row being edited: row `position1Based` of the host list `list`.
    // It is followed through sorting, so "&OK" writes to that very row.
    void setTag(QAbstractItemModel& list, int position1Based);

    // Address and name into the two headings, the four annotations into the
    // boxes, all from the row set by setTag.
    void fillFromRow();

    QLabel* lbl_ip;
    QLabel* lbl_host;
    QWidget* Line1;
    QLabel* Label1;
    QLineEdit* txt_utente;
    QLabel* Label2;
    QLineEdit* txt_sede;
    QLabel* Label3;
    QLineEdit* txt_piano;
    QLabel* Label4;
    QLineEdit* txt_stanza;
    QPushButton* CancelButton;
    QPushButton* OKButton;
    QWidget* Line2;

public slots:
    void OKButton_Click();
    void CancelButton_Click();

protected:
    // Enter and Escape close nothing: neither button is default or cancel.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAbstractItemModel* list_ = nullptr;
    QPersistentModelIndex row_;
};

}  // namespace hosts
