#include "tools/hosts/host_list.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTreeWidget>

#include "ui/twips.h"

namespace hosts {

namespace {

constexpr int ColumnWidthTwips = 1440;

}  // namespace

void setUpHostList(QTreeWidget& Lv_hosts) {
    Lv_hosts.setColumnCount(host_column::Count);
    QTreeWidgetItem* header = Lv_hosts.headerItem();
    for (int column = 0; column < host_column::Count; ++column) {
        header->setText(column, QString::fromLatin1(ColumnHeaders[column].inList));
        Lv_hosts.setColumnWidth(column, ui::twips(ColumnWidthTwips));
    }
    Lv_hosts.setRootIsDecorated(false);
    Lv_hosts.setItemsExpandable(false);
    Lv_hosts.setUniformRowHeights(true);
    Lv_hosts.setSelectionBehavior(QAbstractItemView::SelectRows);
    Lv_hosts.setSelectionMode(QAbstractItemView::SingleSelection);
    Lv_hosts.setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Sorting is the page's own (ascending, by the clicked column); the view's
    // built-in sorting would flip the direction on every click.
    Lv_hosts.setSortingEnabled(false);
    QHeaderView* columns = Lv_hosts.header();
    columns->setSectionsClickable(true);
    // A column click names the column by its position, so positions stay put.
    columns->setSectionsMovable(false);
    columns->setStretchLastSection(false);
}

}  // namespace hosts
